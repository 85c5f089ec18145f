#include "core/conversion/encoder.h"

#include "core/io/atomic_text_file.h"
#include "core/io/utf8_path.h"
#include "core/panel/checked_int.h"
#include "core/panel/panel_bytes.h"

#include <utility>

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

std::string SizeText(int width, int height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

} // namespace

EncodedText EncodePanel(const MonoPicture& dots, const PanelLayout& layout, const Syntax& syntax,
                        std::string_view symbol) {
    OutputChoice choice;
    choice.layout = layout;
    choice.syntax = &syntax;
    choice.symbol = std::string(symbol);
    return EncodePanelDots(DotsOf(dots, layout), choice);
}

namespace {

// Why the choice's layout cannot be written in its syntax, or empty.
std::string ChoiceProblem(const OutputChoice& choice, const PanelLayout& layout) {
    std::string invalid = CheckLayout(layout);
    return invalid.empty() ? SyntaxLayoutProblem(choice.syntaxOrDefault(), layout) : invalid;
}

// Bytes of the layout's size, written or packed as the choice asks.
EncodedText WriteChosen(std::span<const std::uint8_t> bytes, const PanelLayout& layout,
                        const OutputChoice& choice) {
    if (!choice.packing.packs()) {
        return {choice.syntaxOrDefault().write(layout, bytes, choice.symbol), {}};
    }
    // A still is one frame: a delta has nothing before it to XOR with.
    if (choice.packing.delta) {
        return {{}, "a single picture has no frame before it to take a delta from"};
    }
    const PackedText packed = WritePackedPicture(choice.syntaxOrDefault(), layout, bytes,
                                                 choice.symbol, choice.packing.scheme);
    return {packed.text, packed.error};
}

} // namespace

EncodedText EncodePanelDots(const PanelDots& dots, const OutputChoice& choice) {
    const PanelLayout layout = choice.panel();
    if (std::string invalid = ChoiceProblem(choice, layout); !invalid.empty()) {
        return {{}, std::move(invalid)};
    }
    if (dots.width != layout.width || dots.height != layout.height) {
        return {{},
                "the picture is " + SizeText(dots.width, dots.height) + " dots, the panel " +
                    SizeText(layout.width, layout.height)};
    }
    const std::vector<std::uint8_t> bytes = PackDots(dots, layout);
    if (bytes.size() != layout.byteCount()) {
        return {{}, "the dots do not fit the panel's levels, planes or mask"};
    }
    return WriteChosen(bytes, layout, choice);
}

EncodedText EncodePanelBytes(std::span<const std::uint8_t> bytes, const OutputChoice& choice) {
    const PanelLayout layout = choice.panel();
    if (std::string invalid = ChoiceProblem(choice, layout); !invalid.empty()) {
        return {{}, std::move(invalid)};
    }
    if (bytes.size() != layout.byteCount()) {
        return {{}, "the bytes are not the panel's " + std::to_string(layout.byteCount())};
    }
    return WriteChosen(bytes, layout, choice);
}

EncodedText EncodePanelText(const PictureSurface& surface, ProgressDisplay& progress,
                            Colour onColour, const OutputChoice& choice) {
    const PanelLayout layout = choice.panel();
    if (surface.pictureWidth() != layout.width || surface.pictureHeight() != layout.height) {
        return {{},
                "the picture is " + SizeText(surface.pictureWidth(), surface.pictureHeight()) +
                    " dots, the panel " + SizeText(layout.width, layout.height)};
    }
    return EncodePanelDots(DotsOf(ChooseOnDots(surface, onColour, progress), layout), choice);
}

WriteOutcome WriteWholeFile(const std::string& path, std::string_view text) {
    AtomicTextFile file(PathFromUtf8(path));
    if (!file.open() || !file.write(text) || !file.commit()) {
        return {file.error().empty() ? std::string("the file could not be written") : file.error()};
    }
    return {};
}

WriteOutcome WritePageModeFile(ConversionState& state, const PictureSurface& surface,
                               ProgressDisplay& progress, Colour onColour, ResultFlag& resultFlag,
                               const OutputChoice& choice) {
    resultFlag = ResultFlag::Failed;
    try {
        const EncodedText encoded = EncodePanelText(surface, progress, onColour, choice);
        if (!encoded.ok()) {
            return {encoded.error};
        }
        LeaveScanWindow(state, choice.panel());
        const WriteOutcome written = WriteWholeFile(state.outputPath, encoded.text);
        if (!written.ok()) {
            return written;
        }
    } catch (const OverflowError& overflow) {
        return {overflow.what()};
    }
    progress.showProgress("100");
    resultFlag = ResultFlag::Succeeded;
    return {};
}

} // namespace pelmora
