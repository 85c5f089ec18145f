#pragma once

#include "core/panel/mono_picture.h"
#include "core/panel/panel_dots.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

// Preparing any picture for the panel. The Qt part decodes the picture (EXIF orientation
// applied), turns it, and scales the part of it that the panel shows; everything after
// that is here, in integer arithmetic, so that a picture gives the same bytes on every
// machine and compiler.

enum class Fit { Contain, Cover, Stretch, None };
enum class Dither { FloydSteinberg, Atkinson, Bayer, Threshold };

// Where a sourceWidth x sourceHeight picture lands on the panel: the part of the source
// shown (sourceX, sourceY, sourceWidth, sourceHeight) is scaled to width x height and
// drawn at (panelX, panelY). Contain: the whole picture, as large as fits, centred.
// Cover: the panel filled, cropped in the middle. Stretch: the panel filled, the aspect
// ratio ignored. None: no scaling, centred, cropped where larger. A source that is
// already width x height is never resampled.
struct Placement {
    int sourceX = 0;
    int sourceY = 0;
    int sourceWidth = 0;
    int sourceHeight = 0;
    int panelX = 0;
    int panelY = 0;
    int width = 0;
    int height = 0;
    bool resampled() const { return sourceWidth != width || sourceHeight != height; }
};

Placement PlacePicture(int sourceWidth, int sourceHeight, int panelWidth, int panelHeight, Fit fit);

// The shown part of the picture as scaled: width x height pixels, 4 bytes each (R, G, B,
// alpha, not premultiplied), row by row from the top.
struct RgbaPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
};

struct PrepareOptions {
    Fit fit = Fit::Contain;
    bool blackBackground = false; // what transparent pixels and the margins show
    Dither dither = Dither::FloydSteinberg;
    std::optional<int> threshold = 128; // 0 to 256; empty: Otsu's method picks it
    int brightness = 0;                 // -100 to 100
    int contrast = 0;                   // -100 to 100
    bool invert = false;
    std::vector<int> levelGreys; // the grey of each level, level 0 first; empty: evenly spaced
};

// The grey each level of a depth-bit panel shows, level 0 (white) first: levelGreys where
// CheckLevelGreys accepts it, else evenly spaced, 255 - k * 255 / (2^depth - 1). Empty for
// a depth other than 1, 2 or 4.
std::vector<int> LevelGreys(int depth, const std::vector<int>& levelGreys);

// Why greys cannot be the levels of a depth-bit panel, or empty: 2^depth values 0 to 255,
// each darker (smaller) than the one before. Depth 1 takes none (black and white).
std::string CheckLevelGreys(const std::vector<int>& greys, int depth);

// A list of level greys as written, "255,200,120,0": whole numbers separated by commas
// (spaces allowed around them), checked by CheckLevelGreys.
struct LevelGreysRead {
    std::vector<int> greys;
    std::string error; // what is wrong with the text; empty when read
};
LevelGreysRead ReadLevelGreys(std::string_view text, int depth);

// The grey of every panel pixel, 0 black to 255 white: the picture laid over the
// background at its placement, then luma (299 R + 587 G + 114 B + 500) / 1000, then
// brightness (adds brightness * 255 / 100) and contrast (scales the distance from 128 by
// (100 + contrast) / 100), each clamped to 0..255.
std::vector<std::uint8_t> PanelGrey(const RgbaPicture& shown, const Placement& placement,
                                    int panelWidth, int panelHeight, const PrepareOptions& options);

// The threshold by Otsu's method: the N that best splits the histogram into the greys
// below N and the rest (the first such N on a tie).
int OtsuThreshold(const std::vector<std::uint8_t>& grey);

// Dark becomes on. Threshold: on exactly where grey < N. Floyd-Steinberg: error diffusion
// 7/16 right, 3/16 below left, 5/16 below, 1/16 below right, scanning serpentine (left to
// right on even rows, right to left on odd ones, the weights mirrored). Atkinson: 1/8 of
// the error to each of six neighbours (two right, three below, one two rows below), left
// to right. Bayer: the 8 x 8 ordered matrix, on where grey < 4 M + 2. Invert flips the
// result.
MonoPicture DitherGrey(const std::vector<std::uint8_t>& grey, int width, int height,
                       const PrepareOptions& options);

// The whole way from the shown part to the panel's dots.
MonoPicture PreparePanel(const RgbaPicture& shown, const Placement& placement, int panelWidth,
                         int panelHeight, const PrepareOptions& options);

// The whole way from the shown part to the dots of any layout: levels at its depth, the
// tri-colour planes' colours, and where it has a mask, the opaque dots.
// Depth 1: exactly PreparePanel's dots. Deeper: PanelGrey's greys, each dot at a level
// (0 white, the top black, at LevelGreys' greys); threshold takes the lighter of the two
// levels around a grey unless the grey lies below N/256 of the way from the darker to
// the lighter (N = 128, the nearest level, when Otsu's method is asked for); the other
// dithers share the error, or order the dots, between those two levels. A grey that is a
// level's own stays that level in every dither. Tri-colour: each dot the nearest of white
// (level 0), black (1) and the colour (2) in RGB, brightness and contrast applied to each
// channel; every dither but threshold is Floyd-Steinberg in RGB. Invert turns level k
// into top - k (for tri-colour, swaps black and white). Mask: opaque where the shown
// pixel's alpha is 128 or more, never in the margins. Values beyond the lightest or
// darkest level are clamped to it before an error is shared.
// No dots (0 x 0) for a layout CheckLayout refuses or level greys CheckLevelGreys refuses
// (or any with tri-colour).
PanelDots PreparePanelDots(const RgbaPicture& shown, const Placement& placement,
                           const PanelLayout& layout, const PrepareOptions& options);

// Option words: "contain", "floyd-steinberg", ...; empty when the word is unknown. The
// lists are in the order of the enums, the default first.
std::span<const std::string_view> FitNames();
std::span<const std::string_view> DitherNames();
std::optional<Fit> FitNamed(std::string_view name);
std::optional<Dither> DitherNamed(std::string_view name);
std::string_view NameOfFit(Fit fit);

} // namespace pelmora
