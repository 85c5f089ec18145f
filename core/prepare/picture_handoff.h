#pragma once

#include "core/prepare/prepare.h"

#include <optional>
#include <string>
#include <string_view>

namespace pelmora {

// What pelmora-picture hands pelmora-cli through a pipe: the line "PELMORA-RGBA 1", the
// placement as eight numbers on one line (sourceX sourceY sourceWidth sourceHeight panelX
// panelY width height), then the shown part, width x height RGBA pixels, row by row.
// Both sides use these two functions, so that the form is written down once.

// The two lines before the pixels, each ending in a newline.
std::string PictureHandoffHeader(const Placement& placement);

struct PictureHandoff {
    Placement placement;
    RgbaPicture shown;
};

// The helper's whole answer for a panelWidth x panelHeight panel. Refused (nullopt): another
// first line, numbers that are missing, extra, not whole or negative, a shown part that
// does not lie on the panel, or pixel bytes other than width x height x 4.
std::optional<PictureHandoff> ParsePictureHandoff(std::string_view answer, int panelWidth,
                                                  int panelHeight);

} // namespace pelmora
