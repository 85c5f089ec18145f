#include "core/io/png_writer.h"

#include <vector>

namespace pelmora {

namespace {

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1U) != 0 ? 0xEDB88320U ^ (c >> 1) : c >> 1;
        }
        table[n] = c;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();

std::uint32_t Crc(std::uint32_t crc, std::string_view bytes) {
    for (const char byte : bytes) {
        crc = kCrcTable[(crc ^ static_cast<unsigned char>(byte)) & 0xFFU] ^ (crc >> 8);
    }
    return crc;
}

void PutBig32(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out += static_cast<char>((value >> shift) & 0xFFU);
    }
}

// One chunk: length, type, data, CRC of type and data.
std::string Chunk(std::string_view type, std::string_view data) {
    std::string chunk;
    chunk.reserve(data.size() + 12);
    PutBig32(chunk, static_cast<std::uint32_t>(data.size()));
    chunk += type;
    chunk += data;
    PutBig32(chunk, Crc(Crc(0xFFFFFFFFU, type), data) ^ 0xFFFFFFFFU);
    return chunk;
}

} // namespace

bool WritePng(const PngPicture& picture, const std::function<bool(std::string_view)>& sink) {
    if (picture.width < 1 || picture.height < 1 || picture.width > kMaxPngSide ||
        picture.height > kMaxPngSide || !picture.row) {
        return false;
    }
    std::string head("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    PutBig32(header, static_cast<std::uint32_t>(picture.width));
    PutBig32(header, static_cast<std::uint32_t>(picture.height));
    header += std::string("\x02\x03\x00\x00\x00", 5); // depth 2, indexed, no interlace
    head += Chunk("IHDR", header);
    std::string palette;
    for (const std::uint32_t colour : picture.palette) {
        palette += static_cast<char>((colour >> 16) & 0xFFU);
        palette += static_cast<char>((colour >> 8) & 0xFFU);
        palette += static_cast<char>(colour & 0xFFU);
    }
    head += Chunk("PLTE", palette);
    if (!sink(head)) {
        return false;
    }

    const auto width = static_cast<std::size_t>(picture.width);
    const std::size_t rowBytes = 1 + (width + 3) / 4; // the filter byte, then the pixels
    std::vector<std::uint8_t> indices(width);
    std::string data;
    std::uint32_t adlerLow = 1;
    std::uint32_t adlerHigh = 0;
    for (int y = 0; y < picture.height; ++y) {
        const bool last = y + 1 == picture.height;
        data.clear();
        if (y == 0) {
            data += "\x78\x01"; // zlib: deflate, 32 KiB window, no dictionary
        }
        data += static_cast<char>(last ? 1 : 0); // stored block, final on the last row
        const auto length = static_cast<std::uint16_t>(rowBytes);
        data += static_cast<char>(length & 0xFFU);
        data += static_cast<char>(length >> 8);
        data += static_cast<char>(~length & 0xFFU);
        data += static_cast<char>((~length >> 8) & 0xFFU);
        const std::size_t rowStart = data.size();
        data.append(rowBytes, '\0');
        picture.row(y, indices.data());
        for (std::size_t x = 0; x < width; ++x) {
            const auto shift = static_cast<unsigned>(6 - 2 * (x % 4));
            auto& byte = reinterpret_cast<std::uint8_t&>(data[rowStart + 1 + x / 4]);
            byte = static_cast<std::uint8_t>(byte | ((indices[x] & 3U) << shift));
        }
        for (std::size_t i = rowStart; i < data.size(); ++i) {
            adlerLow = (adlerLow + static_cast<unsigned char>(data[i])) % 65521U;
            adlerHigh = (adlerHigh + adlerLow) % 65521U;
        }
        if (last) {
            PutBig32(data, (adlerHigh << 16) | adlerLow);
        }
        if (!sink(Chunk("IDAT", data))) {
            return false;
        }
    }
    return sink(Chunk("IEND", {}));
}

} // namespace pelmora
