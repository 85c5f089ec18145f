#include "core/panel_layout.h"

#include <algorithm>

namespace pelmora {

ByteDots DotsOfByte(const PanelLayout& layout, std::size_t index) {
    if (layout.arrangement == Arrangement::Rows) {
        const auto perRow = static_cast<std::size_t>(layout.rowBytes());
        const int x = static_cast<int>(index % perRow) * 8;
        return {x, static_cast<int>(index / perRow), 1, 0, std::min(8, layout.width - x)};
    }
    const std::size_t blockBytes = layout.blockBytes();
    const auto columns = static_cast<std::size_t>(layout.blockColumns());
    const auto block = static_cast<int>(index / blockBytes);
    const std::size_t inBlock = index % blockBytes;
    const int y = static_cast<int>(inBlock / columns) * kPageHeight;
    const int x = block * layout.blockColumns() + static_cast<int>(inBlock % columns);
    return {x, y, 0, 1, std::min(kPageHeight, layout.height - y)};
}

std::string CheckLayout(const PanelLayout& layout) {
    const auto inRange = [](int side) {
        return side >= 1 && side <= kMaxPanelSide;
    };
    if (!inRange(layout.width) || !inRange(layout.height)) {
        return "the panel size must be 1 to 4096 each way";
    }
    if (layout.arrangement == Arrangement::Halves) {
        if (!inRange(layout.blockWidth)) {
            return "the block width must be 1 to 4096";
        }
        if (layout.width % layout.blockWidth != 0) {
            return "a width of " + std::to_string(layout.width) +
                   " is not a whole number of blocks of " + std::to_string(layout.blockWidth) +
                   " columns";
        }
    }
    return {};
}

std::string_view NameOf(Arrangement arrangement) {
    switch (arrangement) {
    case Arrangement::Halves:
        return "halves";
    case Arrangement::Pages:
        return "pages";
    case Arrangement::Rows:
        return "rows";
    }
    return {};
}

std::string_view NameOf(BitOrder order) {
    return order == BitOrder::Lsb ? "lsb" : "msb";
}

} // namespace pelmora
