#include "core/prepare/prepare.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <string>
#include <utility>

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

// Error diffusion over rows of int errors, Channels values a dot; shares are {dx, dy,
// share} out of divisor, mirrored on the backward rows of a serpentine scan. quantise
// (dot, value) picks the dot's output and turns value into the error left.
struct Share {
    int dx;
    int dy;
    int weight;
};

constexpr std::array<Share, 4> kFloydSteinberg{{{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}}};
constexpr std::array<Share, 6> kAtkinson{
    {{1, 0, 1}, {2, 0, 1}, {-1, 1, 1}, {0, 1, 1}, {1, 1, 1}, {0, 2, 1}}};

template <int Channels, std::size_t N, typename Quantise>
void Diffuse(const std::uint8_t* source, int width, int height, const std::array<Share, N>& shares,
             int divisor, bool serpentine, Quantise&& quantise) {
    constexpr int kRows = 3; // the current row and up to two below
    const std::size_t rowSize = static_cast<std::size_t>(width + 4) * Channels;
    std::vector<int> errors(static_cast<std::size_t>(kRows) * rowSize, 0);
    const auto at = [&errors, rowSize](int row, int x) -> int* {
        return errors.data() + static_cast<std::size_t>(row % kRows) * rowSize +
               static_cast<std::size_t>(x + 2) * Channels;
    };
    std::array<int, Channels> value{};
    for (int y = 0; y < height; ++y) {
        const bool backwards = serpentine && y % 2 == 1;
        for (int i = 0; i < width; ++i) {
            const int x = backwards ? width - 1 - i : i;
            const std::size_t dot = static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                    static_cast<std::size_t>(x);
            const int* carried = at(y, x);
            for (int c = 0; c < Channels; ++c) {
                value[static_cast<std::size_t>(c)] =
                    source[dot * Channels + static_cast<std::size_t>(c)] + carried[c];
            }
            quantise(dot, value);
            for (int c = 0; c < Channels; ++c) {
                const int error = value[static_cast<std::size_t>(c)];
                int given = 0;
                for (std::size_t s = 0; s < N; ++s) {
                    // The last share takes what rounding left, so that the error is kept
                    // whole where the weights add up to the divisor.
                    const int part = s + 1 == N && divisor == 16
                                         ? error - given
                                         : error * shares[s].weight / divisor;
                    given += part;
                    const int nx = x + (backwards ? -shares[s].dx : shares[s].dx);
                    const int ny = y + shares[s].dy;
                    if (nx >= 0 && nx < width && ny < height) {
                        at(ny, nx)[c] += part;
                    }
                }
            }
        }
        std::fill_n(at(y, -2), rowSize, 0); // this row's slot becomes the one two rows below
    }
}

// Floyd-Steinberg (serpentine) or Atkinson, as the options ask.
template <int Channels, typename Quantise>
void DiffuseAsAsked(Dither dither, const std::uint8_t* source, int width, int height,
                    Quantise&& quantise) {
    if (dither == Dither::Atkinson) {
        Diffuse<Channels>(source, width, height, kAtkinson, 8, false, quantise);
    } else {
        Diffuse<Channels>(source, width, height, kFloydSteinberg, 16, true, quantise);
    }
}

// Calls visit(dot, pixel) for every panel dot the shown picture covers, with the shown
// pixel's four bytes; dots outside the panel and pixels the picture lacks are skipped.
template <typename Visit>
void ForEachShownPixel(const RgbaPicture& shown, const Placement& placement, int panelWidth,
                       int panelHeight, Visit&& visit) {
    if (shown.width <= 0 || shown.height <= 0) {
        return;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(shown.width) * 4;
    const int rows = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(shown.height),
                                                            shown.rgba.size() / rowBytes));
    const int firstX = std::max(0, -placement.panelX);
    const int firstY = std::max(0, -placement.panelY);
    const int endX = std::min({placement.width, shown.width, panelWidth - placement.panelX});
    const int endY = std::min({placement.height, rows, panelHeight - placement.panelY});
    for (int y = firstY; y < endY; ++y) {
        const std::uint8_t* pixel = shown.rgba.data() + static_cast<std::size_t>(y) * rowBytes +
                                    static_cast<std::size_t>(firstX) * 4;
        std::size_t dot =
            static_cast<std::size_t>(placement.panelY + y) * static_cast<std::size_t>(panelWidth) +
            static_cast<std::size_t>(placement.panelX + firstX);
        for (int x = firstX; x < endX; ++x, pixel += 4, ++dot) {
            visit(dot, pixel);
        }
    }
}

// A pixel's channels laid over the background, 0 to 255.
inline void OverBackground(const std::uint8_t* pixel, int background, int channel[3]) {
    const int alpha = pixel[3];
    for (int c = 0; c < 3; ++c) {
        channel[c] = (pixel[c] * alpha + background * (255 - alpha) + 127) / 255;
    }
}

// Brightness, then contrast, each clamped.
inline std::uint8_t Tone(int value, const PrepareOptions& options) {
    const int bright = Clamp(value + options.brightness * 255 / 100);
    return static_cast<std::uint8_t>(Clamp(128 + (bright - 128) * (100 + options.contrast) / 100));
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
    std::vector<std::uint8_t> grey(static_cast<std::size_t>(panelWidth) *
                                       static_cast<std::size_t>(panelHeight),
                                   Tone(background, options));
    ForEachShownPixel(
        shown, placement, panelWidth, panelHeight, [&](std::size_t dot, const std::uint8_t* pixel) {
            int channel[3];
            OverBackground(pixel, background, channel);
            grey[dot] = Tone((299 * channel[0] + 587 * channel[1] + 114 * channel[2] + 500) / 1000,
                             options);
        });
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
    if (width <= 0 || height <= 0 ||
        grey.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        return {};
    }
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
    case Dither::Atkinson:
        DiffuseAsAsked<1>(options.dither, grey.data(), width, height,
                          [&picture](std::size_t dot, std::array<int, 1>& value) {
                              const bool on = value[0] < 128;
                              picture.dots[dot] = on ? 1 : 0;
                              value[0] -= on ? 0 : 255;
                          });
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
    if (depth == 1) {
        return "one bit a dot has no level greys: its dots are white and black";
    }
    if (depth != 2 && depth != 4) {
        return "the depth must be 1, 2 or 4 bits a dot";
    }
    const std::size_t count = std::size_t{1} << depth;
    if (greys.size() != count) {
        return std::to_string(depth) + " bits a dot take " + std::to_string(count) +
               " greys, not " + std::to_string(greys.size());
    }
    for (std::size_t level = 0; level < count; ++level) {
        const int grey = greys[level];
        if (grey < 0 || grey > 255) {
            return "the grey of level " + std::to_string(level) + ", " + std::to_string(grey) +
                   ", is not within 0 to 255";
        }
        if (level > 0 && grey >= greys[level - 1]) {
            return "the grey of level " + std::to_string(level) + ", " + std::to_string(grey) +
                   ", is not darker than level " + std::to_string(level - 1) + "'s, " +
                   std::to_string(greys[level - 1]);
        }
    }
    return {};
}

LevelGreysRead ReadLevelGreys(std::string_view text, int depth) {
    LevelGreysRead read;
    const auto trimmed = [](std::string_view part) {
        while (!part.empty() && part.front() == ' ') {
            part.remove_prefix(1);
        }
        while (!part.empty() && part.back() == ' ') {
            part.remove_suffix(1);
        }
        return part;
    };
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string_view part = trimmed(text.substr(start, comma - start));
        int grey = 0;
        const auto [end, problem] = std::from_chars(part.data(), part.data() + part.size(), grey);
        if (part.empty() || part.front() == '-' || problem != std::errc{} ||
            end != part.data() + part.size() || grey > 255) {
            read.error =
                part.empty()
                    ? "grey " + std::to_string(read.greys.size() + 1) + " of the list is missing"
                    : "'" + std::string(part) + "' is not a whole number from 0 to 255";
            read.greys.clear();
            return read;
        }
        read.greys.push_back(grey);
        if (comma == text.size()) {
            break;
        }
        start = comma + 1;
    }
    read.error = CheckLevelGreys(read.greys, depth);
    if (!read.error.empty()) {
        read.greys.clear();
    }
    return read;
}

namespace {

// Picking a level for a grey between the levels' greys, level 0 the lightest.
class GreyLevels {
  public:
    explicit GreyLevels(std::vector<int> greys) : greys_(std::move(greys)) {
        const int top = static_cast<int>(greys_.size()) - 1;
        for (int value = 0; value < 256; ++value) {
            int level = 0;
            while (level < top && greys_[static_cast<std::size_t>(level + 1)] >= value) {
                ++level;
            }
            lighter_[static_cast<std::size_t>(value)] = static_cast<std::uint8_t>(level);
        }
    }
    int grey(int level) const { return greys_[static_cast<std::size_t>(level)]; }
    int clamped(int value) const { return std::clamp(value, greys_.back(), greys_.front()); }
    // The level for a clamped value: its own where it is a level's grey; else the darker
    // of the two around it where it lies below share/256 of the way up from the darker.
    int level(int value, int share) const {
        const int lighter = lighter_[static_cast<std::size_t>(value)];
        const int light = greys_[static_cast<std::size_t>(lighter)];
        if (light == value) {
            return lighter;
        }
        const int dark = greys_[static_cast<std::size_t>(lighter) + 1];
        return 256 * (value - dark) < (light - dark) * share ? lighter + 1 : lighter;
    }
    // level(value, share) for every clamped value, looked up rather than worked out.
    std::array<std::uint8_t, 256> levels(int share) const {
        std::array<std::uint8_t, 256> table{};
        for (int value = greys_.back(); value <= greys_.front(); ++value) {
            table[static_cast<std::size_t>(value)] = static_cast<std::uint8_t>(level(value, share));
        }
        return table;
    }

  private:
    std::vector<int> greys_;
    std::array<std::uint8_t, 256> lighter_{}; // the darkest level at least as light
};

void LevelsOfGrey(const std::vector<std::uint8_t>& grey, const PanelLayout& layout,
                  const PrepareOptions& options, std::vector<std::uint8_t>& levels) {
    const GreyLevels table(LevelGreys(layout.depth, options.levelGreys));
    const int width = layout.width;
    switch (options.dither) {
    case Dither::Threshold: {
        const auto chosen = table.levels(std::clamp(options.threshold.value_or(128), 0, 256));
        for (std::size_t dot = 0; dot < grey.size(); ++dot) {
            levels[dot] = chosen[static_cast<std::size_t>(table.clamped(grey[dot]))];
        }
        break;
    }
    case Dither::Bayer:
        for (int y = 0; y < layout.height; ++y) {
            for (int x = 0; x < width; ++x) {
                const std::size_t dot =
                    static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                    static_cast<std::size_t>(x);
                levels[dot] = static_cast<std::uint8_t>(table.level(
                    table.clamped(grey[dot]),
                    4 * kBayer[static_cast<std::size_t>(y % 8)][static_cast<std::size_t>(x % 8)] +
                        2));
            }
        }
        break;
    case Dither::FloydSteinberg:
    case Dither::Atkinson: {
        const auto nearest = table.levels(128);
        DiffuseAsAsked<1>(options.dither, grey.data(), width, layout.height,
                          [&](std::size_t dot, std::array<int, 1>& value) {
                              const int clamped = table.clamped(value[0]);
                              const std::uint8_t level = nearest[static_cast<std::size_t>(clamped)];
                              levels[dot] = level;
                              value[0] = clamped - table.grey(level);
                          });
        break;
    }
    }
}

// White, black and the colour: tri-colour e-paper's levels 0, 1 and 2.
std::array<std::array<int, 3>, 3> TriColours(Colours colours) {
    return {{{255, 255, 255}, {0, 0, 0}, {255, colours == Colours::BlackYellow ? 255 : 0, 0}}};
}

// The nearest of the three colours in RGB, the first on a tie.
int NearestColour(const std::array<std::array<int, 3>, 3>& palette,
                  const std::array<int, 3>& value) {
    int best = 0;
    int bestDistance = 0;
    for (int level = 0; level < 3; ++level) {
        int distance = 0;
        for (std::size_t c = 0; c < 3; ++c) {
            const int d = value[c] - palette[static_cast<std::size_t>(level)][c];
            distance += d * d;
        }
        if (level == 0 || distance < bestDistance) {
            best = level;
            bestDistance = distance;
        }
    }
    return best;
}

// The panel's colours as PanelGrey lays them out, three bytes a dot, toned channel by
// channel.
std::vector<std::uint8_t> PanelRgb(const RgbaPicture& shown, const Placement& placement,
                                   int panelWidth, int panelHeight, const PrepareOptions& options) {
    const int background = options.blackBackground ? 0 : 255;
    const std::size_t count =
        static_cast<std::size_t>(panelWidth) * static_cast<std::size_t>(panelHeight);
    std::vector<std::uint8_t> rgb(count * 3, Tone(background, options));
    ForEachShownPixel(shown, placement, panelWidth, panelHeight,
                      [&](std::size_t dot, const std::uint8_t* pixel) {
                          int channel[3];
                          OverBackground(pixel, background, channel);
                          for (std::size_t c = 0; c < 3; ++c) {
                              rgb[dot * 3 + c] = Tone(channel[c], options);
                          }
                      });
    return rgb;
}

void LevelsOfColour(const std::vector<std::uint8_t>& rgb, const PanelLayout& layout,
                    const PrepareOptions& options, std::vector<std::uint8_t>& levels) {
    const auto palette = TriColours(layout.colours);
    if (options.dither == Dither::Threshold) {
        for (std::size_t dot = 0; dot < levels.size(); ++dot) {
            levels[dot] = static_cast<std::uint8_t>(
                NearestColour(palette, {rgb[dot * 3], rgb[dot * 3 + 1], rgb[dot * 3 + 2]}));
        }
        return;
    }
    Diffuse<3>(rgb.data(), layout.width, layout.height, kFloydSteinberg, 16, true,
               [&](std::size_t dot, std::array<int, 3>& value) {
                   for (int& channel : value) {
                       channel = Clamp(channel);
                   }
                   const int level = NearestColour(palette, value);
                   levels[dot] = static_cast<std::uint8_t>(level);
                   for (std::size_t c = 0; c < 3; ++c) {
                       value[c] -= palette[static_cast<std::size_t>(level)][c];
                   }
               });
}

bool OptionsInRange(const PrepareOptions& options) {
    return options.brightness >= -100 && options.brightness <= 100 && options.contrast >= -100 &&
           options.contrast <= 100 &&
           (!options.threshold || (*options.threshold >= 0 && *options.threshold <= 256));
}

} // namespace

PanelDots PreparePanelDots(const RgbaPicture& shown, const Placement& placement,
                           const PanelLayout& layout, const PrepareOptions& options) {
    const bool triColour = layout.colours != Colours::None;
    if (!CheckLayout(layout).empty() || !OptionsInRange(options) ||
        (!options.levelGreys.empty() &&
         (triColour || !CheckLevelGreys(options.levelGreys, layout.depth).empty()))) {
        return {};
    }
    PanelDots dots;
    if (triColour) {
        dots = PanelDots(layout.width, layout.height);
        LevelsOfColour(PanelRgb(shown, placement, layout.width, layout.height, options), layout,
                       options, dots.levels);
        if (options.invert) {
            for (std::uint8_t& level : dots.levels) {
                level = level == 2 ? 2 : static_cast<std::uint8_t>(1 - level);
            }
        }
    } else if (layout.depth == 1) {
        dots = DotsOf(PreparePanel(shown, placement, layout.width, layout.height, options));
    } else {
        dots = PanelDots(layout.width, layout.height);
        LevelsOfGrey(PanelGrey(shown, placement, layout.width, layout.height, options), layout,
                     options, dots.levels);
        if (options.invert) {
            const int top = TopLevel(layout);
            for (std::uint8_t& level : dots.levels) {
                level = static_cast<std::uint8_t>(top - level);
            }
        }
    }
    if (layout.mask != MaskForm::None) {
        dots.opaque.assign(dots.levels.size(), 0);
        ForEachShownPixel(shown, placement, layout.width, layout.height,
                          [&dots](std::size_t dot, const std::uint8_t* pixel) {
                              dots.opaque[dot] = pixel[3] >= 128 ? 1 : 0;
                          });
    }
    return dots;
}

} // namespace pelmora
