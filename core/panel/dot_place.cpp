#include "core/panel/dot_place.h"

#include "core/panel/panel_dots.h"

namespace pelmora {

std::optional<DotAddress> DotPlace(const PanelLayout& layout, int x, int y) {
    if (!CheckLayout(layout).empty() || x < 0 || y < 0 || x >= layout.width || y >= layout.height) {
        return std::nullopt;
    }
    DotAddress place;
    if (!layout.plain()) {
        const LevelPlace level = PlaceOfLevel(layout, x, y);
        const bool rows = layout.arrangement == Arrangement::Rows;
        const int column = layout.arrangement == Arrangement::Halves ? x : x + layout.xOffset;
        place.byte = level.byte;
        place.bit = level.shift;
        place.page = rows ? y : y / layout.pageRows();
        place.block = rows ? 0 : column / layout.pageColumns();
        place.column = rows ? column * layout.depth / 8 : column % layout.pageColumns();
        return place;
    }
    if (layout.arrangement == Arrangement::Rows) {
        place.page = y;
        place.column = x / 8;
        place.byte = static_cast<std::size_t>(y) * static_cast<std::size_t>(layout.rowBytes()) +
                     static_cast<std::size_t>(place.column);
        place.bit = BitOfDot(layout, x % 8);
        return place;
    }
    const int columns = layout.blockColumns();
    place.block = x / columns;
    place.page = y / kPageHeight;
    place.column = x % columns;
    place.byte = static_cast<std::size_t>(place.block) * layout.blockBytes() +
                 static_cast<std::size_t>(place.page) * static_cast<std::size_t>(columns) +
                 static_cast<std::size_t>(place.column);
    place.bit = BitOfDot(layout, y % kPageHeight);
    return place;
}

} // namespace pelmora
