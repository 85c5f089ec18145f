#include "core/frames/frames.h"

namespace pelmora {

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
    return syntax.writeFrames != nullptr;
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
                   std::to_string(source.delayMs(i)) + " ms is over " +
                   std::to_string(kMaxFrameDelayMs) + " ms";
        }
    }
    CheckedFrames frames(source, layout.byteCount());
    TextOut out(sink);
    syntax.writeFrames(layout, frames, symbol, out);
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
    return text.find(kFramesMarkWord) != std::string_view::npos;
}

const Syntax& FramesSyntaxOfText(std::string_view text, std::string_view fileName) {
    const Syntax& told = SyntaxOfText(text, fileName);
    if (told.claimsFrames != nullptr && !told.claimsFrames(text)) {
        return DefaultSyntax();
    }
    return told;
}

ReadFrames ReadFramesText(std::string_view text, const Syntax& syntax,
                          const PanelLayout& fallback) {
    if (syntax.readFrames == nullptr) {
        ReadFrames read;
        read.error = "--format " + std::string(syntax.name) + " holds one picture only";
        return read;
    }
    return syntax.readFrames(text, fallback);
}

} // namespace pelmora
