#pragma once

#include <cstddef>
#include <string>

namespace pelmora {

// What stopped the making, so that each front end words its own advice.
enum class MakeFault {
    None,
    Input,          // an input could not be read, decoded, prepared or drawn
    NotPanelBitmap, // taken as it is, it is no 1-bit BMP of the panel's size: preparing takes it
    Misuse,         // the options do not fit this input (a sheet of no whole number of cells)
    Written,        // drawn, but the output cannot hold it (a font's glyphs in its format)
};

// A problem about no one input but the asset as a whole.
constexpr std::size_t kAsAWhole = static_cast<std::size_t>(-1);

// Why an asset was not made; empty error when it was.
struct MakeProblem {
    std::string error;
    MakeFault fault = MakeFault::None;
    std::size_t input = kAsAWhole; // which of the paths it is about

    bool ok() const { return error.empty(); }
};

} // namespace pelmora
