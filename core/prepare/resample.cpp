#include "core/prepare/resample.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace pelmora {

namespace {

RgbaPicture Blank(int width, int height) {
    RgbaPicture picture;
    picture.width = width;
    picture.height = height;
    picture.rgba.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    return picture;
}

} // namespace

TurnedView::TurnedView(const RgbaPicture& picture)
    : picture_(&picture), width_(picture.width), height_(picture.height) {}

TurnedView TurnedView::after(const Map& step, int width, int height) const {
    TurnedView view = *this;
    view.width_ = width;
    view.height_ = height;
    view.map_ = {map_.x0 + map_.xx * step.x0 + map_.xy * step.y0,
                 map_.xx * step.xx + map_.xy * step.yx,
                 map_.xx * step.xy + map_.xy * step.yy,
                 map_.y0 + map_.yx * step.x0 + map_.yy * step.y0,
                 map_.yx * step.xx + map_.yy * step.yx,
                 map_.yx * step.xy + map_.yy * step.yy};
    return view;
}

TurnedView TurnedView::turned(int rotate, Mirror mirror) const {
    const int w = width_;
    const int h = height_;
    // Each step says where a pixel (x, y) of its result was before it.
    TurnedView view = *this;
    switch (((rotate / 90) % 4 + 4) % 4) {
    case 1: // clockwise: the bottom-left corner comes to the top left
        view = after({0, 0, 1, h - 1, -1, 0}, h, w);
        break;
    case 2:
        view = after({w - 1, -1, 0, h - 1, 0, -1}, w, h);
        break;
    case 3:
        view = after({w - 1, 0, -1, 0, 1, 0}, h, w);
        break;
    default:
        break;
    }
    if (mirror == Mirror::Horizontal) {
        view = view.after({view.width_ - 1, -1, 0, 0, 0, 1}, view.width_, view.height_);
    } else if (mirror == Mirror::Vertical) {
        view = view.after({0, 1, 0, view.height_ - 1, 0, -1}, view.width_, view.height_);
    }
    return view;
}

TurnedView TurnedView::upright(int orientation) const {
    switch (orientation) {
    case 2:
        return turned(0, Mirror::Horizontal);
    case 3:
        return turned(180, Mirror::None);
    case 4:
        return turned(0, Mirror::Vertical);
    case 5: // transposed
        return turned(90, Mirror::Horizontal);
    case 6:
        return turned(90, Mirror::None);
    case 7: // transversed
        return turned(270, Mirror::Horizontal);
    case 8:
        return turned(270, Mirror::None);
    default:
        return *this;
    }
}

bool TurnedView::turnsNothing() const {
    return map_.x0 == 0 && map_.y0 == 0 && map_.xx == 1 && map_.xy == 0 && map_.yx == 0 &&
           map_.yy == 1;
}

void TurnedView::row(int y, std::uint8_t* out) const {
    const std::ptrdiff_t stride = picture_->width;
    const std::uint8_t* pixels = picture_->rgba.data();
    std::ptrdiff_t at =
        (static_cast<std::ptrdiff_t>(map_.y0 + map_.yy * y) * stride + (map_.x0 + map_.xy * y)) * 4;
    const std::ptrdiff_t step = (static_cast<std::ptrdiff_t>(map_.yx) * stride + map_.xx) * 4;
    if (step == 4) {
        std::memcpy(out, pixels + at, static_cast<std::size_t>(width_) * 4);
        return;
    }
    for (int x = 0; x < width_; ++x, at += step, out += 4) {
        std::memcpy(out, pixels + at, 4);
    }
}

TurnedView::Place TurnedView::placeInView() const {
    // The map is a turn and a mirror: its inverse is its transpose.
    const Map& m = map_;
    return {-(m.xx * m.x0 + m.yx * m.y0), m.xx, m.yx, -(m.xy * m.x0 + m.yy * m.y0), m.xy, m.yy};
}

RgbaPicture TurnedView::picture() const {
    RgbaPicture turned = Blank(width_, height_);
    const auto bytes = static_cast<std::size_t>(width_) * 4;
    for (int y = 0; y < height_; ++y) {
        row(y, turned.rgba.data() + bytes * static_cast<std::size_t>(y));
    }
    return turned;
}

RgbaPicture Upright(RgbaPicture picture, int orientation) {
    const TurnedView view = TurnedView(picture).upright(orientation);
    return view.turnsNothing() ? picture : view.picture();
}

// How a run of `from` source pixels maps onto `to` output pixels. Measured in units of
// which a source pixel holds `to` and an output pixel `from`, output pixel i covers
// [i * from, (i + 1) * from) and takes from each source pixel the length of its overlap.
struct AreaScaler::Spans {
    std::vector<int> first; // the first source pixel of each output pixel
    std::vector<int> start; // where its weights begin in weights; one more at the end
    std::vector<std::uint32_t> weights;

    Spans(int from, int to) {
        first.resize(static_cast<std::size_t>(to));
        start.resize(static_cast<std::size_t>(to) + 1);
        for (int i = 0; i < to; ++i) {
            const long long begin = static_cast<long long>(i) * from;
            const long long end = begin + from;
            first[static_cast<std::size_t>(i)] = static_cast<int>(begin / to);
            start[static_cast<std::size_t>(i)] = static_cast<int>(weights.size());
            for (long long s = begin / to; s * to < end; ++s) {
                const long long overlap = std::min(end, (s + 1) * to) - std::max(begin, s * to);
                weights.push_back(static_cast<std::uint32_t>(overlap));
            }
        }
        start[static_cast<std::size_t>(to)] = static_cast<int>(weights.size());
    }
};

AreaScaler::AreaScaler(const Placement& placement)
    : placement_(placement), shown_(Blank(placement.width, placement.height)) {
    if (placement.resampled()) {
        across_ = std::make_unique<Spans>(placement.sourceWidth, placement.width);
        line_.resize(static_cast<std::size_t>(placement.width) * 4);
        pending_.resize(line_.size());
    }
}

AreaScaler::~AreaScaler() = default;

void AreaScaler::add(int y, const std::uint8_t* row) {
    const Placement& p = placement_;
    const int j = y - p.sourceY; // the row within the shown part
    if (j < 0 || j >= p.sourceHeight) {
        return;
    }
    const std::uint8_t* from = row + static_cast<std::size_t>(p.sourceX) * 4;
    if (!p.resampled()) {
        const auto bytes = static_cast<std::size_t>(p.width) * 4;
        std::memcpy(shown_.rgba.data() + bytes * static_cast<std::size_t>(j), from, bytes);
        return;
    }
    // Across: alpha, then red, green and blue times alpha, each weighted by its overlap. A
    // row with no transparency, as most are, is summed without its alpha and the sums
    // multiplied by 255 after: the same numbers, for fewer multiplications.
    std::uint64_t* sum = line_.data();
    std::uint8_t alpha = 255;
    for (int x = 0; x < p.sourceWidth; ++x) {
        alpha &= from[static_cast<std::size_t>(x) * 4 + 3];
    }
    for (int x = 0; alpha == 255 && x < p.width; ++x, sum += 4) {
        const std::uint8_t* pixel = from + static_cast<std::size_t>(across_->first[x]) * 4;
        std::uint64_t red = 0;
        std::uint64_t green = 0;
        std::uint64_t blue = 0;
        for (int k = across_->start[x]; k < across_->start[x + 1]; ++k, pixel += 4) {
            const std::uint64_t weight = across_->weights[k];
            red += weight * pixel[0];
            green += weight * pixel[1];
            blue += weight * pixel[2];
        }
        // The weights of an output pixel add up to the source's width.
        sum[0] = 255 * static_cast<std::uint64_t>(p.sourceWidth);
        sum[1] = 255 * red;
        sum[2] = 255 * green;
        sum[3] = 255 * blue;
    }
    for (int x = 0; alpha != 255 && x < p.width; ++x, sum += 4) {
        const std::uint8_t* pixel = from + static_cast<std::size_t>(across_->first[x]) * 4;
        std::uint64_t a = 0;
        std::uint64_t red = 0;
        std::uint64_t green = 0;
        std::uint64_t blue = 0;
        for (int k = across_->start[x]; k < across_->start[x + 1]; ++k, pixel += 4) {
            const std::uint64_t weighted = std::uint64_t{across_->weights[k]} * pixel[3];
            a += weighted;
            red += weighted * pixel[0];
            green += weighted * pixel[1];
            blue += weighted * pixel[2];
        }
        sum[0] = a;
        sum[1] = red;
        sum[2] = green;
        sum[3] = blue;
    }
    // Down, in the same units: source row j covers [j * height, (j + 1) * height), output
    // row i covers [i * sourceHeight, (i + 1) * sourceHeight). Each output row that ends
    // within row j is whole now; the last one it reaches may go on into row j + 1.
    const long long rows = p.height;
    const long long sourceRows = p.sourceHeight;
    const long long rowEnd = (j + 1) * rows;
    for (long long i = (j * rows) / sourceRows; i < rows && i * sourceRows < rowEnd; ++i) {
        const long long begin = std::max(i * sourceRows, j * rows);
        const long long end = std::min((i + 1) * sourceRows, rowEnd);
        const auto weight = static_cast<std::uint64_t>(end - begin);
        for (std::size_t c = 0; c < pending_.size(); ++c) {
            pending_[c] += weight * line_[c];
        }
        if ((i + 1) * sourceRows > rowEnd) {
            break;
        }
        finishRow(static_cast<int>(i));
    }
}

void AreaScaler::finishRow(int y) {
    const std::uint64_t area =
        static_cast<std::uint64_t>(placement_.sourceWidth) * placement_.sourceHeight;
    std::uint8_t* out = shown_.rgba.data() + static_cast<std::size_t>(y) * placement_.width * 4;
    for (std::size_t i = 0; i < pending_.size(); i += 4, out += 4) {
        const std::uint64_t a = pending_[i];
        for (std::size_t c = 0; c < 3; ++c) {
            out[c] =
                a == 0 ? 0 : static_cast<std::uint8_t>((2 * pending_[i + c + 1] + a) / (2 * a));
        }
        out[3] = static_cast<std::uint8_t>((2 * a + area) / (2 * area));
    }
    std::fill(pending_.begin(), pending_.end(), 0);
}

RgbaPicture AreaScaler::take() {
    return std::move(shown_);
}

TurnedAreaScaler::Lends TurnedAreaScaler::LendsOf(int from, int to) {
    // As AreaScaler::Spans measures it: a source pixel holds `to` units, an output pixel
    // `from`; source pixel s lends each output pixel their overlap.
    Lends lends;
    lends.start.reserve(static_cast<std::size_t>(from) + 1);
    for (long long s = 0; s < from; ++s) {
        lends.start.push_back(static_cast<int>(lends.to.size()));
        const long long begin = s * to;
        const long long end = begin + to;
        for (long long i = begin / from; i < to && i * from < end; ++i) {
            const long long overlap = std::min(end, (i + 1) * from) - std::max(begin, i * from);
            if (overlap > 0) {
                lends.to.push_back(static_cast<int>(i));
                lends.weight.push_back(static_cast<std::uint32_t>(overlap));
            }
        }
    }
    lends.start.push_back(static_cast<int>(lends.to.size()));
    return lends;
}

TurnedAreaScaler::TurnedAreaScaler(const TurnedView& view, const Placement& placement)
    : place_(view.placeInView()), placement_(placement),
      across_(LendsOf(placement.sourceWidth, placement.width)),
      down_(LendsOf(placement.sourceHeight, placement.height)),
      sums_(placement.resampled() ? static_cast<std::size_t>(placement.width) *
                                        static_cast<std::size_t>(placement.height) * 4
                                  : 0),
      copied_(placement.resampled() ? RgbaPicture{} : Blank(placement.width, placement.height)) {}

void TurnedAreaScaler::add(int y, int width, const std::uint8_t* row) {
    const Placement& p = placement_;
    const TurnedView::Place& m = place_;
    const auto columns = static_cast<std::size_t>(p.width);
    // A turn and a mirror: the row runs along one axis of the view and stands at one place
    // on the other. Along the view's rows (u) unless the turn swaps the axes.
    const bool alongRows = m.vx == 0;
    const int at = alongRows ? m.v0 + m.vy * y - p.sourceY : m.u0 + m.uy * y - p.sourceX;
    if (at < 0 || at >= (alongRows ? p.sourceHeight : p.sourceWidth)) {
        return;
    }
    const int first = alongRows ? m.u0 - p.sourceX : m.v0 - p.sourceY; // where x = 0 lands
    const int step = alongRows ? m.ux : m.vx;
    const int length = alongRows ? p.sourceWidth : p.sourceHeight;
    if (!p.resampled()) {
        // At its own size the part is the pixels themselves, as AreaScaler copies them.
        for (int x = 0; x < width; ++x) {
            const int along = first + step * x;
            if (along >= 0 && along < length) {
                const std::size_t u = static_cast<std::size_t>(alongRows ? along : at);
                const std::size_t v = static_cast<std::size_t>(alongRows ? at : along);
                std::memcpy(copied_.rgba.data() + (v * columns + u) * 4, row + x * std::size_t{4},
                            4);
            }
        }
        return;
    }
    // The row summed along its axis into the output pixels it lends to, then added to each
    // output line its place lends to: the same products AreaScaler adds, in another order.
    const Lends& along = alongRows ? across_ : down_;
    const Lends& across = alongRows ? down_ : across_;
    line_.assign(static_cast<std::size_t>(alongRows ? p.width : p.height) * 4, 0);
    for (int x = 0; x < width; ++x) {
        const int i = first + step * x;
        if (i < 0 || i >= length) {
            continue;
        }
        const std::uint8_t* pixel = row + static_cast<std::size_t>(x) * 4;
        const std::uint64_t alpha = pixel[3];
        for (int k = along.start[i]; k < along.start[i + 1]; ++k) {
            const std::uint64_t weighted = std::uint64_t{along.weight[k]} * alpha;
            std::uint64_t* sum = line_.data() + static_cast<std::size_t>(along.to[k]) * 4;
            sum[0] += weighted;
            sum[1] += weighted * pixel[0];
            sum[2] += weighted * pixel[1];
            sum[3] += weighted * pixel[2];
        }
    }
    for (int k = across.start[at]; k < across.start[at + 1]; ++k) {
        const std::uint64_t weight = across.weight[k];
        const auto place = static_cast<std::size_t>(across.to[k]);
        for (std::size_t o = 0; o < line_.size() / 4; ++o) {
            std::uint64_t* sum =
                sums_.data() + (alongRows ? place * columns + o : o * columns + place) * 4;
            for (std::size_t c = 0; c < 4; ++c) {
                sum[c] += weight * line_[o * 4 + c];
            }
        }
    }
}

RgbaPicture TurnedAreaScaler::take() {
    const Placement& p = placement_;
    if (!p.resampled()) {
        return std::move(copied_);
    }
    RgbaPicture shown = Blank(p.width, p.height);
    const std::uint64_t area = static_cast<std::uint64_t>(p.sourceWidth) * p.sourceHeight;
    std::uint8_t* out = shown.rgba.data();
    for (std::size_t i = 0; i < sums_.size(); i += 4, out += 4) {
        const std::uint64_t a = sums_[i];
        for (std::size_t c = 0; c < 3; ++c) {
            out[c] = a == 0 ? 0 : static_cast<std::uint8_t>((2 * sums_[i + c + 1] + a) / (2 * a));
        }
        out[3] = static_cast<std::uint8_t>((2 * a + area) / (2 * area));
    }
    return shown;
}

RgbaPicture ShownPart(const RgbaPicture& picture, const Placement& placement) {
    AreaScaler scaler(placement);
    const auto row = static_cast<std::size_t>(picture.width) * 4;
    for (int y = placement.sourceY; y < placement.sourceY + placement.sourceHeight; ++y) {
        scaler.add(y, picture.rgba.data() + row * static_cast<std::size_t>(y));
    }
    return scaler.take();
}

RgbaPicture ShownPart(const TurnedView& view, const Placement& placement) {
    AreaScaler scaler(placement);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(view.width()) * 4);
    for (int y = placement.sourceY; y < placement.sourceY + placement.sourceHeight; ++y) {
        view.row(y, row.data());
        scaler.add(y, row.data());
    }
    return scaler.take();
}

int ExifOrientation(std::span<const std::uint8_t> app1) {
    constexpr std::uint8_t kExif[] = {'E', 'x', 'i', 'f', 0, 0};
    if (app1.size() < sizeof kExif + 8 || !std::equal(kExif, kExif + sizeof kExif, app1.begin())) {
        return 1;
    }
    const std::span<const std::uint8_t> tiff = app1.subspan(sizeof kExif);
    const bool little = tiff[0] == 'I' && tiff[1] == 'I';
    if (!little && !(tiff[0] == 'M' && tiff[1] == 'M')) {
        return 1;
    }
    const auto at = [&](std::size_t offset, int bytes) {
        std::uint32_t value = 0;
        for (int i = 0; i < bytes; ++i) {
            const std::uint32_t byte = tiff[offset + (little ? bytes - 1 - i : i)];
            value = value << 8 | byte;
        }
        return value;
    };
    const std::size_t ifd = at(4, 4);
    if (ifd > tiff.size() || tiff.size() - ifd < 2) {
        return 1;
    }
    const std::size_t entries = at(ifd, 2);
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t entry = ifd + 2 + 12 * i;
        if (entry > tiff.size() || tiff.size() - entry < 12) {
            return 1;
        }
        if (at(entry, 2) == 0x0112) { // Orientation, a SHORT
            const std::uint32_t value = at(entry + 2, 2) == 3 ? at(entry + 8, 2) : 1;
            return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
        }
    }
    return 1;
}

std::optional<Mirror> MirrorNamed(std::string_view name) {
    if (name == "none") {
        return Mirror::None;
    }
    if (name == "horizontal") {
        return Mirror::Horizontal;
    }
    if (name == "vertical") {
        return Mirror::Vertical;
    }
    return std::nullopt;
}

} // namespace pelmora
