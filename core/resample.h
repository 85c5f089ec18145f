#pragma once

#include "core/prepare.h"

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

// Turned clockwise by rotate degrees (a multiple of 90), then mirrored: horizontal swaps
// left and right, vertical swaps top and bottom.
RgbaPicture Turned(RgbaPicture picture, int rotate, Mirror mirror);

// The part of picture that placement shows, at its size on the panel: each pixel the
// average of the source area it covers, weighted by how much of each source pixel lies in
// it, colours weighted by their alpha as well (so a transparent pixel lends no colour).
// Exact: one division a channel, rounded to nearest. Not resampled at all when the part
// is already its size on the panel.
RgbaPicture ShownPart(const RgbaPicture& picture, const Placement& placement);

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

// The EXIF orientation (1 to 8) that an "Exif\0\0" APP1 payload states; 1 when it states
// none, or none that can be read.
int ExifOrientation(std::span<const std::uint8_t> app1);

// picture turned upright as EXIF orientation says (the way a photo viewer shows it).
RgbaPicture Upright(RgbaPicture picture, int orientation);

std::optional<Mirror> MirrorNamed(std::string_view name);

} // namespace pelmora
