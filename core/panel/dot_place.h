#pragma once

#include "core/panel/panel_layout.h"

#include <cstddef>
#include <optional>

namespace pelmora {

// Where one dot lives in a panel's bytes: the byte in output order and its bit, with the
// block (a controller half), the page (8-row band; in rows, the row) and the column (in
// rows, the byte within the row) that name it the way the panel's manual does.
struct DotAddress {
    std::size_t byte = 0;
    int bit = 0;
    int block = 0;
    int page = 0;
    int column = 0;

    bool operator==(const DotAddress&) const = default;
};

// The address of the dot at (x, y), or nothing outside the panel or for a layout that
// CheckLayout refuses. The inverse of ByteWalk, without walking.
std::optional<DotAddress> DotPlace(const PanelLayout& layout, int x, int y);

} // namespace pelmora
