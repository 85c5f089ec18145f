#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace pelmora {

// An indexed PNG of up to four colours, two bits a pixel, written row by row without
// compression: each row goes out as its own IDAT chunk holding one stored deflate block,
// so memory stays at one row whatever the picture's size.
struct PngPicture {
    int width = 0;
    int height = 0;
    std::array<std::uint32_t, 4> palette{}; // 0xRRGGBB
    // Fills row y: one palette index (0 to 3) per pixel, width entries.
    std::function<void(int y, std::uint8_t* indices)> row;
};

// The largest side written: a row must fit one stored deflate block.
constexpr int kMaxPngSide = 65535 * 4 - 4;

// Hands the encoded file to sink piece by piece; stops at the first piece the sink
// refuses and returns false.
bool WritePng(const PngPicture& picture, const std::function<bool(std::string_view)>& sink);

} // namespace pelmora
