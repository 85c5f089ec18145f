#include "core/bmp/bmp_writer.h"

namespace pelmora {

namespace {

void Put(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>(value >> (8 * i) & 0xFF);
    }
}

// The file header, the info header and the palette of a bottom-up indexed BMP whose rows
// are rowBytes long.
std::string IndexedHead(std::uint32_t width, std::uint32_t height, std::uint16_t bits,
                        std::uint32_t rowBytes, std::span<const std::uint32_t> palette) {
    const auto colours = static_cast<std::uint32_t>(palette.size());
    const std::uint32_t offset = 14 + 40 + 4 * colours;
    std::string out;
    out.reserve(offset + rowBytes * height);
    out += "BM";
    Put(out, offset + rowBytes * height, 4);
    Put(out, 0, 4);
    Put(out, offset, 4);
    Put(out, 40, 4);
    Put(out, width, 4);
    Put(out, height, 4); // bottom-up
    Put(out, 1, 2);
    Put(out, bits, 2);
    Put(out, 0, 4);
    Put(out, rowBytes * height, 4);
    Put(out, 3780, 4); // 96 dots per inch
    Put(out, 3780, 4);
    Put(out, colours, 4);
    Put(out, 0, 4);
    for (const std::uint32_t colour : palette) {
        Put(out, colour & 0xFFFFFFU, 4); // blue, green, red, 0
    }
    return out;
}

} // namespace

std::string EncodeMonoBmp(const MonoPicture& picture) {
    const auto width = static_cast<std::uint32_t>(picture.width);
    const auto height = static_cast<std::uint32_t>(picture.height);
    const std::uint32_t rowBytes = (width + 31) / 32 * 4;
    constexpr std::uint32_t kPalette[] = {0x000000, 0xFFFFFF}; // black on, white off
    std::string out = IndexedHead(width, height, 1, rowBytes, kPalette);
    for (int y = picture.height - 1; y >= 0; --y) {
        std::string row(rowBytes, '\0');
        for (int x = 0; x < picture.width; ++x) {
            if (!picture.at(x, y)) {
                row[static_cast<std::size_t>(x) / 8] |= static_cast<char>(0x80 >> (x % 8));
            }
        }
        out += row;
    }
    return out;
}

std::string EncodeIndexedBmp(int width, int height, std::span<const std::uint8_t> indices,
                             std::span<const std::uint32_t> palette) {
    if (width < 1 || height < 1 || palette.empty() || palette.size() > 16 ||
        indices.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        return {};
    }
    for (const std::uint8_t index : indices) {
        if (index >= palette.size()) {
            return {};
        }
    }
    const auto columns = static_cast<std::uint32_t>(width);
    const std::uint32_t rowBytes = (columns * 4 + 31) / 32 * 4;
    std::string out =
        IndexedHead(columns, static_cast<std::uint32_t>(height), 4, rowBytes, palette);
    for (int y = height - 1; y >= 0; --y) {
        std::string row(rowBytes, '\0');
        for (int x = 0; x < width; ++x) {
            const std::uint8_t index =
                indices[static_cast<std::size_t>(y) * columns + static_cast<std::size_t>(x)];
            row[static_cast<std::size_t>(x) / 2] |=
                static_cast<char>(x % 2 == 0 ? index << 4 : index);
        }
        out += row;
    }
    return out;
}

} // namespace pelmora
