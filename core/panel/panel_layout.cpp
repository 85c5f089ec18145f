#include "core/panel/panel_layout.h"

#include <algorithm>

namespace pelmora {

ByteWalk::ByteWalk(const PanelLayout& layout, std::size_t index)
    : width_(layout.width), height_(layout.height), rows_(layout.arrangement == Arrangement::Rows),
      blockColumns_(layout.blockColumns()) {
    if (rows_) {
        const auto perRow = static_cast<std::size_t>(layout.rowBytes());
        const int x = static_cast<int>(index % perRow) * 8;
        dots_ = {x, static_cast<int>(index / perRow), 1, 0, std::min(8, width_ - x)};
        return;
    }
    const std::size_t blockBytes = layout.blockBytes();
    const auto columns = static_cast<std::size_t>(blockColumns_);
    const auto block = static_cast<int>(index / blockBytes);
    const std::size_t inBlock = index % blockBytes;
    const int y = static_cast<int>(inBlock / columns) * kPageHeight;
    blockStart_ = block * blockColumns_;
    const int x = blockStart_ + static_cast<int>(inBlock % columns);
    dots_ = {x, y, 0, 1, std::min(kPageHeight, height_ - y)};
}

void ByteWalk::next() {
    if (rows_) {
        dots_.x += 8;
        if (dots_.x >= width_) {
            dots_.x = 0;
            ++dots_.y;
        }
        dots_.count = std::min(8, width_ - dots_.x);
        return;
    }
    ++dots_.x;
    if (dots_.x == blockStart_ + blockColumns_) {
        dots_.x = blockStart_;
        dots_.y += kPageHeight;
        if (dots_.y >= height_) {
            dots_.y = 0;
            blockStart_ += blockColumns_;
            dots_.x = blockStart_;
        }
    }
    dots_.count = std::min(kPageHeight, height_ - dots_.y);
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
