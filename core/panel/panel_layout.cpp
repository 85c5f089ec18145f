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

std::size_t PanelLayout::maskBytes() const {
    PanelLayout mono = *this;
    mono.depth = 1;
    return mono.planeBytes();
}

std::size_t PanelLayout::byteCount() const {
    switch (mask) {
    case MaskForm::Interleaved:
        return 2 + 2 * planeBytes();
    case MaskForm::Plane:
        return planeBytes() * (colours == Colours::None ? 1 : 2) + maskBytes();
    case MaskForm::None:
        break;
    }
    return planeBytes() * (colours == Colours::None ? 1 : 2);
}

std::string CheckLayout(const PanelLayout& layout) {
    const auto inRange = [](int side) {
        return side >= 1 && side <= kMaxPanelSide;
    };
    const std::string most = std::to_string(kMaxPanelSide);
    if (!inRange(layout.width) || !inRange(layout.height)) {
        return "the panel size must be 1 to " + most + " each way";
    }
    if (layout.arrangement == Arrangement::Halves) {
        if (!inRange(layout.blockWidth)) {
            return "the block width must be 1 to " + most;
        }
        if (layout.width % layout.blockWidth != 0) {
            return "a width of " + std::to_string(layout.width) +
                   " is not a whole number of blocks of " + std::to_string(layout.blockWidth) +
                   " columns";
        }
    }
    if (layout.depth != 1 && layout.depth != 2 && layout.depth != kMaxDepth) {
        return "the depth must be 1, 2 or 4 bits a dot";
    }
    if (layout.ramWidth != 0 || layout.xOffset != 0) {
        if (layout.arrangement == Arrangement::Halves) {
            return "a RAM width is for pages, rows or bit planes, not halves";
        }
        if (layout.ramWidth < 0 || layout.ramWidth > kMaxPanelSide || layout.xOffset < 0 ||
            layout.xOffset > kMaxPanelSide) {
            return "the RAM width and the x offset must be 0 to " + most;
        }
        if (layout.xOffset + layout.width > layout.ramColumns()) {
            return "a picture " + std::to_string(layout.width) + " wide at column " +
                   std::to_string(layout.xOffset) + " does not fit a RAM " +
                   std::to_string(layout.ramColumns()) + " columns wide";
        }
    }
    if (layout.colours != Colours::None && layout.depth != 1) {
        return "tri-colour planes are one bit a dot each";
    }
    if (layout.mask == MaskForm::Interleaved) {
        if (layout.arrangement != Arrangement::Pages || layout.bitOrder != BitOrder::Lsb ||
            layout.depth != 1 || layout.colours != Colours::None || layout.ramWidth != 0 ||
            layout.xOffset != 0) {
            return "an interleaved mask goes with one-bit pages, top dot in bit 0";
        }
        if (layout.width > 255 || layout.height > 255) {
            return "an interleaved mask states the size in a byte each: at most 255 x 255";
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
    case Arrangement::BitPlanes:
        return "bitplanes";
    }
    return {};
}

std::string_view NameOf(BitOrder order) {
    return order == BitOrder::Lsb ? "lsb" : "msb";
}

std::string_view NameOf(Colours colours) {
    switch (colours) {
    case Colours::None:
        return "none";
    case Colours::BlackRed:
        return "black-red";
    case Colours::BlackYellow:
        return "black-yellow";
    }
    return {};
}

std::optional<Arrangement> ArrangementNamed(std::string_view name) {
    for (const Arrangement arrangement :
         {Arrangement::Halves, Arrangement::Pages, Arrangement::Rows, Arrangement::BitPlanes}) {
        if (NameOf(arrangement) == name) {
            return arrangement;
        }
    }
    return std::nullopt;
}

std::optional<Colours> ColoursNamed(std::string_view name) {
    for (const Colours colours : {Colours::None, Colours::BlackRed, Colours::BlackYellow}) {
        if (NameOf(colours) == name) {
            return colours;
        }
    }
    return std::nullopt;
}

int TopLevel(const PanelLayout& layout) {
    return layout.colours != Colours::None ? 2 : (1 << layout.depth) - 1;
}

} // namespace pelmora
