#pragma once

#include "core/conversion/conversion_state.h"
#include "core/io/source_file.h"
#include "core/panel/panel_bytes.h"
#include "core/syntax/syntax.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace pelmora {

// How the preview draws a dot: an "on" dot dark, an "off" dot in the panel's green.
constexpr Colour kOnDotColour = MakeColour(0, 0, 0);
constexpr Colour kOffDotColour = MakeColour(0, 128, 0);

struct PlotOutcome {
    std::string error;         // names the file or line and what is wrong; empty when drawn
    std::string shortfall;     // the text was read whole but is no whole panel: how
    bool shortOfPanel = false; // fewer bytes than the panel (more when shortfall is set alone)
    bool ok() const { return error.empty(); }
};

// A panel text read back: its syntax, its layout (as the text states it, else the one
// given) and its bytes as far as they could be read.
struct PanelText {
    const Syntax* syntax = nullptr;
    PanelLayout layout;
    std::vector<std::uint8_t> bytes;
    std::string error; // "line N: ..."; the bytes before it are kept
};

// Reads text in the syntax given, or the one its content (then fileName) tells.
PanelText ReadPanelText(std::string_view text, const PanelLayout& fallback,
                        const Syntax* syntax = nullptr, std::string_view fileName = {});

// Why a text read without error still is no whole panel ("it holds 512 bytes where the 128 x
// 64 panel takes 1024"), or empty when its bytes are exactly the panel's.
std::string WholePanelError(const PanelText& panel);

// One pass over a whole text: read, then plotted onto the panel the text states, else the
// state's two-halves panel. Lines may end in CR LF or a bare LF, and the last one needs no
// end. A line that cannot be read stops the pass; what was drawn before it stays. A text
// short of its panel is drawn as far as it goes, and the outcome says so.
PlotOutcome PlotLcdHexText(ConversionState& state, std::string_view text, PointSink& sink);

// The same for the file at path (UTF-8); the error names the file.
PlotOutcome PlotLcdHexFile(ConversionState& state, const std::string& path, PointSink& sink);
// The same for the file already read from path, as ReadSourceFile left it.
PlotOutcome PlotLcdHexFile(ConversionState& state, const std::string& path,
                           const SourceFile& source, PointSink& sink);

// The same for a file that a conversion wrote: read in the syntax that wrote it (null: told
// from the text), onto the panel it was written for where the text states none. DB lines,
// raw bytes and Intel HEX state no panel, so only the writer's layout draws them right.
PlotOutcome PlotWrittenFile(const std::string& path, const SourceFile& source,
                            const PanelLayout& panel, const Syntax* syntax, PointSink& sink);

} // namespace pelmora
