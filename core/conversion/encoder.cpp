#include "core/conversion/encoder.h"

#include "core/conversion/checked_int.h"
#include "core/io/atomic_text_file.h"
#include "core/io/utf8_path.h"
#include "core/panel/panel_bytes.h"

namespace pelmora {

namespace {

// Where the walk ends: the last block's columns and the last page's rows.
void LeaveScanWindow(ConversionState& state, const PanelLayout& layout) {
    const bool rows = layout.arrangement == Arrangement::Rows;
    const int columns = layout.blockColumns();
    state.xStart = CheckedInt16((layout.blockCount() - 1) * columns);
    state.xEnd = CheckedInt16(state.xStart + columns - 1);
    state.yStart = CheckedInt16(rows ? layout.height - 1 : (layout.pageCount() - 1) * kPageHeight);
    state.yEnd = CheckedInt16(rows ? state.yStart : state.yStart + kPageHeight - 1);
}

} // namespace

std::string EncodePanelText(ConversionState& state, const PictureSurface& surface,
                            ProgressDisplay& progress, Colour onColour,
                            const OutputChoice& choice) {
    const PanelLayout layout = choice.layoutFor(state);
    const MonoPicture dots = ChooseOnDots(surface, layout.width, layout.height, onColour, progress);
    const std::vector<std::uint8_t> bytes = PackPanel(dots, layout);
    LeaveScanWindow(state, layout);
    return choice.syntaxOrDefault().write(layout, bytes, choice.symbol);
}

bool EncodePageMode(ConversionState& state, const PictureSurface& surface,
                    ProgressDisplay& progress, Colour onColour, LineSink& sink) {
    const std::string text = EncodePanelText(state, surface, progress, onColour);
    bool accepted = true;
    ForEachLine(text, [&](long, std::string_view line) {
        accepted = sink.writeLine(line);
        return accepted;
    });
    return accepted;
}

WriteOutcome WritePageModeFile(ConversionState& state, const PictureSurface& surface,
                               ProgressDisplay& progress, Colour onColour, ResultFlag& resultFlag,
                               const OutputChoice& choice) {
    resultFlag = ResultFlag::Failed;
    AtomicTextFile file(PathFromUtf8(state.outputPath));
    try {
        const std::string text = EncodePanelText(state, surface, progress, onColour, choice);
        if (!file.open() || !file.write(text) || !file.commit()) {
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
