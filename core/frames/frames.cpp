#include "core/frames/frames.h"

#include "core/frames/frames_text.h"
#include "core/syntax/syntaxes.h"
#include "core/syntax/text_values.h"

#include <charconv>

namespace pelmora {

namespace frames {

constexpr std::string_view kMarkWord = "pelmora-frames: ";

std::string FramesMark(std::size_t count) {
    return std::string(kMarkWord) + std::to_string(count);
}

std::optional<std::size_t> FindFramesMark(std::string_view text, std::string& error) {
    const std::size_t at = text.find(kMarkWord);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    const char* first = text.data() + at + kMarkWord.size();
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

bool TextOut::flush(bool force) {
    constexpr std::size_t kPiece = 64 * 1024;
    if (failed_ || (!force && text.size() < kPiece)) {
        return !failed_;
    }
    failed_ = !sink_(text);
    text.clear();
    return !failed_;
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
                    " is no delay of 0 to 65535 ms";
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

} // namespace frames

std::string AddFrame(std::vector<PanelFrame>& frames, PanelFrame frame, bool mergeRepeats) {
    const auto tooLong = [](const std::string& which, long long delay) {
        return which + ": a delay of " + std::to_string(delay) + " ms is over " +
               std::to_string(kMaxFrameDelayMs) + " ms";
    };
    if (frame.delayMs < 0 || frame.delayMs > kMaxFrameDelayMs) {
        return tooLong(frame.source, frame.delayMs);
    }
    if (mergeRepeats && !frames.empty() && frames.back().bytes == frame.bytes) {
        const long long sum = static_cast<long long>(frames.back().delayMs) + frame.delayMs;
        if (sum > kMaxFrameDelayMs) {
            return tooLong(frames.back().source + " with the repeats after it", sum);
        }
        frames.back().delayMs = static_cast<int>(sum);
        return {};
    }
    frames.push_back(std::move(frame));
    return {};
}

bool HoldsFrames(const Syntax& syntax) {
    return syntax.holdsFrames;
}

bool MarksFrames(const Syntax& syntax) {
    return HoldsFrames(syntax) && !syntax.binary;
}

namespace {

// Frames held in memory, as a source for the writer.
class HeldFrames : public FrameSource {
  public:
    explicit HeldFrames(std::span<const PanelFrame> frames) : frames_(frames) {}
    std::size_t count() const override { return frames_.size(); }
    int delayMs(std::size_t n) const override { return frames_[n].delayMs; }
    std::string_view source(std::size_t n) const override { return frames_[n].source; }
    std::span<const std::uint8_t> bytes(std::size_t n) override { return frames_[n].bytes; }

  private:
    std::span<const PanelFrame> frames_;
};

// Checks every frame's bytes as the writer takes them.
class CheckedFrames : public FrameSource {
  public:
    CheckedFrames(FrameSource& frames, std::size_t panelBytes)
        : frames_(frames), panelBytes_(panelBytes) {}
    std::size_t count() const override { return frames_.count(); }
    int delayMs(std::size_t n) const override { return frames_.delayMs(n); }
    std::string_view source(std::size_t n) const override { return frames_.source(n); }
    std::span<const std::uint8_t> bytes(std::size_t n) override {
        const std::span<const std::uint8_t> bytes = frames_.bytes(n);
        if (bytes.size() != panelBytes_) {
            wrongSize = wrongSize ? wrongSize : n + 1;
            static constexpr std::uint8_t kNothing[1] = {0};
            return std::span<const std::uint8_t>(kNothing, std::size_t{0});
        }
        return bytes;
    }
    std::size_t wrongSize = 0; // 1 + the first frame of another size, or 0

  private:
    FrameSource& frames_;
    std::size_t panelBytes_;
};

} // namespace

std::string WriteFrames(const Syntax& syntax, const PanelLayout& layout, FrameSource& source,
                        std::string_view symbol, const TextSink& sink) {
    if (!HoldsFrames(syntax)) {
        return "--format " + std::string(syntax.name) + " holds one picture only";
    }
    if (source.count() == 0) {
        return "there is no frame to write";
    }
    for (std::size_t i = 0; i < source.count(); ++i) {
        if (source.delayMs(i) < 0 || source.delayMs(i) > kMaxFrameDelayMs) {
            return "frame " + std::to_string(i) + ": a delay of " +
                   std::to_string(source.delayMs(i)) + " ms is over 65535 ms";
        }
    }
    CheckedFrames frames(source, layout.byteCount());
    frames::TextOut out(sink);
    const SyntaxKind kind = syntax.kind;
    if (kind == SyntaxKind::CHeader || kind == SyntaxKind::XBitmap) {
        frames::WriteCFrames(layout, frames, symbol,
                             kind == SyntaxKind::XBitmap ? frames::CFrames::XbmInFlash
                                                         : frames::CFrames::Plain,
                             out);
    } else if (kind == SyntaxKind::GnuAssembler) {
        frames::WriteGasFrames(layout, frames, symbol, out);
    } else if (kind == SyntaxKind::IntelAssembler) {
        frames::WriteAsmFrames(layout, frames, symbol, out);
    } else if (kind == SyntaxKind::DbLines) {
        frames::WriteDbFrames(layout, frames, symbol, out);
    } else if (kind == SyntaxKind::Binary) {
        for (std::size_t i = 0; i < frames.count() && out.flush(); ++i) {
            const std::span<const std::uint8_t> bytes = frames.bytes(i);
            out.text.append(bytes.begin(), bytes.end());
        }
    } else {
        // Intel HEX records run on across frames: made from all the bytes at once.
        std::vector<std::uint8_t> all;
        all.reserve(layout.byteCount() * frames.count());
        for (std::size_t i = 0; i < frames.count(); ++i) {
            const std::span<const std::uint8_t> bytes = frames.bytes(i);
            all.insert(all.end(), bytes.begin(), bytes.end());
        }
        out.text = syntax.write(layout, all, symbol);
    }
    if (frames.wrongSize != 0) {
        return "frame " + std::to_string(frames.wrongSize - 1) + " is not of the panel's size";
    }
    if (!out.flush(true)) {
        return "the text could not be written";
    }
    return {};
}

FramesText WriteFramesText(const Syntax& syntax, const PanelLayout& layout,
                           std::span<const PanelFrame> frames, std::string_view symbol) {
    HeldFrames held(frames);
    FramesText written;
    written.error = WriteFrames(syntax, layout, held, symbol, [&written](std::string_view piece) {
        written.text += piece;
        return true;
    });
    if (!written.error.empty()) {
        written.text.clear();
    }
    return written;
}

bool ClaimsFrames(std::string_view text) {
    return text.find(frames::kMarkWord) != std::string_view::npos;
}

const Syntax& FramesSyntaxOfText(std::string_view text, std::string_view fileName) {
    const Syntax& told = SyntaxOfText(text, fileName);
    if (told.kind == SyntaxKind::IntelAssembler &&
        text.find("_delays_ms:") == std::string_view::npos) {
        return DefaultSyntax();
    }
    return told;
}

ReadFrames ReadFramesText(std::string_view text, const Syntax& syntax,
                          const PanelLayout& fallback) {
    const SyntaxKind kind = syntax.kind;
    if (HoldsFrames(syntax) && (kind == SyntaxKind::CHeader || kind == SyntaxKind::XBitmap)) {
        return frames::ReadCFrames(text, fallback);
    }
    if (kind == SyntaxKind::GnuAssembler) {
        return frames::ReadGasFrames(text, fallback);
    }
    if (kind == SyntaxKind::IntelAssembler) {
        return frames::ReadAsmFrames(text, fallback);
    }
    if (kind == SyntaxKind::DbLines) {
        return frames::ReadDbFrames(text, fallback);
    }
    ReadFrames read;
    if (!HoldsFrames(syntax)) {
        read.error = "--format " + std::string(syntax.name) + " holds one picture only";
        return read;
    }
    SyntaxText bytes = syntax.read(text);
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

} // namespace pelmora
