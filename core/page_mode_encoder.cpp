#include "core/page_mode_encoder.h"

#include "core/atomic_text_file.h"
#include "core/checked_int.h"
#include "core/lcd_hex_format.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace pelmora {

namespace {

// Pixels per percent, rounded half to even as whole-number arithmetic does (81.92 -> 82).
std::int32_t ProgressStep(const BITMAPINFOHEADER& header) {
    const std::int32_t pixels =
        CheckedInt32(static_cast<long long>(header.biWidth) * header.biHeight);
    return CheckedInt32(static_cast<long long>(std::nearbyint(pixels / 100.0)));
}

class FileSink : public LineSink {
  public:
    explicit FileSink(AtomicTextFile& file) : file_(file) {}
    bool writeLine(std::string_view line) override {
        return file_.write(line) && file_.write(kLineEnd);
    }

  private:
    AtomicTextFile& file_;
};

} // namespace

bool EncodePageMode(ConversionState& state, const PictureSurface& surface,
                    ProgressDisplay& progress, Colour onColour, LineSink& sink) {
    const std::int32_t progressStep = ProgressStep(state.infoHeader);
    // Pixels left until the count is next a whole multiple of the step: the same pixels
    // as "count modulo step is 0", without a division per pixel.
    std::int32_t untilStep = progressStep;
    std::int32_t pixelCount = 0;
    std::int16_t shown = 0;
    std::vector<std::uint8_t> line;
    line.reserve(kBytesPerLine);

    for (int block = 1; block <= state.blockCount; ++block) {
        if (block != 1 && !sink.writeLine({})) {
            return false;
        }
        state.xStart = CheckedInt16(block * kBlockWidth - kBlockWidth);
        state.xEnd = CheckedInt16(state.xStart + kBlockWidth - 1);
        for (int page = 1; page <= state.pageCount; ++page) {
            state.yStart = CheckedInt16(page * kPageHeight - kPageHeight);
            state.yEnd = CheckedInt16(state.yStart + kPageHeight - 1);
            for (int x = state.xStart; x <= state.xEnd; ++x) {
                unsigned byteValue = 0;
                for (int y = state.yStart; y <= state.yEnd; ++y) {
                    pixelCount = CheckedInt32(static_cast<long long>(pixelCount) + 1);
                    if (surface.colourAt(x, y) == onColour) {
                        byteValue |= 1U << (y - state.yStart);
                    }
                    // A picture of under 50 pixels has no whole step; it shows only "100".
                    if (progressStep > 0 && --untilStep == 0) {
                        untilStep = progressStep;
                        if (shown < 100) {
                            shown = CheckedInt16(shown + 1);
                            progress.showProgress(std::to_string(shown));
                        }
                    }
                }
                line.push_back(static_cast<std::uint8_t>(byteValue));
                if (line.size() == kBytesPerLine) {
                    if (!sink.writeLine(FormatDataLine(line))) {
                        return false;
                    }
                    line.clear();
                }
            }
        }
        // Lines never span two blocks: whatever is pending closes the block's last line.
        if (!line.empty()) {
            if (!sink.writeLine(FormatDataLine(line))) {
                return false;
            }
            line.clear();
        }
    }
    return true;
}

WriteOutcome WritePageModeFile(ConversionState& state, const PictureSurface& surface,
                               ProgressDisplay& progress, Colour onColour, ResultFlag& resultFlag) {
    resultFlag = ResultFlag::Failed;
    const std::string& path = state.outputPath;
    AtomicTextFile file(std::filesystem::path(std::u8string(path.begin(), path.end())));
    try {
        FileSink sink(file);
        if (!file.open() || !EncodePageMode(state, surface, progress, onColour, sink) ||
            !file.commit()) {
            return {false, file.error()};
        }
    } catch (const OverflowError& overflow) {
        return {false, overflow.what()};
    }
    progress.showProgress("100");
    resultFlag = ResultFlag::Succeeded;
    return {true, {}};
}

} // namespace pelmora
