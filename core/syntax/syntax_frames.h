#pragma once

// What a syntax's frames writer and reader take and give: the frames, where they come from,
// where the text goes, and a frames file read back.

#include "core/panel/panel_layout.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

// What opens the frames mark, "pelmora-frames: 12", that a text syntax's frames carry.
constexpr std::string_view kFramesMarkWord = "pelmora-frames: ";

// Delays are stored as 16-bit numbers of milliseconds.
constexpr int kMaxFrameDelayMs = 65535;

struct PanelFrame {
    std::vector<std::uint8_t> bytes; // the panel's bytes, in its layout
    int delayMs = 0;
    std::string source; // where it came from, for a comment ("spin.gif frame 3")
};

// Where the writer finds the frames: their count, delays and sources up front, and each
// one's bytes when it is written, so that a caller need not hold them all in memory.
class FrameSource {
  public:
    virtual ~FrameSource() = default;
    virtual std::size_t count() const = 0;
    virtual int delayMs(std::size_t n) const = 0;
    virtual std::string_view source(std::size_t n) const = 0;
    // Frame n's bytes, asked for in order, each once; valid until the next call.
    virtual std::span<const std::uint8_t> bytes(std::size_t n) = 0;
};

// Takes the text a piece at a time (64 KiB or so); false stops the writing.
using TextSink = std::function<bool(std::string_view piece)>;

// The text being written: pieces go on to the sink once they are large.
class TextOut {
  public:
    explicit TextOut(const TextSink& sink) : sink_(sink) {}
    std::string text;
    // Hands the text on when it is large, or always when forced; false once the sink refused.
    bool flush(bool force = false);
    bool failed() const { return failed_; }

  private:
    const TextSink& sink_;
    bool failed_ = false;
};

// A frames file read back.
struct ReadFrames {
    std::optional<PanelLayout> layout; // as the text states it, if it does
    std::vector<PanelFrame> frames;    // bytes and delays (source empty)
    bool delays = false;               // whether the file stores delays (bin and ihex do not)
    std::string error;                 // "line N: ..." or what does not add up
};

} // namespace pelmora
