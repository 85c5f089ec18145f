#pragma once

#include "core/conversion_state.h"

#include <cstdint>
#include <istream>
#include <span>
#include <string>
#include <string_view>

namespace pelmora {

// How the preview draws a dot: an "on" dot dark, an "off" dot in the panel's green.
constexpr Colour kOnDotColour = MakeColour(0, 0, 0);
constexpr Colour kOffDotColour = MakeColour(0, 128, 0);

// Receives the panel's dots as they are decoded: on is a dark dot, off a lit one.
class PointSink {
  public:
    virtual ~PointSink() = default;
    virtual void setPoint(int x, int y, bool on) = 0;

    // Eight dots of column x from row top down, bit r of rows being row top + r. A sink
    // that can take a column at once overrides this; by default it is eight points.
    virtual void setColumn(int x, int top, std::uint8_t rows) {
        for (int row = 0; row < 8; ++row) {
            setPoint(x, top + row, (rows >> row & 1) != 0);
        }
    }
};

// Where the next decoded bit lands; kept from one line to the next within a pass.
struct PlotPosition {
    std::int16_t plotBlock = 1;
    std::int16_t plotPage = 1;
    std::int16_t plotX = 0;
    std::int16_t plotY = 0;
};

// Lays decoded bits back onto the panel in page-mode order, the exact inverse of the
// encoder's packing. Uses the state's page and block counts and scan window.
class PageModePlotter {
  public:
    explicit PageModePlotter(ConversionState& state) : state_(state) {}

    void startPass() { position_ = PlotPosition{}; }

    // Draws one column of eight dots per byte, going on from the kept position: bit 0
    // on the page's top row. Once the panel is full, further lines draw nothing.
    void PlotPageModeLine(std::span<const std::uint8_t> bytes, PointSink& sink);

    const PlotPosition& position() const { return position_; }

  private:
    void enterBlock();

    ConversionState& state_;
    PlotPosition position_;
};

struct PlotOutcome {
    bool ok = true;
    std::string error; // names the file or line and what is wrong
};

// One pass over a whole text: every non-empty line is decoded and plotted. Lines may end
// in CR LF or a bare LF, and the last one needs no end. A line that cannot be decoded
// stops the pass; what was drawn before it stays.
PlotOutcome PlotLcdHexText(ConversionState& state, std::istream& text, PointSink& sink);

// The same for the file at path (UTF-8); the error names the file.
PlotOutcome PlotLcdHexFile(ConversionState& state, const std::string& path, PointSink& sink);

} // namespace pelmora
