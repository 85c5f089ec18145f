#include "core/bmp/bitmap_header.h"

#include "core/io/source_file.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace pelmora {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kPaletteSize = 8;

class LittleEndianReader {
  public:
    explicit LittleEndianReader(const std::uint8_t* bytes) : bytes_(bytes) {}

    std::uint16_t u16() { return static_cast<std::uint16_t>(byte() | byte() << 8); }
    std::uint32_t u32() {
        std::uint32_t low = u16();
        return low | static_cast<std::uint32_t>(u16()) << 16;
    }
    std::int32_t s32() { return static_cast<std::int32_t>(u32()); }
    std::int16_t s16() { return static_cast<std::int16_t>(u16()); }

  private:
    unsigned byte() { return bytes_[at_++]; }
    const std::uint8_t* bytes_;
    std::size_t at_ = 0;
};

BITMAPFILEHEADER ParseFileHeader(const std::uint8_t* bytes) {
    LittleEndianReader in(bytes);
    BITMAPFILEHEADER header;
    header.bfType = in.u16();
    header.bfSize = in.u32();
    header.bfReserved1 = in.u16();
    header.bfReserved2 = in.u16();
    header.bfOffBits = in.u32();
    return header;
}

BITMAPINFOHEADER ParseInfoHeader(const std::uint8_t* bytes) {
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

RGBQUAD ParseQuad(const std::uint8_t* bytes) {
    return RGBQUAD{bytes[0], bytes[1], bytes[2], bytes[3]};
}

BitmapCheck Unreadable(std::string reason) {
    BitmapCheck check;
    check.verdict = BitmapVerdict::Unreadable;
    check.error = std::move(reason);
    return check;
}

BitmapCheck TooShort() {
    BitmapCheck check;
    check.error = "the file is shorter than its headers";
    return check;
}

} // namespace

BitmapCheck CheckBitmapFile(const std::string& path, int width, int height) {
    const SourceFile source = ReadSourceFile(path);
    if (!source.ok()) {
        return Unreadable(source.error);
    }
    return CheckBitmapBytes(AsBytes(source.bytes), width, height);
}

BitmapCheck CheckBitmapBytes(std::span<const std::uint8_t> bytes, int width, int height) {
    if (bytes.size() < kFileHeaderSize + kInfoHeaderSize) {
        return TooShort();
    }
    BitmapCheck check;
    check.fileHeader = ParseFileHeader(bytes.data());
    check.infoHeader = ParseInfoHeader(bytes.data() + kFileHeaderSize);
    const BITMAPINFOHEADER& infoHeader = check.infoHeader;

    if (infoHeader.biBitCount == 1) {
        // The palette follows the information header as long as that header says it is;
        // longer headers (V4, V5) are common, and a shorter one cannot be a 40-byte header.
        const std::uint64_t at =
            kFileHeaderSize + std::max<std::uint64_t>(infoHeader.biSize, kInfoHeaderSize);
        if (bytes.size() < at + kPaletteSize) {
            return TooShort();
        }
        check.palette[0] = ParseQuad(bytes.data() + at);
        check.palette[1] = ParseQuad(bytes.data() + at + 4);
    }
    check.headersRead = true;
    const bool accepted =
        infoHeader.biHeight == height && infoHeader.biWidth == width && infoHeader.biBitCount == 1;
    check.verdict = accepted ? BitmapVerdict::Accepted : BitmapVerdict::Rejected;
    return check;
}

std::uint64_t PixelDataEnd(const BITMAPFILEHEADER& fileHeader, const BITMAPINFOHEADER& info) {
    constexpr std::uint64_t kNever = std::numeric_limits<std::uint64_t>::max();
    const std::uint64_t width =
        static_cast<std::uint64_t>(std::abs(static_cast<long long>(info.biWidth)));
    const std::uint64_t height =
        static_cast<std::uint64_t>(std::abs(static_cast<long long>(info.biHeight)));
    const std::uint64_t bits = static_cast<std::uint16_t>(info.biBitCount);
    const std::uint64_t rowBytes = (width * bits + 31) / 32 * 4; // rows are padded to 4 bytes
    if (height != 0 && rowBytes > (kNever - fileHeader.bfOffBits) / height) {
        return kNever; // no file is that long
    }
    return fileHeader.bfOffBits + rowBytes * height;
}

std::string ColourDepthText(const BITMAPINFOHEADER& infoHeader) {
    const int bits = infoHeader.biBitCount;
    const std::string colours =
        bits >= 0 && bits < 63 ? std::to_string(1ULL << bits) : std::string("too many");
    return std::to_string(bits) + " Bits " + " (" + colours + " Colors)";
}

std::string RejectionText(int width, int height) {
    if (width == kPanelWidth && height == kPanelHeight) {
        return std::string(kRejectionText);
    }
    return "Picture Resolution is limit to " + std::to_string(width) + " x " +
           std::to_string(height) + " pixels (Width x Height) and \r\n2 Colors Bitmap.";
}

std::string RejectionTextOneLine(int width, int height) {
    std::string text = RejectionText(width, height);
    text.erase(text.find("\r\n"), 2);
    return text;
}

std::span<const std::uint8_t> AsBytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

} // namespace pelmora
