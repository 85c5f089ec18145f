#include "core/bmp/bmp_writer.h"

namespace pelmora {

namespace {

void Put(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>(value >> (8 * i) & 0xFF);
    }
}

} // namespace

std::string EncodeMonoBmp(const MonoPicture& picture) {
    const auto width = static_cast<std::uint32_t>(picture.width);
    const auto height = static_cast<std::uint32_t>(picture.height);
    const std::uint32_t rowBytes = (width + 31) / 32 * 4;
    const std::uint32_t offset = 14 + 40 + 8;
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
    Put(out, 1, 2);
    Put(out, 0, 4);
    Put(out, rowBytes * height, 4);
    Put(out, 3780, 4); // 96 dots per inch
    Put(out, 3780, 4);
    Put(out, 2, 4);
    Put(out, 0, 4);
    Put(out, 0x000000, 4); // entry 0: black, on
    Put(out, 0xFFFFFF, 4); // entry 1: white, off
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

} // namespace pelmora
