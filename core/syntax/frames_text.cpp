#include "core/syntax/frames_text.h"

#include "core/syntax/text_values.h"

#include <algorithm>
#include <charconv>

namespace pelmora {

bool TextOut::flush(bool force) {
    constexpr std::size_t kPiece = 64 * 1024;
    if (failed_ || (!force && text.size() < kPiece)) {
        return !failed_;
    }
    failed_ = !sink_(text);
    text.clear();
    return !failed_;
}

namespace frames {

std::string FramesMark(std::size_t count) {
    return std::string(kFramesMarkWord) + std::to_string(count);
}

std::optional<std::size_t> FindFramesMark(std::string_view text, std::string& error) {
    const std::size_t at = text.find(kFramesMarkWord);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    const char* first = text.data() + at + kFramesMarkWord.size();
    const char* last = text.data() + text.size();
    std::size_t count = 0;
    const auto [end, problem] = std::from_chars(first, last, count);
    if (problem != std::errc() || count == 0) {
        error = "line " + std::to_string(LineAt(text, at)) + ": the frames mark cannot be read";
        return std::nullopt;
    }
    (void)end;
    return count;
}

std::string DescribeFrames(const PanelLayout& layout, std::size_t count) {
    return std::to_string(count) + (count == 1 ? " frame of " : " frames of ") +
           DescribeLayout(layout);
}

std::string CommentText(std::string_view text) {
    std::string safe;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) {
            safe += '?';
        } else if (c == '*' && i + 1 < text.size() && text[i + 1] == '/') {
            safe += "* ";
        } else {
            safe += static_cast<char>(c);
        }
    }
    return safe;
}

std::string FrameNote(std::string_view source, int delayMs) {
    return CommentText(source) + (source.empty() ? "" : ", ") + std::to_string(delayMs) + " ms";
}

bool ReadDelayList(std::string_view text, long firstLine, std::vector<int>& delays,
                   std::string& error) {
    long line = firstLine;
    std::size_t at = 0;
    while (at < text.size()) {
        const char c = text[at];
        if (c == '\n' || c == ' ' || c == '\t' || c == '\r' || c == ',') {
            line += c == '\n' ? 1 : 0;
            ++at;
            continue;
        }
        const std::size_t end = std::min(text.find_first_of(" \t\r\n,", at), text.size());
        const std::string_view token = text.substr(at, end - at);
        int value = 0;
        const auto [stop, problem] =
            std::from_chars(token.data(), token.data() + token.size(), value);
        if (problem != std::errc() || stop != token.data() + token.size() || value < 0 ||
            value > kMaxFrameDelayMs) {
            error = "line " + std::to_string(line) + ": " + CommentText(token.substr(0, 20)) +
                    " is no delay of 0 to " + std::to_string(kMaxFrameDelayMs) + " ms";
            return false;
        }
        delays.push_back(value);
        at = end;
    }
    return true;
}

void FinishFrames(ReadFrames& read, std::optional<std::size_t> marked,
                  const std::vector<int>& delays, const PanelLayout& fallback) {
    if (!read.error.empty()) {
        return;
    }
    read.delays = true;
    if (read.frames.empty()) {
        read.error = "no frame was found";
        return;
    }
    if (marked && *marked != read.frames.size()) {
        read.error = "the file says " + std::to_string(*marked) +
                     (*marked == 1 ? " frame" : " frames") + " but holds " +
                     std::to_string(read.frames.size());
        return;
    }
    if (delays.size() != read.frames.size()) {
        const std::size_t count = read.frames.size();
        read.error = "the file holds " + std::to_string(count) +
                     (count == 1 ? " frame" : " frames") + " but " + std::to_string(delays.size()) +
                     (delays.size() == 1 ? " delay" : " delays");
        return;
    }
    const std::size_t panelBytes = read.layout.value_or(fallback).byteCount();
    for (std::size_t i = 0; i < read.frames.size(); ++i) {
        read.frames[i].delayMs = delays[i];
        if (read.frames[i].bytes.size() != panelBytes) {
            read.error = "frame " + std::to_string(i) + " holds " +
                         std::to_string(read.frames[i].bytes.size()) +
                         " bytes where the panel takes " + std::to_string(panelBytes);
            return;
        }
    }
}

namespace {

constexpr std::size_t kDelaysPerLine = 8;

} // namespace

void AppendDelays(std::string& text, std::string_view prefix, const FrameSource& frames,
                  std::string_view end) {
    for (std::size_t i = 0; i < frames.count(); ++i) {
        text += i % kDelaysPerLine == 0 ? prefix : ",";
        text += std::to_string(frames.delayMs(i));
        if (i % kDelaysPerLine == kDelaysPerLine - 1 || i + 1 == frames.count()) {
            text += end;
        }
    }
}

void LabelledFrames::label(std::string_view name) {
    inDelays = name.ends_with("_delays_ms");
    newFrame = true;
}

bool LabelledFrames::bytes(std::string_view values, long number) {
    if (inDelays) {
        read.error = "line " + std::to_string(number) + ": bytes among the delays";
        return false;
    }
    if (newFrame || read.frames.empty()) {
        read.frames.emplace_back();
        newFrame = false;
    }
    SyntaxText into;
    if (!ReadValueList(values, number, into)) {
        read.error = into.error;
        return false;
    }
    auto& frame = read.frames.back().bytes;
    frame.insert(frame.end(), into.bytes.begin(), into.bytes.end());
    return true;
}

bool LabelledFrames::delayValues(std::string_view values, long number) {
    return ReadDelayList(values, number, delays, read.error);
}

std::optional<std::size_t> ReadFramesHeader(std::string_view text, ReadFrames& read) {
    read.layout = FindGeometry(text, read.error);
    std::string markError;
    const std::optional<std::size_t> marked = FindFramesMark(text, markError);
    if (read.error.empty() && !markError.empty()) {
        read.error = markError;
    }
    return marked;
}

ReadFrames ReadLabelledFrames(std::string_view text, std::string_view code, char comment,
                              std::span<const std::string_view> byteWords,
                              std::span<const std::string_view> delayWords,
                              const PanelLayout& fallback) {
    LabelledFrames labelled;
    const std::optional<std::size_t> marked = ReadFramesHeader(text, labelled.read);
    if (!labelled.read.error.empty()) {
        return labelled.read;
    }
    ForEachLine(code, [&](long number, std::string_view line) {
        line = Trimmed(line.substr(0, line.find(comment)));
        const std::size_t colon = line.find(':');
        if (colon != std::string_view::npos) {
            labelled.label(Trimmed(line.substr(0, colon)));
            line = Trimmed(line.substr(colon + 1));
        }
        if (line.empty() || line.starts_with(".section") || line.starts_with(".global") ||
            line.starts_with(".balign")) {
            return true;
        }
        for (std::string_view word : byteWords) {
            if (StartsWithWord(line, word)) {
                return labelled.bytes(line.substr(word.size()), number);
            }
        }
        for (std::string_view word : delayWords) {
            if (StartsWithWord(line, word)) {
                return labelled.delayValues(line.substr(word.size()), number);
            }
        }
        labelled.read.error =
            "line " + std::to_string(number) + ": only labels, comments, bytes and delays are read";
        return false;
    });
    FinishFrames(labelled.read, marked, labelled.delays, fallback);
    return labelled.read;
}

ReadFrames FramesOfBytes(SyntaxText bytes, const PanelLayout& fallback) {
    ReadFrames read;
    if (!bytes.error.empty()) {
        read.error = bytes.error;
        return read;
    }
    const std::size_t panelBytes = fallback.byteCount();
    if (bytes.bytes.empty() || bytes.bytes.size() % panelBytes != 0) {
        read.error = "its " + std::to_string(bytes.bytes.size()) +
                     " bytes are no whole number of frames of the panel's " +
                     std::to_string(panelBytes);
        return read;
    }
    for (std::size_t at = 0; at < bytes.bytes.size(); at += panelBytes) {
        PanelFrame frame;
        frame.bytes.assign(bytes.bytes.begin() + static_cast<std::ptrdiff_t>(at),
                           bytes.bytes.begin() + static_cast<std::ptrdiff_t>(at + panelBytes));
        read.frames.push_back(std::move(frame));
    }
    return read;
}

} // namespace frames

} // namespace pelmora
