#pragma once

// What the frames writers of each syntax share; not for use outside core/frames.

#include "core/frames/frames.h"

#include <optional>
#include <string>
#include <string_view>

namespace pelmora::frames {

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

// Comma-separated decimal delays, appended to read; false with read.error set ("line N:
// ...") for anything else or a value over kMaxFrameDelayMs.
bool ReadDelayList(std::string_view text, long firstLine, std::vector<int>& delays,
                   std::string& error);

// The delays given to the frames read, and the checks every text syntax shares: the count
// the mark states, every frame the panel's size, one delay a frame.
void FinishFrames(ReadFrames& read, std::optional<std::size_t> marked,
                  const std::vector<int>& delays, const PanelLayout& fallback);

// What C frames, always in program memory, are called besides SYMBOL: nothing else, or the
// X bitmap's names too (SYMBOL_width, SYMBOL_bits[i]).
enum class CFrames { Plain, XbmInFlash };

void WriteCFrames(const PanelLayout& layout, FrameSource& frames, std::string_view symbol,
                  CFrames kind, TextOut& out);
ReadFrames ReadCFrames(std::string_view text, const PanelLayout& fallback);

void WriteGasFrames(const PanelLayout& layout, FrameSource& frames, std::string_view symbol,
                    TextOut& out);
ReadFrames ReadGasFrames(std::string_view text, const PanelLayout& fallback);

void WriteAsmFrames(const PanelLayout& layout, FrameSource& frames, std::string_view symbol,
                    TextOut& out);
ReadFrames ReadAsmFrames(std::string_view text, const PanelLayout& fallback);

void WriteDbFrames(const PanelLayout& layout, FrameSource& frames, std::string_view symbol,
                   TextOut& out);
ReadFrames ReadDbFrames(std::string_view text, const PanelLayout& fallback);

} // namespace pelmora::frames
