#pragma once

#include "core/prepare/prepare.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace pelmora {

// The steps between a decoded picture and the part of it the panel shows: turning and
// scaling, in integer arithmetic, so that they give the same pixels wherever they run.

enum class Mirror { None, Horizontal, Vertical };

// A picture seen turned, its pixels left where they are: each row of the turned picture is
// gathered when it is asked for. Turns compose, so an EXIF orientation and a turn asked
// for cost one gathering and no copy of the picture. Valid while the picture lives.
class TurnedView {
  public:
    explicit TurnedView(const RgbaPicture& picture);

    // This view turned clockwise by rotate degrees (a multiple of 90), then mirrored:
    // horizontal swaps left and right, vertical swaps top and bottom.
    TurnedView turned(int rotate, Mirror mirror) const;
    // This view as EXIF orientation (1 to 8; anything else is 1) says to show it.
    TurnedView upright(int orientation) const;

    int width() const { return width_; }
    int height() const { return height_; }
    bool turnsNothing() const;
    // Where the picture's pixel (x, y) lies in this view: (u0 + ux x + uy y, v0 + vx x + vy y).
    struct Place {
        int u0, ux, uy, v0, vx, vy;
    };
    Place placeInView() const;
    // Row y of the turned picture, width() pixels of 4 bytes, into out.
    void row(int y, std::uint8_t* out) const;
    // The turned picture, made whole.
    RgbaPicture picture() const;

  private:
    // Where pixel (x, y) of the view lies in the picture: (x0 + xx x + xy y, y0 + yx x + yy y).
    struct Map {
        int x0, xx, xy, y0, yx, yy;
    };
    TurnedView after(const Map& step, int width, int height) const;

    const RgbaPicture* picture_;
    int width_;
    int height_;
    Map map_{0, 1, 0, 0, 0, 1};
};

// The part of picture that placement shows, at its size on the panel: each pixel the
// average of the source area it covers, weighted by how much of each source pixel lies in
// it, colours weighted by their alpha as well (so a transparent pixel lends no colour).
// Exact: one division a channel, rounded to nearest. Not resampled at all when the part
// is already its size on the panel.
RgbaPicture ShownPart(const RgbaPicture& picture, const Placement& placement);
RgbaPicture ShownPart(const TurnedView& view, const Placement& placement);

// ShownPart a row at a time, for a decoder that hands its rows on as it makes them: fed
// every row of the source in order (rows outside the shown part are passed over), it holds
// no more than two rows of sums.
class AreaScaler {
  public:
    explicit AreaScaler(const Placement& placement);
    AreaScaler(const AreaScaler&) = delete;
    AreaScaler& operator=(const AreaScaler&) = delete;
    ~AreaScaler();

    // Row y of the source, from its left edge, 4 bytes a pixel (R, G, B, alpha).
    void add(int y, const std::uint8_t* row);
    // The shown part; whole once every row of it was added.
    RgbaPicture take();

  private:
    struct Spans;
    void finishRow(int y);

    Placement placement_;
    std::unique_ptr<Spans> across_;
    std::vector<std::uint64_t> line_;    // the row being added, summed across
    std::vector<std::uint64_t> pending_; // the output row it adds to, until that row is whole
    RgbaPicture shown_;
};

// ShownPart of a turned view of a picture, fed the picture's own rows in order, as a decoder
// hands them on: the picture is never held whole, and the pixels are ShownPart's to the
// last bit (the same integer sums, added in another order). It holds the shown part's sums.
class TurnedAreaScaler {
  public:
    // view: the turn, of a picture of the size the rows will have (its pixels are not read).
    TurnedAreaScaler(const TurnedView& view, const Placement& placement);

    // Row y of the picture before its turn, 4 bytes a pixel (R, G, B, alpha).
    void add(int y, int width, const std::uint8_t* row);
    // The shown part; whole once every row was added.
    RgbaPicture take();

  private:
    // For each pixel of one axis of the shown part, the output pixels it lends to and how
    // much: from start[i] to start[i + 1] in to and weight.
    struct Lends {
        std::vector<int> start;
        std::vector<int> to;
        std::vector<std::uint32_t> weight;
    };
    static Lends LendsOf(int from, int to);

    TurnedView::Place place_;
    Placement placement_;
    Lends across_;
    Lends down_;
    std::vector<std::uint64_t> sums_; // alpha, then the colours times alpha, per output pixel
    RgbaPicture copied_;              // the part itself, where it is not resampled
    std::vector<std::uint64_t> line_; // the row being added, summed along its axis
};

// The EXIF orientation (1 to 8) that an "Exif\0\0" APP1 payload states; 1 when it states
// none, or none that can be read.
int ExifOrientation(std::span<const std::uint8_t> app1);

// picture turned upright as EXIF orientation says (the way a photo viewer shows it).
RgbaPicture Upright(RgbaPicture picture, int orientation);

std::optional<Mirror> MirrorNamed(std::string_view name);

} // namespace pelmora
