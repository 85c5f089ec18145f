#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace pelmora {

// An animated GIF of frames that share one palette of four colours, made by giflib's
// encoder in memory: the caller writes the bytes where it wants them.
struct GifAnimation {
    int width = 0;
    int height = 0;
    std::array<std::uint32_t, 4> palette{}; // 0xRRGGBB
    int frames = 0;
    // Frame n's delay in milliseconds (stored in centiseconds, rounded to nearest).
    std::function<int(int n)> delayMs;
    // Row y of frame n: width palette indices, 0 to 3.
    std::function<void(int n, int y, std::uint8_t* indices)> row;
};

struct EncodedGif {
    std::string bytes;
    std::string error;
    bool ok() const { return error.empty(); }
};

// The whole file, looping for ever.
EncodedGif EncodeGif(const GifAnimation& animation);

} // namespace pelmora
