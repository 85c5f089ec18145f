#include "core/prepare/prepare.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace pelmora {

namespace {

// a * b / c rounded to nearest, for the sizes of pictures and panels.
int ScaleRounded(long long a, long long b, long long c) {
    return static_cast<int>(std::max(1LL, (2 * a * b + c) / (2 * c)));
}

int Clamp(int value) {
    return std::clamp(value, 0, 255);
}

// Otsu's criterion on the largest panel squares 64-bit sums: 128 bits hold it. The
// extension keeps -Wpedantic quiet about a type GCC and Clang both have.
__extension__ typedef unsigned __int128 Wide;

constexpr std::array<std::array<int, 8>, 8> kBayer = {{
    {0, 32, 8, 40, 2, 34, 10, 42},
    {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22},
    {3, 35, 11, 43, 1, 33, 9, 41},
    {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},
    {63, 31, 55, 23, 61, 29, 53, 21},
}};

// Error diffusion over rows of int errors; weights is {dx, dy, share} with shares out of
// divisor. Serpentine rows mirror dx.
struct Share {
    int dx;
    int dy;
    int weight;
};

template <std::size_t N>
void Diffuse(const std::vector<std::uint8_t>& grey, int width, int height,
             const std::array<Share, N>& shares, int divisor, bool serpentine,
             MonoPicture& picture) {
    constexpr int kRows = 3; // the current row and up to two below
    std::vector<int> errors(static_cast<std::size_t>(kRows) * static_cast<std::size_t>(width + 4),
                            0);
    const auto at = [&errors, width](int row, int x) -> int& {
        return errors[static_cast<std::size_t>(row % kRows) * static_cast<std::size_t>(width + 4) +
                      static_cast<std::size_t>(x + 2)];
    };
    for (int y = 0; y < height; ++y) {
        const bool backwards = serpentine && y % 2 == 1;
        for (int i = 0; i < width; ++i) {
            const int x = backwards ? width - 1 - i : i;
            const int value = grey[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                   static_cast<std::size_t>(x)] +
                              at(y, x);
            const bool on = value < 128;
            picture.set(x, y, on);
            const int error = value - (on ? 0 : 255);
            int given = 0;
            for (std::size_t s = 0; s < N; ++s) {
                // The last share takes what rounding left, so that the error is kept whole
                // where the weights add up to the divisor.
                const int part = s + 1 == N && divisor == 16 ? error - given
                                                             : error * shares[s].weight / divisor;
                given += part;
                const int nx = x + (backwards ? -shares[s].dx : shares[s].dx);
                const int ny = y + shares[s].dy;
                if (nx >= 0 && nx < width && ny < height) {
                    at(ny, nx) += part;
                }
            }
        }
        for (int x = -2; x < width + 2; ++x) {
            at(y, x) = 0; // this row's slot becomes the one two rows below
        }
    }
}

} // namespace

Placement PlacePicture(int sourceWidth, int sourceHeight, int panelWidth, int panelHeight,
                       Fit fit) {
    const long long sw = sourceWidth;
    const long long sh = sourceHeight;
    int width = sourceWidth;
    int height = sourceHeight;
    const bool wider = sw * panelHeight > static_cast<long long>(panelWidth) * sh;
    switch (fit) {
    case Fit::Contain:
    case Fit::Cover:
        if (wider == (fit == Fit::Contain)) { // the width decides
            width = panelWidth;
            height = ScaleRounded(sh, panelWidth, sw);
        } else {
            height = panelHeight;
            width = ScaleRounded(sw, panelHeight, sh);
        }
        break;
    case Fit::Stretch:
        width = panelWidth;
        height = panelHeight;
        break;
    case Fit::None:
        break;
    }
    // The scaled picture sits centred; only what falls on the panel is taken from the
    // source, mapped back through the scale.
    const int left = (panelWidth - width) / 2;
    const int top = (panelHeight - height) / 2;
    Placement placement;
    placement.panelX = std::max(0, left);
    placement.panelY = std::max(0, top);
    placement.width = std::min(panelWidth, left + width) - placement.panelX;
    placement.height = std::min(panelHeight, top + height) - placement.panelY;
    const auto back = [](long long scaled, long long sourceSide, long long scaledSide) {
        return static_cast<int>(scaled * sourceSide / scaledSide);
    };
    const auto backUp = [](long long scaled, long long sourceSide, long long scaledSide) {
        return static_cast<int>((scaled * sourceSide + scaledSide - 1) / scaledSide);
    };
    placement.sourceX = back(placement.panelX - left, sw, width);
    placement.sourceY = back(placement.panelY - top, sh, height);
    placement.sourceWidth = std::max(
        1, backUp(placement.panelX - left + placement.width, sw, width) - placement.sourceX);
    placement.sourceHeight = std::max(
        1, backUp(placement.panelY - top + placement.height, sh, height) - placement.sourceY);
    return placement;
}

std::vector<std::uint8_t> PanelGrey(const RgbaPicture& shown, const Placement& placement,
                                    int panelWidth, int panelHeight,
                                    const PrepareOptions& options) {
    const int background = options.blackBackground ? 0 : 255;
    const auto tone = [&options](int luma) {
        const int bright = Clamp(luma + options.brightness * 255 / 100);
        return static_cast<std::uint8_t>(
            Clamp(128 + (bright - 128) * (100 + options.contrast) / 100));
    };
    const std::uint8_t backgroundGrey = tone(background);
    std::vector<std::uint8_t> grey(static_cast<std::size_t>(panelWidth) *
                                       static_cast<std::size_t>(panelHeight),
                                   backgroundGrey);
    for (int y = 0; y < placement.height && y < shown.height; ++y) {
        for (int x = 0; x < placement.width && x < shown.width; ++x) {
            const std::uint8_t* pixel =
                shown.rgba.data() +
                (static_cast<std::size_t>(y) * static_cast<std::size_t>(shown.width) +
                 static_cast<std::size_t>(x)) *
                    4;
            const int alpha = pixel[3];
            int channel[3];
            for (int c = 0; c < 3; ++c) {
                channel[c] = (pixel[c] * alpha + background * (255 - alpha) + 127) / 255;
            }
            const int luma = (299 * channel[0] + 587 * channel[1] + 114 * channel[2] + 500) / 1000;
            grey[static_cast<std::size_t>(placement.panelY + y) *
                     static_cast<std::size_t>(panelWidth) +
                 static_cast<std::size_t>(placement.panelX + x)] = tone(luma);
        }
    }
    return grey;
}

int OtsuThreshold(const std::vector<std::uint8_t>& grey) {
    std::array<std::uint64_t, 256> histogram{};
    for (const std::uint8_t value : grey) {
        ++histogram[value];
    }
    const std::uint64_t total = grey.size();
    std::uint64_t sumAll = 0;
    for (std::uint64_t value = 0; value < 256; ++value) {
        sumAll += value * histogram[value];
    }
    // Between-class variance, times total squared: (sumAll w0 - sum0 total)^2 / (w0 w1).
    int best = 128;
    Wide bestScore = 0;
    bool found = false;
    std::uint64_t below = 0;    // w0: pixels under the threshold
    std::uint64_t sumBelow = 0; // their greys
    for (int threshold = 1; threshold < 256; ++threshold) {
        below += histogram[static_cast<std::size_t>(threshold - 1)];
        sumBelow += static_cast<std::uint64_t>(threshold - 1) *
                    histogram[static_cast<std::size_t>(threshold - 1)];
        const std::uint64_t above = total - below;
        if (below == 0 || above == 0) {
            continue;
        }
        const std::uint64_t a = sumAll * below;
        const std::uint64_t b = sumBelow * total;
        const std::uint64_t difference = a > b ? a - b : b - a;
        const Wide score = Wide{difference} * difference / (Wide{below} * above);
        if (!found || bestScore < score) {
            best = threshold;
            bestScore = score;
            found = true;
        }
    }
    return best;
}

MonoPicture DitherGrey(const std::vector<std::uint8_t>& grey, int width, int height,
                       const PrepareOptions& options) {
    MonoPicture picture(width, height);
    const auto greyAt = [&grey, width](int x, int y) {
        return grey[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                    static_cast<std::size_t>(x)];
    };
    switch (options.dither) {
    case Dither::Threshold: {
        const int threshold = options.threshold ? *options.threshold : OtsuThreshold(grey);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                picture.set(x, y, greyAt(x, y) < threshold);
            }
        }
        break;
    }
    case Dither::Bayer:
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                picture.set(x, y, greyAt(x, y) < 4 * kBayer[y % 8][x % 8] + 2);
            }
        }
        break;
    case Dither::FloydSteinberg:
        Diffuse<4>(grey, width, height, {{{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}}}, 16, true,
                   picture);
        break;
    case Dither::Atkinson:
        Diffuse<6>(grey, width, height,
                   {{{1, 0, 1}, {2, 0, 1}, {-1, 1, 1}, {0, 1, 1}, {1, 1, 1}, {0, 2, 1}}}, 8, false,
                   picture);
        break;
    }
    if (options.invert) {
        for (std::uint8_t& dot : picture.dots) {
            dot = dot != 0 ? 0 : 1;
        }
    }
    return picture;
}

MonoPicture PreparePanel(const RgbaPicture& shown, const Placement& placement, int panelWidth,
                         int panelHeight, const PrepareOptions& options) {
    return DitherGrey(PanelGrey(shown, placement, panelWidth, panelHeight, options), panelWidth,
                      panelHeight, options);
}

namespace {

constexpr std::array<std::string_view, 4> kFitNames{"contain", "cover", "stretch", "none"};
constexpr std::array<std::string_view, 4> kDitherNames{"floyd-steinberg", "atkinson", "bayer",
                                                       "threshold"};

// The word's place in names, which is the enum's value.
template <typename Enum, std::size_t N>
std::optional<Enum> Named(const std::array<std::string_view, N>& names, std::string_view name) {
    for (std::size_t i = 0; i < N; ++i) {
        if (names[i] == name) {
            return static_cast<Enum>(i);
        }
    }
    return std::nullopt;
}

} // namespace

std::span<const std::string_view> FitNames() {
    return kFitNames;
}

std::span<const std::string_view> DitherNames() {
    return kDitherNames;
}

std::optional<Fit> FitNamed(std::string_view name) {
    return Named<Fit>(kFitNames, name);
}

std::optional<Dither> DitherNamed(std::string_view name) {
    return Named<Dither>(kDitherNames, name);
}

std::string_view NameOfFit(Fit fit) {
    return kFitNames[static_cast<std::size_t>(fit)];
}

PanelDots PreparePanelDots(const RgbaPicture& shown, const Placement& placement,
                           const PanelLayout& layout, const PrepareOptions& options) {
    PanelDots dots = DotsOf(PreparePanel(shown, placement, layout.width, layout.height, options));
    if (layout.mask != MaskForm::None) {
        dots.opaque.assign(dots.levels.size(), 1);
    }
    return dots;
}

} // namespace pelmora

namespace pelmora {

std::vector<int> LevelGreys(int depth, const std::vector<int>& levelGreys) {
    if (depth != 1 && depth != 2 && depth != 4) {
        return {};
    }
    if (!levelGreys.empty() && CheckLevelGreys(levelGreys, depth).empty()) {
        return levelGreys;
    }
    const int top = (1 << depth) - 1;
    std::vector<int> greys(static_cast<std::size_t>(top) + 1);
    for (int level = 0; level <= top; ++level) {
        greys[static_cast<std::size_t>(level)] = 255 - level * 255 / top;
    }
    return greys;
}

std::string CheckLevelGreys(const std::vector<int>& greys, int depth) {
    (void)greys;
    (void)depth;
    return {};
}

LevelGreysRead ReadLevelGreys(std::string_view text, int depth) {
    (void)text;
    (void)depth;
    return {};
}

} // namespace pelmora
