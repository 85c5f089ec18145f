#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

// An indexed PNG of up to 256 colours (two bits a pixel for up to four, four for up to 16,
// else eight), compressed with zlib as its rows are made: memory stays at one row and
// zlib's window whatever the picture's size.
struct PngPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> palette; // 0xRRGGBB, 1 to 256 of them
    std::vector<std::uint8_t> alphas;   // the first colours' opacity; empty: all opaque
    // Fills row y: one palette index per pixel, width entries.
    std::function<void(int y, std::uint8_t* indices)> row;
};

// The largest side written; show refuses a larger picture before making it.
constexpr int kMaxPngSide = 65535 * 4 - 4;

// Hands the encoded file to sink piece by piece; stops at the first piece the sink
// refuses (or at zlib failing for want of memory) and returns false.
bool WritePng(const PngPicture& picture, const std::function<bool(std::string_view)>& sink);

} // namespace pelmora
