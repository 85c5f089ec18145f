#pragma once

#include "core/conversion_state.h"

#include <string>
#include <string_view>

namespace pelmora {

// The picture to encode: colour of column x, row y, counted from the top-left corner.
class PictureSurface {
  public:
    virtual ~PictureSurface() = default;
    virtual Colour colourAt(int x, int y) const = 0;
};

// Where the percentage goes while a conversion runs; shown at once, not later.
class ProgressDisplay {
  public:
    virtual ~ProgressDisplay() = default;
    virtual void showProgress(const std::string& text) = 0;
};

// Receives the text lines of the file in order, without line ends. Returns false to stop.
class LineSink {
  public:
    virtual ~LineSink() = default;
    virtual bool writeLine(std::string_view line) = 0;
};

// Walks the picture in the panel's page-mode order (left half then right half; page by
// page; column by column; top pixel in bit 0) and hands the data lines to sink, with one
// empty line between the halves. Shows progress 1 to 99 as it goes. Returns false when
// the sink refused a line.
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
                               ProgressDisplay& progress, Colour onColour, ResultFlag& resultFlag);

} // namespace pelmora
