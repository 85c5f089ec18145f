#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace pelmora {

// An indexed PNG of up to four colours, two bits a pixel, compressed with zlib as its rows
// are made: memory stays at one row and zlib's window whatever the picture's size.
struct PngPicture {
    int width = 0;
    int height = 0;
    std::array<std::uint32_t, 4> palette{}; // 0xRRGGBB
    // Fills row y: one palette index (0 to 3) per pixel, width entries.
    std::function<void(int y, std::uint8_t* indices)> row;
};

// The largest side written; show refuses a larger picture before making it.
constexpr int kMaxPngSide = 65535 * 4 - 4;

// Hands the encoded file to sink piece by piece; stops at the first piece the sink
// refuses (or at zlib failing for want of memory) and returns false.
bool WritePng(const PngPicture& picture, const std::function<bool(std::string_view)>& sink);

} // namespace pelmora
