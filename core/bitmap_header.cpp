#include "core/bitmap_header.h"

#include "core/system_error.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <system_error>

namespace pelmora {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kPaletteSize = 8;

class LittleEndianReader {
  public:
    explicit LittleEndianReader(const unsigned char* bytes) : bytes_(bytes) {}

    std::uint16_t u16() { return static_cast<std::uint16_t>(byte() | byte() << 8); }
    std::uint32_t u32() {
        std::uint32_t low = u16();
        return low | static_cast<std::uint32_t>(u16()) << 16;
    }
    std::int32_t s32() { return static_cast<std::int32_t>(u32()); }
    std::int16_t s16() { return static_cast<std::int16_t>(u16()); }

  private:
    unsigned byte() { return bytes_[at_++]; }
    const unsigned char* bytes_;
    std::size_t at_ = 0;
};

BITMAPFILEHEADER ParseFileHeader(const unsigned char* bytes) {
    LittleEndianReader in(bytes);
    BITMAPFILEHEADER header;
    header.bfType = in.u16();
    header.bfSize = in.u32();
    header.bfReserved1 = in.u16();
    header.bfReserved2 = in.u16();
    header.bfOffBits = in.u32();
    return header;
}

BITMAPINFOHEADER ParseInfoHeader(const unsigned char* bytes) {
    LittleEndianReader in(bytes);
    BITMAPINFOHEADER header;
    header.biSize = in.u32();
    header.biWidth = in.s32();
    header.biHeight = in.s32();
    header.biPlanes = in.u16();
    header.biBitCount = in.s16();
    header.biCompression = in.u32();
    header.biSizeImage = in.u32();
    header.biXPelsPerMeter = in.s32();
    header.biYPelsPerMeter = in.s32();
    header.biClrUsed = in.u32();
    header.biClrImportant = in.u32();
    return header;
}

RGBQUAD ParseQuad(const unsigned char* bytes) {
    return RGBQUAD{bytes[0], bytes[1], bytes[2], bytes[3]};
}

BitmapCheck Unreadable(std::string reason) {
    return BitmapCheck{BitmapVerdict::Unreadable, std::move(reason)};
}

BitmapCheck TooShort() {
    return BitmapCheck{BitmapVerdict::Rejected, "the file is shorter than its headers"};
}

// Reads up to size bytes; fewer only at the end of the file.
std::size_t ReadUpTo(std::istream& in, unsigned char* into, std::size_t size) {
    in.read(reinterpret_cast<char*>(into), static_cast<std::streamsize>(size));
    return static_cast<std::size_t>(in.gcount());
}

} // namespace

BitmapCheck ReadAndCheckBitmap(ConversionState& state, const std::string& path, Palette& palette) {
    const std::filesystem::path file(std::u8string(path.begin(), path.end()));
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    if (error) {
        return Unreadable(error.message());
    }
    if (std::filesystem::is_directory(status)) {
        return Unreadable(std::make_error_code(std::errc::is_a_directory).message());
    }

    errno = 0;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return Unreadable(LastSystemError());
    }
    return CheckBitmapStream(state, in, palette);
}

BitmapCheck CheckBitmapStream(ConversionState& state, std::istream& in, Palette& palette) {
    std::array<unsigned char, kFileHeaderSize + kInfoHeaderSize> headers{};
    errno = 0;
    const std::size_t got = ReadUpTo(in, headers.data(), headers.size());
    if (in.bad()) {
        return Unreadable(LastSystemError());
    }
    if (got < headers.size()) {
        return TooShort();
    }
    const BITMAPFILEHEADER fileHeader = ParseFileHeader(headers.data());
    const BITMAPINFOHEADER infoHeader = ParseInfoHeader(headers.data() + kFileHeaderSize);

    if (infoHeader.biBitCount == 1) {
        // The palette follows the information header as long as that header says it is;
        // longer headers (V4, V5) are common, and a shorter one cannot be a 40-byte header.
        const std::uint64_t headerSize =
            std::max<std::uint64_t>(infoHeader.biSize, kInfoHeaderSize);
        in.ignore(static_cast<std::streamsize>(headerSize - kInfoHeaderSize));
        std::array<unsigned char, kPaletteSize> quads{};
        if (!in || ReadUpTo(in, quads.data(), quads.size()) < quads.size()) {
            return in.bad() ? Unreadable(LastSystemError()) : TooShort();
        }
        palette[0] = ParseQuad(quads.data());
        palette[1] = ParseQuad(quads.data() + 4);
    }

    state.fileHeader = fileHeader;
    state.infoHeader = infoHeader;
    const bool accepted = infoHeader.biHeight == kPanelHeight &&
                          infoHeader.biWidth == kPanelWidth && infoHeader.biBitCount == 1;
    return BitmapCheck{accepted ? BitmapVerdict::Accepted : BitmapVerdict::Rejected, {}};
}

std::uint64_t PixelDataEnd(const ConversionState& state) {
    constexpr std::uint64_t kNever = std::numeric_limits<std::uint64_t>::max();
    const BITMAPINFOHEADER& info = state.infoHeader;
    const std::uint64_t width =
        static_cast<std::uint64_t>(std::abs(static_cast<long long>(info.biWidth)));
    const std::uint64_t height =
        static_cast<std::uint64_t>(std::abs(static_cast<long long>(info.biHeight)));
    const std::uint64_t bits = static_cast<std::uint16_t>(info.biBitCount);
    const std::uint64_t rowBytes = (width * bits + 31) / 32 * 4; // rows are padded to 4 bytes
    if (height != 0 && rowBytes > (kNever - state.fileHeader.bfOffBits) / height) {
        return kNever; // no file is that long
    }
    return state.fileHeader.bfOffBits + rowBytes * height;
}

std::string ColourDepthText(const ConversionState& state) {
    const int bits = state.infoHeader.biBitCount;
    const std::string colours =
        bits >= 0 && bits < 63 ? std::to_string(1ULL << bits) : std::string("too many");
    return std::to_string(bits) + " Bits " + " (" + colours + " Colors)";
}

std::string RejectionTextOneLine() {
    std::string text(kRejectionText);
    text.erase(text.find("\r\n"), 2);
    return text;
}

} // namespace pelmora
