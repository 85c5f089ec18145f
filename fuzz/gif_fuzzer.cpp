// The readers of convert --frames and show on arbitrary bytes: the GIF reader frame by
// frame (each frame the whole screen, errors one line), and the frames texts of every
// syntax. Screens are read only while the work stays small, so that a header stating a
// large one costs no time.

#include "core/frames/frames.h"
#include "core/syntax/syntax.h"
#include "gif/gif_frames.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pelmora;
    const std::span<const std::uint8_t> bytes(data, size);
    GifFrameReader reader(bytes);
    GifFrame frame;
    long long work = 0;
    while (work < (1LL << 24) && reader.next(frame)) {
        if (frame.screen.rgba.size() != static_cast<std::size_t>(reader.width()) *
                                            static_cast<std::size_t>(reader.height()) * 4 ||
            frame.delayMs < 10 || frame.delayMs > 655350) { // none is 100 ms, never 0
            std::abort();
        }
        work += static_cast<long long>(frame.screen.rgba.size());
    }
    if (reader.error().find('\n') != std::string::npos) {
        std::abort();
    }

    const std::string_view text(reinterpret_cast<const char*>(data), size);
    PanelLayout fallback;
    fallback.width = 16;
    fallback.height = 8;
    fallback.arrangement = Arrangement::Pages;
    for (const Syntax* syntax : Syntaxes()) {
        const ReadFrames read = ReadFramesText(text, *syntax, fallback);
        if (read.error.empty()) {
            const std::size_t panel = read.layout.value_or(fallback).byteCount();
            for (const PanelFrame& one : read.frames) {
                if (one.bytes.size() != panel || one.delayMs < 0 ||
                    one.delayMs > kMaxFrameDelayMs) {
                    std::abort();
                }
            }
        }
    }
    return 0;
}
