#include "support/test_pictures.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include <sys/stat.h>

namespace pelmora::test {

namespace {

void PutU16(std::string& out, unsigned value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8 & 0xFF);
}

void PutU32(std::string& out, std::uint32_t value) {
    PutU16(out, value & 0xFFFF);
    PutU16(out, value >> 16);
}

void PutQuad(std::string& out, RGBQUAD quad) {
    out += static_cast<char>(quad.rgbBlue);
    out += static_cast<char>(quad.rgbGreen);
    out += static_cast<char>(quad.rgbRed);
    out += static_cast<char>(quad.rgbReserved);
}

} // namespace

Picture MakePicture(const std::function<bool(int x, int y)>& isOne) {
    Picture picture;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            picture.set(x, y, isOne(x, y) ? 1 : 0);
        }
    }
    return picture;
}

Picture RandomPicture(unsigned seed) {
    std::mt19937 random(seed);
    return MakePicture([&](int, int) { return random() % 2 == 1; });
}

std::string EncodeBmp(const Picture& picture, const BmpLayout& layout) {
    const int rows = layout.height < 0 ? -layout.height : layout.height;
    const int bits = layout.bitCount > 0 ? layout.bitCount : 1;
    const std::size_t rowBytes = (static_cast<std::size_t>(layout.width) * bits + 31) / 32 * 4;
    const std::uint32_t paletteBytes = layout.bitCount == 1 ? 8 : 0;
    const std::uint32_t offset = 14 + layout.headerSize + paletteBytes;

    std::string pixels;
    for (int row = 0; row < rows; ++row) {
        // Bottom-up unless the height is negative.
        const int y = layout.height < 0 ? row : rows - 1 - row;
        std::string line(rowBytes, '\0');
        for (int x = 0; x < layout.width && layout.bitCount == 1; ++x) {
            if (y < picture.height && x < picture.width && picture.at(x, y)) {
                line[x / 8] = static_cast<char>(line[x / 8] | 0x80 >> (x % 8));
            }
        }
        pixels += line;
    }

    std::string file;
    file += layout.type[0];
    file += layout.type[1];
    PutU32(file, offset + static_cast<std::uint32_t>(pixels.size()));
    PutU32(file, 0);
    PutU32(file, offset);
    PutU32(file, layout.headerSize);
    PutU32(file, static_cast<std::uint32_t>(layout.width));
    PutU32(file, static_cast<std::uint32_t>(layout.height));
    PutU16(file, layout.planes);
    PutU16(file, static_cast<std::uint16_t>(layout.bitCount));
    PutU32(file, 0);                                         // uncompressed
    PutU32(file, static_cast<std::uint32_t>(pixels.size())); // image size
    PutU32(file, 3780);                                      // 96 dots per inch
    PutU32(file, 3780);
    PutU32(file, paletteBytes / 4);
    PutU32(file, 0);
    file.resize(14 + std::max<std::uint32_t>(layout.headerSize, 40), '\0');
    if (layout.bitCount == 1) {
        PutQuad(file, layout.entry0);
        PutQuad(file, layout.entry1);
    }
    return file + pixels;
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string ExpectedLcdText(const Picture& picture, std::uint8_t onIndex) {
    std::string text;
    for (int block = 0; block < 2; ++block) {
        if (block == 1) {
            text += "\r\n";
        }
        std::vector<std::uint8_t> bytes(512);
        for (int k = 0; k < 512; ++k) {
            const int x = block * 64 + k % 64;
            for (int r = 0; r < 8; ++r) {
                if (picture.at(x, (k / 64) * 8 + r) == onIndex) {
                    bytes[k] |= static_cast<std::uint8_t>(1 << r);
                }
            }
        }
        for (int line = 0; line < 64; ++line) {
            text += "        DB ";
            for (int i = 0; i < 8; ++i) {
                char hex[4];
                std::snprintf(hex, sizeof hex, "%02XH", bytes[line * 8 + i]);
                text += std::string(hex) + (i < 7 ? "," : ";");
            }
            text += "\r\n";
        }
    }
    return text;
}

ScratchFolder::ScratchFolder() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("pelmora-test-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> ScratchFolder::names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

BytePlace PlaceOfDot(const PanelLayout& layout, int x, int y) {
    const bool lsb = layout.bitOrder == BitOrder::Lsb;
    if (layout.arrangement == Arrangement::Rows) {
        return {static_cast<std::size_t>(y * ((layout.width + 7) / 8) + x / 8),
                lsb ? x % 8 : 7 - x % 8};
    }
    const int columns =
        layout.arrangement == Arrangement::Halves ? layout.blockWidth : layout.width;
    const int pages = (layout.height + 7) / 8;
    return {static_cast<std::size_t>(x / columns * columns * pages + y / 8 * columns + x % columns),
            lsb ? y % 8 : 7 - y % 8};
}

char KindOf(const std::filesystem::path& path) {
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0) {
        return '?';
    }
    return S_ISLNK(status.st_mode)    ? 'l'
           : S_ISCHR(status.st_mode)  ? 'c'
           : S_ISFIFO(status.st_mode) ? 'p'
           : S_ISDIR(status.st_mode)  ? 'd'
           : S_ISREG(status.st_mode)  ? '-'
                                      : '?';
}

} // namespace pelmora::test
