#pragma once

#include "core/panel/mono_picture.h"
#include "core/panel/panel_layout.h"

#include <cstdint>
#include <span>
#include <vector>

namespace pelmora {

// The panel's bytes in the order it takes them; none for a picture of another size or a
// layout that is not plain (PackDots packs those).
std::vector<std::uint8_t> PackPanel(const MonoPicture& picture, const PanelLayout& layout);

// Receives the panel's dots as they are unpacked: on is a dark dot, off a lit one.
class PointSink {
  public:
    virtual ~PointSink() = default;
    virtual void setPoint(int x, int y, bool on) = 0;

    // A dot at its level (see PanelDots), and whether a mask leaves it drawn. A sink that
    // draws greys, colours or masks overrides this; by default a level above 0 is on.
    virtual void setLevel(int x, int y, int level, bool opaque) {
        (void)opaque;
        setPoint(x, y, level != 0);
    }

    // Eight dots of column x from row top down, bit r of rows being row top + r. A sink
    // that can take a column at once overrides this; by default it is eight points.
    virtual void setColumn(int x, int top, std::uint8_t rows) {
        for (int row = 0; row < 8; ++row) {
            setPoint(x, top + row, (rows >> row & 1) != 0);
        }
    }
};

// Lays bytes onto the panel from byte number first on; bytes past the panel's last draw
// nothing. Returns the number of the byte after the last one given. A layout that is not
// plain is unpacked whole from byte 0 (setLevel for every dot), and from any other byte
// draws nothing.
std::size_t UnpackPanel(const PanelLayout& layout, std::size_t first,
                        std::span<const std::uint8_t> bytes, PointSink& sink);

// The whole panel back as a picture.
MonoPicture UnpackPanel(const PanelLayout& layout, std::span<const std::uint8_t> bytes);

} // namespace pelmora
