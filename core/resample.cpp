#include "core/resample.h"

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

// Each output pixel as (source x, source y) for a turn by a multiple of 90 degrees.
RgbaPicture Rotated(const RgbaPicture& picture, int quarters) {
    const int w = picture.width;
    const int h = picture.height;
    RgbaPicture turned = quarters % 2 == 0 ? Blank(w, h) : Blank(h, w);
    for (int y = 0; y < turned.height; ++y) {
        for (int x = 0; x < turned.width; ++x) {
            int sx = x;
            int sy = y;
            switch (quarters) {
            case 1: // clockwise: the bottom-left corner comes to the top left
                sx = y;
                sy = h - 1 - x;
                break;
            case 2:
                sx = w - 1 - x;
                sy = h - 1 - y;
                break;
            default: // three quarters
                sx = w - 1 - y;
                sy = x;
                break;
            }
            std::memcpy(&turned.rgba[(static_cast<std::size_t>(y) * turned.width + x) * 4],
                        &picture.rgba[(static_cast<std::size_t>(sy) * w + sx) * 4], 4);
        }
    }
    return turned;
}

RgbaPicture Mirrored(RgbaPicture picture, Mirror mirror) {
    const auto row = static_cast<std::size_t>(picture.width) * 4;
    std::uint8_t* data = picture.rgba.data();
    if (mirror == Mirror::Vertical) {
        for (int top = 0, bottom = picture.height - 1; top < bottom; ++top, --bottom) {
            std::swap_ranges(data + row * top, data + row * (top + 1), data + row * bottom);
        }
    } else if (mirror == Mirror::Horizontal) {
        for (int y = 0; y < picture.height; ++y) {
            std::uint8_t* line = data + row * y;
            for (int left = 0, right = picture.width - 1; left < right; ++left, --right) {
                std::swap_ranges(line + 4 * left, line + 4 * left + 4, line + 4 * right);
            }
        }
    }
    return picture;
}

} // namespace

RgbaPicture Turned(RgbaPicture picture, int rotate, Mirror mirror) {
    const int quarters = ((rotate / 90) % 4 + 4) % 4;
    RgbaPicture turned = quarters == 0 ? std::move(picture) : Rotated(picture, quarters);
    return mirror == Mirror::None ? turned : Mirrored(std::move(turned), mirror);
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
    // Across: alpha, then red, green and blue times alpha, each weighted by its overlap.
    std::uint64_t* sum = line_.data();
    for (int x = 0; x < p.width; ++x, sum += 4) {
        const std::uint8_t* pixel = from + static_cast<std::size_t>(across_->first[x]) * 4;
        std::uint64_t a = 0;
        std::uint64_t red = 0;
        std::uint64_t green = 0;
        std::uint64_t blue = 0;
        for (int k = across_->start[x]; k < across_->start[x + 1]; ++k, pixel += 4) {
            const std::uint32_t weighted = across_->weights[k] * pixel[3];
            a += weighted;
            red += static_cast<std::uint64_t>(weighted) * pixel[0];
            green += static_cast<std::uint64_t>(weighted) * pixel[1];
            blue += static_cast<std::uint64_t>(weighted) * pixel[2];
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

RgbaPicture ShownPart(const RgbaPicture& picture, const Placement& placement) {
    AreaScaler scaler(placement);
    const auto row = static_cast<std::size_t>(picture.width) * 4;
    for (int y = placement.sourceY; y < placement.sourceY + placement.sourceHeight; ++y) {
        scaler.add(y, picture.rgba.data() + row * static_cast<std::size_t>(y));
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

RgbaPicture Upright(RgbaPicture picture, int orientation) {
    switch (orientation) {
    case 2:
        return Turned(std::move(picture), 0, Mirror::Horizontal);
    case 3:
        return Turned(std::move(picture), 180, Mirror::None);
    case 4:
        return Turned(std::move(picture), 0, Mirror::Vertical);
    case 5: // transposed
        return Turned(std::move(picture), 90, Mirror::Horizontal);
    case 6:
        return Turned(std::move(picture), 90, Mirror::None);
    case 7: // transversed
        return Turned(std::move(picture), 270, Mirror::Horizontal);
    case 8:
        return Turned(std::move(picture), 270, Mirror::None);
    default:
        return picture;
    }
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
