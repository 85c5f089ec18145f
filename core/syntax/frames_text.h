#pragma once

// What the frames writers and readers of this folder's syntaxes share; not for use outside
// core/syntax.

#include "core/syntax/syntax.h"
#include "core/syntax/syntax_frames.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora::frames {

// "spin.gif frame 3, 100 ms".
std::string FrameNote(std::string_view source, int delayMs);

// "pelmora-frames: 12", the mark that follows the geometry line.
std::string FramesMark(std::size_t count);

// The count of the mark in text, if it has one; error set when it is there but unreadable.
std::optional<std::size_t> FindFramesMark(std::string_view text, std::string& error);

// "3 frames of 128 x 64 dots, ...": the description line.
std::string DescribeFrames(const PanelLayout& layout, std::size_t count);

// A file name made fit for a one-line comment of any syntax: no line ends, no "*/".
std::string CommentText(std::string_view text);

// Comma-separated decimal delays, appended to delays; false with error set ("line N:
// ...") for anything else or a value over kMaxFrameDelayMs.
bool ReadDelayList(std::string_view text, long firstLine, std::vector<int>& delays,
                   std::string& error);

// The delays given to the frames read, and the checks every text syntax shares: the count
// the mark states, every frame the panel's size, one delay a frame.
void FinishFrames(ReadFrames& read, std::optional<std::size_t> marked,
                  const std::vector<int>& delays, const PanelLayout& fallback);

// The geometry and the frames mark that open every frames text, into read; the frame
// count the mark states, if it could be read.
std::optional<std::size_t> ReadFramesHeader(std::string_view text, ReadFrames& read);

// The delays in rows of eight: prefix, the values comma-separated, end.
void AppendDelays(std::string& text, std::string_view prefix, const FrameSource& frames,
                  std::string_view end);

// A labelled frames text as it is read: a label starts a frame once values follow it; the
// delays label starts the delays.
struct LabelledFrames {
    ReadFrames read;
    std::vector<int> delays;
    bool newFrame = true;
    bool inDelays = false;

    void label(std::string_view name);
    // Appends the values to the frame; false with read.error set when one cannot be read.
    bool bytes(std::string_view values, long number);
    bool delayValues(std::string_view values, long number);
};

// Labels, comments, bytes and delays, as the assembler texts of frames have them: a label
// starts a frame once values follow it; the delays label starts the delays. code is text
// with its block comments blanked (or text itself), comment the character that starts a
// line comment, byteWords and delayWords the directives (upper-case) of each.
ReadFrames ReadLabelledFrames(std::string_view text, std::string_view code, char comment,
                              std::span<const std::string_view> byteWords,
                              std::span<const std::string_view> delayWords,
                              const PanelLayout& fallback);

// Frames of the bytes alone, as bin and ihex hold them: read cut into frames of fallback's
// size, without delays.
ReadFrames FramesOfBytes(SyntaxText read, const PanelLayout& fallback);

// What C frames, always in program memory, are called besides SYMBOL: nothing else, or the
// X bitmap's names too (SYMBOL_width, SYMBOL_bits[i]). Written and read in c.cpp.
enum class CFrames { Plain, XbmInFlash };
void WriteCFrames(const PanelLayout& layout, FrameSource& frames, std::string_view symbol,
                  CFrames kind, TextOut& out);
ReadFrames ReadCFrames(std::string_view text, const PanelLayout& fallback);

} // namespace pelmora::frames
