#pragma once

#include "core/panel/panel_layout.h"
#include "core/syntax/syntax.h"
#include "core/syntax/syntax_frames.h"

#include <cstdint>
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

// The same text as WriteFramesText, handed to sink as it is made: memory does not grow
// with the frame count (but for ihex, whose records are made from all the bytes at once).
// An error, before anything is written, for what WriteFramesText refuses; "the text could
// not be written" when sink refused a piece.
std::string WriteFrames(const Syntax& syntax, const PanelLayout& layout, FrameSource& frames,
                        std::string_view symbol, const TextSink& sink);

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
