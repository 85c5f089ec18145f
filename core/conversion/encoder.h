#pragma once

#include "core/conversion/conversion_state.h"
#include "core/panel/mono_picture.h"
#include "core/panel/panel_layout.h"
#include "core/syntax/syntax.h"

#include <optional>
#include <string>
#include <string_view>

namespace pelmora {

// What a conversion writes: the panel's layout and the syntax of the text.
struct OutputChoice {
    std::optional<PanelLayout> layout; // unset: the two-halves panel of the state's geometry
    const Syntax* syntax = nullptr;    // null: DB lines
    std::string symbol;                // the name a source syntax gives the data

    PanelLayout layoutFor(const ConversionState& state) const {
        return layout ? *layout : LayoutOfState(state);
    }
    const Syntax& syntaxOrDefault() const { return syntax ? *syntax : DefaultSyntax(); }
};

// The whole conversion in memory: the colour rule picks the on dots (progress 1 to 99 as
// the pixels are examined), the layout packs them into the panel's bytes, the syntax
// writes the bytes as text. Leaves the scan window on the last block and page.
std::string EncodePanelText(ConversionState& state, const PictureSurface& surface,
                            ProgressDisplay& progress, Colour onColour,
                            const OutputChoice& choice = {});

// Receives the text lines of the file in order, without line ends. Returns false to stop.
class LineSink {
  public:
    virtual ~LineSink() = default;
    virtual bool writeLine(std::string_view line) = 0;
};

// The DB lines of the state's panel handed to sink one by one, with one empty line
// between the halves. Returns false when the sink refused a line.
bool EncodePageMode(ConversionState& state, const PictureSurface& surface,
                    ProgressDisplay& progress, Colour onColour, LineSink& sink);

struct WriteOutcome {
    bool ok = false;
    std::string reason; // why the file could not be written
};

// Encodes the picture into the file at state.outputPath. The file is replaced only
// once it is complete; then progress shows "100" and resultFlag becomes Succeeded.
// On failure the previous file is untouched and resultFlag is Failed.
WriteOutcome WritePageModeFile(ConversionState& state, const PictureSurface& surface,
                               ProgressDisplay& progress, Colour onColour, ResultFlag& resultFlag,
                               const OutputChoice& choice = {});

} // namespace pelmora
