#pragma once

#include <string>
#include <string_view>

namespace pelmora {

// The first glyph of a BDF font whose BITMAP rows do not fill its BBX: fewer or more rows
// than its height, a row that is not hex or is too short for its width, dots outside the
// box; or whose DWIDTH moves the pen backwards. FreeType's BDF reader pads and cuts such
// rows and makes such an advance 0 without a word; this reads the text as Adobe's Glyph
// Bitmap Distribution Format describes it.
struct BdfFault {
    bool found = false;
    long code = -1;   // the glyph's ENCODING; -1 where it has none
    std::string name; // its STARTCHAR name
    std::string reason;
};
BdfFault CheckBdfRows(std::string_view text);

} // namespace pelmora
