#pragma once

#include "core/panel/colour.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pelmora {

// The picture to encode: width x height pixels, the colour of column x, row y counted
// from the top-left corner.
class PictureSurface {
  public:
    virtual ~PictureSurface() = default;
    virtual int pictureWidth() const = 0;
    virtual int pictureHeight() const = 0;
    virtual Colour colourAt(int x, int y) const = 0;
    // Sets dots[x] to 1 where row y shows onColour, 0 elsewhere, for a whole row at once;
    // false for a surface that answers pixel by pixel only.
    virtual bool chooseRow(int y, Colour onColour, std::uint8_t* dots) const {
        (void)y;
        (void)onColour;
        (void)dots;
        return false;
    }
};

// Where the percentage goes while a conversion runs; shown at once, not later.
class ProgressDisplay {
  public:
    virtual ~ProgressDisplay() = default;
    virtual void showProgress(const std::string& text) = 0;
};

// width x height dots, each on (1) or off (0), row by row from the top.
struct MonoPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> dots;

    MonoPicture() = default;
    MonoPicture(int w, int h)
        : width(w), height(h), dots(static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {}
    bool at(int x, int y) const { return dots[index(x, y)] != 0; }
    void set(int x, int y, bool on) { dots[index(x, y)] = on ? 1 : 0; }

  private:
    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
               static_cast<std::size_t>(x);
    }
};

// The colour rule: a dot is on where the surface shows onColour, for every pixel of the
// surface. Shows every whole percent of the pixels examined, 1 upwards, never above 100.
MonoPicture ChooseOnDots(const PictureSurface& surface, Colour onColour, ProgressDisplay& progress);

} // namespace pelmora
