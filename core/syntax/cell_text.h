#pragma once

// A fixed-cell font table as the syntaxes write it: every glyph a small panel of the same
// size, packed by the same walk as a whole panel. core/font makes it from a font.

#include "core/panel/panel_layout.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

struct CellTable {
    PanelLayout cell;                             // each cell's size and packing
    std::vector<std::vector<std::uint8_t>> cells; // each cell's packed bytes, in code order
    std::vector<std::string> names;               // each cell's glyph, "U+0041 'A'"
    std::string summary;                          // "SYMBOL: 95 characters of ...", a comment
    std::optional<char32_t> first;                // the first code, when the codes run on
                                                  // without gaps
};

// The name of cell n, or empty where the table names fewer cells.
std::string_view CellName(const CellTable& table, std::size_t n);

// Every cell's bytes one after another: the table of the syntaxes that hold bytes alone.
std::vector<std::uint8_t> AllCellBytes(const CellTable& table);

} // namespace pelmora
