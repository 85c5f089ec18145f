#pragma once

#include "core/compress/packed_output.h"
#include "core/conversion/conversion_state.h"
#include "core/panel/mono_picture.h"
#include "core/panel/panel_dots.h"
#include "core/panel/panel_layout.h"
#include "core/syntax/syntax.h"

#include <optional>
#include <string>
#include <string_view>

namespace pelmora {

// What a conversion writes: the panel's layout and the syntax of the text.
struct OutputChoice {
    std::optional<PanelLayout> layout; // unset: the 128 x 64 panel of two 64-column halves
    const Syntax* syntax = nullptr;    // null: DB lines
    std::string symbol;                // the name a source syntax gives the data
    Packing packing;                   // none: the panel's bytes as they are

    PanelLayout panel() const { return layout.value_or(PanelLayout{}); }
    const Syntax& syntaxOrDefault() const { return syntax ? *syntax : DefaultSyntax(); }
};

// A panel's text, or why there is none.
struct EncodedText {
    std::string text;
    std::string error;
    bool ok() const { return error.empty(); }
};

// The layout packs the dots into the panel's bytes and the syntax writes them as text. A
// picture whose size is not the layout's, or a layout that cannot be, is refused.
EncodedText EncodePanel(const MonoPicture& dots, const PanelLayout& layout, const Syntax& syntax,
                        std::string_view symbol = {});

// The same for dots at their levels (see PanelDots), in any layout: where the choice packs,
// the bytes are packed as WritePackedPicture writes them.
EncodedText EncodePanelDots(const PanelDots& dots, const OutputChoice& choice);

// The same for the panel's bytes already packed in the choice's layout.
EncodedText EncodePanelBytes(std::span<const std::uint8_t> bytes, const OutputChoice& choice);

// The whole conversion in memory: the colour rule picks the on dots (progress 1 to 99 as
// the pixels are examined), then EncodePanel with the choice's layout and syntax, or the
// panel's bytes packed as WritePackedPicture writes them where the choice packs.
EncodedText EncodePanelText(const PictureSurface& surface, ProgressDisplay& progress,
                            Colour onColour, const OutputChoice& choice = {});

struct WriteOutcome {
    std::string error; // why the file could not be written; empty when it was
    bool ok() const { return error.empty(); }
};

// Writes text to the file at path (UTF-8), replacing it only once the text is complete.
WriteOutcome WriteWholeFile(const std::string& path, std::string_view text);

// The window's conversion: encodes the picture into the file at state.outputPath and leaves
// the scan window on the last block and page. The file is replaced only once it is
// complete; then progress shows "100" and resultFlag becomes Succeeded. On failure the
// previous file is untouched and resultFlag is Failed.
WriteOutcome WritePageModeFile(ConversionState& state, const PictureSurface& surface,
                               ProgressDisplay& progress, Colour onColour, ResultFlag& resultFlag,
                               const OutputChoice& choice = {});

} // namespace pelmora
