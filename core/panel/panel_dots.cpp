#include "core/panel/panel_dots.h"

#include "core/panel/panel_bytes.h"

#include <algorithm>

namespace pelmora {

namespace {

// The shift of field slot (counted from the first dot) in a byte of fields bits wide.
int FieldShift(const PanelLayout& layout, int slot, int bits) {
    return layout.bitOrder == BitOrder::Lsb ? slot * bits : 8 - bits * (slot + 1);
}

PanelLayout OneBit(PanelLayout layout) {
    layout.depth = 1;
    layout.colours = Colours::None;
    layout.mask = MaskForm::None;
    layout.inkIsZero = false;
    return layout;
}

// One plane: the value of every dot (0 to 2^depth - 1) packed at the layout's depth.
std::vector<std::uint8_t> PackPlane(const PanelLayout& layout, int width, int height,
                                    const auto& valueAt) {
    std::vector<std::uint8_t> bytes(layout.planeBytes());
    const int depth = layout.depth;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned value = valueAt(x, y);
            if (value == 0) {
                continue;
            }
            const LevelPlace place = PlaceOfLevel(layout, x, y);
            if (layout.arrangement == Arrangement::BitPlanes) {
                for (int k = 0; k < depth; ++k) { // the top bit of the level first
                    const unsigned bit = value >> (depth - 1 - k) & 1U;
                    bytes[place.byte + static_cast<std::size_t>(k)] |=
                        static_cast<std::uint8_t>(bit << place.shift);
                }
            } else {
                bytes[place.byte] |= static_cast<std::uint8_t>(value << place.shift);
            }
        }
    }
    return bytes;
}

int UnpackLevel(const PanelLayout& layout, std::span<const std::uint8_t> plane, int x, int y) {
    const LevelPlace place = PlaceOfLevel(layout, x, y);
    const auto byteAt = [&plane](std::size_t at) -> unsigned {
        return at < plane.size() ? plane[at] : 0U;
    };
    const int depth = layout.depth;
    if (layout.arrangement == Arrangement::BitPlanes) {
        unsigned value = 0;
        for (int k = 0; k < depth; ++k) {
            value =
                value << 1 | (byteAt(place.byte + static_cast<std::size_t>(k)) >> place.shift & 1U);
        }
        return static_cast<int>(value);
    }
    return static_cast<int>(byteAt(place.byte) >> place.shift & ((1U << depth) - 1U));
}

std::span<const std::uint8_t> Part(std::span<const std::uint8_t> bytes, std::size_t offset,
                                   std::size_t size) {
    if (offset >= bytes.size()) {
        return {};
    }
    return bytes.subspan(offset, std::min(size, bytes.size() - offset));
}

} // namespace

PanelDots DotsOf(const MonoPicture& picture) {
    PanelDots dots;
    dots.width = picture.width;
    dots.height = picture.height;
    dots.levels = picture.dots;
    return dots;
}

PanelDots DotsOf(const MonoPicture& picture, const PanelLayout& layout) {
    PanelDots dots = DotsOf(picture);
    const auto black =
        static_cast<std::uint8_t>(layout.colours != Colours::None ? 1 : TopLevel(layout));
    for (std::uint8_t& level : dots.levels) {
        level = level != 0 ? black : 0;
    }
    if (layout.mask != MaskForm::None) {
        dots.opaque.assign(dots.levels.size(), 1);
    }
    return dots;
}

MonoPicture MonoOf(const PanelDots& dots) {
    MonoPicture picture(dots.width, dots.height);
    for (std::size_t i = 0; i < dots.levels.size() && i < picture.dots.size(); ++i) {
        picture.dots[i] = dots.levels[i] != 0 ? 1 : 0;
    }
    return picture;
}

LevelPlace PlaceOfLevel(const PanelLayout& layout, int x, int y) {
    const int depth = layout.depth;
    if (layout.arrangement == Arrangement::Rows) {
        const int column = x + layout.xOffset;
        const int perByte = 8 / depth;
        return {static_cast<std::size_t>(y) * static_cast<std::size_t>(layout.rowBytes()) +
                    static_cast<std::size_t>(column / perByte),
                FieldShift(layout, column % perByte, depth)};
    }
    const int columns = layout.pageColumns();
    const int column = layout.arrangement == Arrangement::Halves ? x : x + layout.xOffset;
    const int block = column / columns;
    const int page = y / layout.pageRows();
    const int slot = y % layout.pageRows();
    const bool planes = layout.arrangement == Arrangement::BitPlanes;
    const std::size_t perColumn = planes ? static_cast<std::size_t>(depth) : 1;
    return {static_cast<std::size_t>(block) * layout.blockBytes() +
                (static_cast<std::size_t>(page) * static_cast<std::size_t>(columns) +
                 static_cast<std::size_t>(column % columns)) *
                    perColumn,
            FieldShift(layout, slot, planes ? 1 : depth)};
}

std::vector<std::uint8_t> PackDots(const PanelDots& dots, const PanelLayout& layout) {
    const std::size_t count = static_cast<std::size_t>(std::max(dots.width, 0)) *
                              static_cast<std::size_t>(std::max(dots.height, 0));
    const bool masked = layout.mask != MaskForm::None;
    if (!CheckLayout(layout).empty() || dots.width != layout.width ||
        dots.height != layout.height || dots.levels.size() != count ||
        dots.opaque.size() != (masked ? count : 0)) {
        return {};
    }
    const int top = TopLevel(layout);
    if (std::any_of(dots.levels.begin(), dots.levels.end(),
                    [top](std::uint8_t level) { return level > top; })) {
        return {};
    }
    if (layout.plain()) {
        return PackPanel(MonoOf(dots), layout);
    }
    const PanelLayout picture = [&layout] {
        PanelLayout plane = layout;
        plane.colours = Colours::None;
        plane.mask = MaskForm::None;
        plane.inkIsZero = false;
        return plane;
    }();
    std::vector<std::uint8_t> bytes;
    bytes.reserve(layout.byteCount());
    const auto append = [&bytes](const std::vector<std::uint8_t>& plane, bool inverted) {
        for (const std::uint8_t byte : plane) {
            bytes.push_back(inverted ? static_cast<std::uint8_t>(~byte) : byte);
        }
    };
    if (layout.colours == Colours::None) {
        const auto plane = PackPlane(picture, dots.width, dots.height,
                                     [&dots](int x, int y) { return dots.level(x, y); });
        if (layout.mask == MaskForm::Interleaved) {
            const auto mask = PackPlane(picture, dots.width, dots.height, [&dots](int x, int y) {
                return dots.opaque[dots.index(x, y)];
            });
            bytes.push_back(static_cast<std::uint8_t>(dots.width));
            bytes.push_back(static_cast<std::uint8_t>(dots.height));
            for (std::size_t i = 0; i < plane.size(); ++i) {
                bytes.push_back(plane[i]);
                bytes.push_back(mask[i]);
            }
            return bytes;
        }
        append(plane, false);
    } else {
        for (const int ink : {1, 2}) {
            append(
                PackPlane(picture, dots.width, dots.height,
                          [&dots, ink](int x, int y) { return dots.level(x, y) == ink ? 1 : 0; }),
                layout.inkIsZero);
        }
    }
    if (layout.mask == MaskForm::Plane) {
        append(PackPlane(OneBit(picture), dots.width, dots.height,
                         [&dots](int x, int y) { return dots.opaque[dots.index(x, y)]; }),
               false);
    }
    return bytes;
}

PanelDots UnpackDots(const PanelLayout& layout, std::span<const std::uint8_t> bytes) {
    if (!CheckLayout(layout).empty()) {
        return {};
    }
    PanelDots dots(layout.width, layout.height, layout.mask != MaskForm::None);
    PanelLayout picture = layout;
    picture.colours = Colours::None;
    picture.mask = MaskForm::None;
    if (layout.mask == MaskForm::Interleaved) {
        std::vector<std::uint8_t> plane;
        std::vector<std::uint8_t> mask;
        for (std::size_t i = 2; i < bytes.size(); i += 2) {
            plane.push_back(bytes[i]);
            mask.push_back(i + 1 < bytes.size() ? bytes[i + 1] : 0);
        }
        for (int y = 0; y < layout.height; ++y) {
            for (int x = 0; x < layout.width; ++x) {
                dots.levels[dots.index(x, y)] =
                    static_cast<std::uint8_t>(UnpackLevel(picture, plane, x, y));
                dots.opaque[dots.index(x, y)] =
                    static_cast<std::uint8_t>(UnpackLevel(picture, mask, x, y));
            }
        }
        return dots;
    }
    const std::size_t planeBytes = layout.planeBytes();
    const std::size_t planes = layout.colours == Colours::None ? 1 : 2;
    const std::span<const std::uint8_t> first = Part(bytes, 0, planeBytes);
    const std::span<const std::uint8_t> second = Part(bytes, planeBytes, planeBytes);
    const std::span<const std::uint8_t> mask = Part(bytes, planeBytes * planes, layout.maskBytes());
    const unsigned flip = layout.inkIsZero ? 1U : 0U;
    for (int y = 0; y < layout.height; ++y) {
        for (int x = 0; x < layout.width; ++x) {
            const std::size_t at = dots.index(x, y);
            if (planes == 1) {
                dots.levels[at] = static_cast<std::uint8_t>(UnpackLevel(picture, first, x, y));
            } else {
                const auto inked = [&](std::span<const std::uint8_t> plane) {
                    const std::size_t place = PlaceOfLevel(picture, x, y).byte;
                    return place < plane.size() &&
                           (static_cast<unsigned>(UnpackLevel(picture, plane, x, y)) ^ flip) != 0;
                };
                dots.levels[at] = inked(first) ? 1 : (inked(second) ? 2 : 0);
            }
            if (layout.mask == MaskForm::Plane) {
                dots.opaque[at] =
                    static_cast<std::uint8_t>(UnpackLevel(OneBit(picture), mask, x, y));
            }
        }
    }
    return dots;
}

std::vector<PlaneRun> PlaneRuns(const PanelLayout& layout) {
    if (layout.mask == MaskForm::Interleaved) {
        return {{"", 0, layout.byteCount()}};
    }
    std::vector<PlaneRun> runs;
    std::size_t at = 0;
    if (layout.colours == Colours::None) {
        runs.push_back({"", at, layout.planeBytes()});
    } else {
        runs.push_back({"_black", at, layout.planeBytes()});
        runs.push_back({"_colour", at += layout.planeBytes(), layout.planeBytes()});
    }
    at += layout.planeBytes();
    if (layout.mask == MaskForm::Plane) {
        runs.push_back({"_mask", at, layout.maskBytes()});
    }
    return runs;
}

} // namespace pelmora
