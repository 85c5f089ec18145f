#pragma once

#include "core/panel/mono_picture.h"
#include "core/panel/panel_layout.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace pelmora {

// A panel's dots at their levels, row by row from the top: 0 is a white (unlit) dot and
// TopLevel a black one, the greys between growing darker with the level; for tri-colour
// e-paper 0 is white, 1 black and 2 the colour. Where the layout has a mask, opaque holds
// 1 for every dot drawn and 0 for every one left as it was; otherwise it is empty.
struct PanelDots {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> levels;
    std::vector<std::uint8_t> opaque;

    PanelDots() = default;
    PanelDots(int w, int h, bool masked = false)
        : width(w), height(h), levels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h)),
          opaque(masked ? levels.size() : 0, 1) {}
    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
               static_cast<std::size_t>(x);
    }
    int level(int x, int y) const { return levels[index(x, y)]; }
};

// Dots of one bit as levels 0 and 1; and back, any level above 0 being on.
PanelDots DotsOf(const MonoPicture& picture);
// Dots of one bit for a layout: on is black (the top level, or the black plane), every dot
// opaque where the layout has a mask.
PanelDots DotsOf(const MonoPicture& picture, const PanelLayout& layout);
MonoPicture MonoOf(const PanelDots& dots);

// Every byte of the layout in the order it is written: the picture's planes (one, or the
// black then the colour plane), then the mask. None for dots of another size, a level
// above the layout's top, a mask missing or not asked for, or a layout CheckLayout refuses.
std::vector<std::uint8_t> PackDots(const PanelDots& dots, const PanelLayout& layout);

// The dots back from bytes packed by PackDots; missing bytes read as 0 (as unpacked, so
// white where 0 marks ink). Where both e-paper planes mark a dot, it reads as black.
PanelDots UnpackDots(const PanelLayout& layout, std::span<const std::uint8_t> bytes);

// One run of bytes a syntax writes under a name of its own: the symbol with suffix added
// ("", "_black", "_colour", "_mask").
struct PlaneRun {
    std::string_view suffix;
    std::size_t offset = 0;
    std::size_t size = 0;
};

// The runs of a layout's bytes: one for a single plane (an interleaved mask included),
// else one a plane. Their sizes add up to byteCount.
std::vector<PlaneRun> PlaneRuns(const PanelLayout& layout);

// Where the level of dot (x, y) of one plane lies: the byte and the lowest bit of its
// field of depth bits (in bit planes: the first of depth bytes, one bit in each).
struct LevelPlace {
    std::size_t byte = 0;
    int shift = 0;
};
LevelPlace PlaceOfLevel(const PanelLayout& layout, int x, int y);

} // namespace pelmora
