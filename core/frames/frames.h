#pragma once

#include "core/panel/panel_layout.h"
#include "core/syntax/syntax.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

// Frames: several panels of one size in one output, each with the time it stays shown,
// for firmware that plays an animation. Every frame is packed in the panel's layout, the
// frames one after another; the text syntaxes add a table of delays and a mark that tells
// the frames apart when the file is read back.

// Delays are stored as 16-bit numbers of milliseconds.
constexpr int kMaxFrameDelayMs = 65535;

struct PanelFrame {
    std::vector<std::uint8_t> bytes; // the panel's bytes, in its layout
    int delayMs = 0;
    std::string source; // where it came from, for a comment ("spin.gif frame 3")
};

// Appends frame to frames. With mergeRepeats, a frame whose bytes equal the last one's is
// not appended: its delay is added to that frame's. An error when a delay (or a merged
// sum) is over kMaxFrameDelayMs, naming the frame.
std::string AddFrame(std::vector<PanelFrame>& frames, PanelFrame frame, bool mergeRepeats);

// Whether the syntax can hold frames (every one but xbm, whose file is one picture).
bool HoldsFrames(const Syntax& syntax);
// Whether its frames text carries the frames mark: bin and ihex hold the bytes alone.
bool MarksFrames(const Syntax& syntax);

// The frames as a text of the syntax: c and arduino a two-dimensional array and an array
// of delays; gas, asm and db a label (db: a comment) per frame and a table of delays; bin
// and ihex the bytes alone, without delays. Empty with error for xbm, or frames of
// another size than the layout's.
struct FramesText {
    std::string text;
    std::string error;
    bool ok() const { return error.empty(); }
};
FramesText WriteFramesText(const Syntax& syntax, const PanelLayout& layout,
                           std::span<const PanelFrame> frames, std::string_view symbol);

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

// The same text as WriteFramesText, handed to sink as it is made: memory does not grow
// with the frame count (but for ihex, whose records are made from all the bytes at once).
// An error, before anything is written, for what WriteFramesText refuses; "the text could
// not be written" when sink refused a piece.
std::string WriteFrames(const Syntax& syntax, const PanelLayout& layout, FrameSource& frames,
                        std::string_view symbol, const TextSink& sink);

// A frames file read back.
struct ReadFrames {
    std::optional<PanelLayout> layout; // as the text states it, if it does
    std::vector<PanelFrame> frames;    // bytes and delays (source empty)
    bool delays = false;               // whether the file stores delays (bin and ihex do not)
    std::string error;                 // "line N: ..." or what does not add up
};

// Whether text carries the frames mark that the text syntaxes write.
bool ClaimsFrames(std::string_view text);

// The syntax a frames text is written in, from its content and name as SyntaxOfText tells
// it; but the DB text of frames, which opens with comments as assembler text does, has no
// labels and so no table of delays.
const Syntax& FramesSyntaxOfText(std::string_view text, std::string_view fileName = {});

// Reads frames of the syntax. Bin and ihex, which carry no geometry, are cut into frames
// of fallback's size; a byte count that is no whole number of frames is an error.
ReadFrames ReadFramesText(std::string_view text, const Syntax& syntax, const PanelLayout& fallback);

} // namespace pelmora
