// The panels beyond one bit proved from their definitions: grey rows, pages and bit planes,
// tri-colour e-paper planes, masks and whole controller RAM. Pictures at exact levels and
// colours are made with ImageMagick and read back as Netpbm here; the bytes pelmora-cli
// writes are held to a packing written in this file from the layouts' descriptions (not the
// core's), show's picture of them to the levels drawn as evenly spaced greys, and the C
// output to the same bytes read through pgm_read_byte on the host and in simavr.

#include "support/shell.h"
#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace pelmora::test {
namespace {

const std::string kPrograms = PELMORA_CHIP_PROGRAMS;
const std::string kHostCompiler = "gcc -std=c99 -Wall -Wextra -pedantic -Werror";
const std::string kChipCompiler =
    "avr-gcc -mmcu=atmega328p -Os -std=c99 -Wall -Wextra -pedantic -Werror";
const std::string kSimulator = "timeout 120 simavr -m atmega328p -f 16000000";
// Each dither as convert's options, and none at all (the default preparation).
const std::vector<std::string> kPreparations = {"--dither threshold", "--dither floyd-steinberg",
                                                "--dither atkinson", "--dither bayer", ""};

using Bytes = std::vector<std::uint8_t>;

// ---- Pictures read back from ImageMagick ----

// A P5 or P6 file of 8-bit samples, as three samples a pixel (grey repeated).
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    std::uint32_t at(int x, int y) const {
        const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
        return std::uint32_t{rgb[i]} << 16 | std::uint32_t{rgb[i + 1]} << 8 | rgb[i + 2];
    }
};

std::optional<Pixels> ParseNetpbm(const std::string& bytes) {
    std::size_t at = 0;
    const auto number = [&bytes, &at]() -> int {
        while (at < bytes.size() &&
               (std::isspace(static_cast<unsigned char>(bytes[at])) != 0 || bytes[at] == '#')) {
            if (bytes[at] == '#') {
                at = bytes.find('\n', at);
                if (at == std::string::npos) {
                    return -1;
                }
            }
            ++at;
        }
        int value = 0;
        bool any = false;
        for (; at < bytes.size() && std::isdigit(static_cast<unsigned char>(bytes[at])) != 0;
             ++at) {
            value = value * 10 + (bytes[at] - '0');
            any = true;
        }
        return any ? value : -1;
    };
    if (bytes.size() < 2 || bytes[0] != 'P' || (bytes[1] != '5' && bytes[1] != '6')) {
        return std::nullopt;
    }
    const int channels = bytes[1] == '6' ? 3 : 1;
    at = 2;
    Pixels pixels;
    pixels.width = number();
    pixels.height = number();
    const int maxval = number();
    if (pixels.width <= 0 || pixels.height <= 0 || maxval != 255) {
        return std::nullopt;
    }
    ++at; // the one white space before the samples
    const std::size_t count = static_cast<std::size_t>(pixels.width) * pixels.height;
    if (bytes.size() - at != count * channels) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < count; ++i) {
        for (int c = 0; c < 3; ++c) {
            pixels.rgb.push_back(
                static_cast<std::uint8_t>(bytes[at + i * channels + (channels == 3 ? c : 0)]));
        }
    }
    return pixels;
}

// ---- The layouts, from their descriptions ----

enum class Kind { Rows, Pages, BitPlanes };
enum class Mask { None, Plane, Interleaved };

struct Form {
    Kind kind = Kind::Rows;
    int width = 0;
    int height = 0;
    int depth = 1;
    bool msb = true; // the leftmost (rows) or top (pages) dot in the highest bits
    int ramWidth = 0;
    int xOffset = 0;
    bool triColour = false;
    bool inkIsZero = false;
    Mask mask = Mask::None;

    int ram() const { return ramWidth == 0 ? width : ramWidth; }
};

// A panel's dots: levels (0 white ... top black; tri-colour 0 white, 1 black, 2 colour) and
// which are opaque.
struct Dots {
    int width = 0;
    int height = 0;
    std::vector<int> level;
    std::vector<bool> opaque;
};

// One plane: value(x, y) is depth bits; every bit no dot owns is 0.
Bytes PackPlane(const Form& form, int depth, const std::function<int(int, int)>& value) {
    const int ram = form.ram();
    Bytes bytes;
    switch (form.kind) {
    case Kind::Rows: {
        const int rowBytes = (ram * depth + 7) / 8;
        bytes.assign(static_cast<std::size_t>(rowBytes) * form.height, 0);
        for (int y = 0; y < form.height; ++y) {
            for (int x = 0; x < form.width; ++x) {
                const int bit = (x + form.xOffset) * depth;
                const int shift = form.msb ? 8 - depth - bit % 8 : bit % 8;
                bytes[static_cast<std::size_t>(y) * rowBytes + bit / 8] |=
                    static_cast<std::uint8_t>(value(x, y) << shift);
            }
        }
        break;
    }
    case Kind::Pages: {
        const int rows = 8 / depth;
        const int pages = (form.height + rows - 1) / rows;
        bytes.assign(static_cast<std::size_t>(pages) * ram, 0);
        for (int y = 0; y < form.height; ++y) {
            const int field = (y % rows) * depth;
            const int shift = form.msb ? 8 - depth - field : field;
            for (int x = 0; x < form.width; ++x) {
                bytes[static_cast<std::size_t>(y / rows) * ram + x + form.xOffset] |=
                    static_cast<std::uint8_t>(value(x, y) << shift);
            }
        }
        break;
    }
    case Kind::BitPlanes: {
        const int pages = (form.height + 7) / 8;
        bytes.assign(static_cast<std::size_t>(pages) * ram * depth, 0);
        for (int y = 0; y < form.height; ++y) {
            const int shift = form.msb ? 7 - y % 8 : y % 8;
            for (int x = 0; x < form.width; ++x) {
                const std::size_t first =
                    (static_cast<std::size_t>(y / 8) * ram + x + form.xOffset) * depth;
                for (int j = 0; j < depth; ++j) {
                    const int bit = value(x, y) >> (depth - 1 - j) & 1;
                    bytes[first + j] |= static_cast<std::uint8_t>(bit << shift);
                }
            }
        }
        break;
    }
    }
    return bytes;
}

// The runs of bytes in writing order, each with the suffix its C array takes.
struct PlaneBytes {
    std::string suffix;
    Bytes bytes;
};

std::vector<PlaneBytes> Pack(const Form& form, const Dots& dots) {
    const auto levelOf = [&dots](int x, int y) {
        return dots.level[static_cast<std::size_t>(y) * dots.width + x];
    };
    const auto opaqueOf = [&dots](int x, int y) {
        return dots.opaque[static_cast<std::size_t>(y) * dots.width + x] ? 1 : 0;
    };
    std::vector<PlaneBytes> runs;
    if (form.triColour) {
        for (const int ink : {1, 2}) {
            Bytes plane = PackPlane(
                form, 1, [&levelOf, ink](int x, int y) { return levelOf(x, y) == ink ? 1 : 0; });
            if (form.inkIsZero) {
                for (std::uint8_t& byte : plane) {
                    byte = static_cast<std::uint8_t>(~byte);
                }
            }
            runs.push_back({ink == 1 ? "_black" : "_colour", plane});
        }
    } else {
        runs.push_back({"", PackPlane(form, form.depth, levelOf)});
    }
    if (form.mask == Mask::Plane) {
        runs.push_back({"_mask", PackPlane(form, 1, opaqueOf)});
    } else if (form.mask == Mask::Interleaved) {
        const Bytes picture = runs.front().bytes;
        const Bytes mask = PackPlane(form, 1, opaqueOf);
        Bytes both{static_cast<std::uint8_t>(form.width), static_cast<std::uint8_t>(form.height)};
        for (std::size_t i = 0; i < picture.size(); ++i) {
            both.push_back(picture[i]);
            both.push_back(mask[i]);
        }
        runs = {{"", both}};
    }
    return runs;
}

Bytes Joined(const std::vector<PlaneBytes>& runs) {
    Bytes all;
    for (const PlaneBytes& run : runs) {
        all.insert(all.end(), run.bytes.begin(), run.bytes.end());
    }
    return all;
}

// ---- The pictures ----

// What a picture is made of: greys of 16 or 4 levels, black and white, white/black/red or
// yellow; the masked ones with alpha 0 or 255 (white under the transparent pixels).
enum class Paint {
    Greys16,
    Greys4,
    BlackWhite,
    Red,
    Yellow,
    MaskedBlackWhite,
    MaskedGreys16,
    MaskedRed
};

int LevelCount(Paint paint) {
    switch (paint) {
    case Paint::Greys16:
    case Paint::MaskedGreys16:
        return 16;
    case Paint::Greys4:
        return 4;
    default:
        return 2;
    }
}

bool Masked(Paint paint) {
    return paint == Paint::MaskedBlackWhite || paint == Paint::MaskedGreys16 ||
           paint == Paint::MaskedRed;
}

bool Coloured(Paint paint) {
    return paint == Paint::Red || paint == Paint::Yellow || paint == Paint::MaskedRed;
}

// The greys of the levels: evenly spaced from white, or the ones given.
std::vector<int> GreysOf(Paint paint, const std::vector<int>& given) {
    if (!given.empty()) {
        return given;
    }
    std::vector<int> greys;
    const int top = LevelCount(paint) - 1;
    for (int level = 0; level <= top; ++level) {
        greys.push_back(255 - level * 255 / top);
    }
    return greys;
}

// ImageMagick's command line for pic.png, W x H: a third of bands of every level (or
// colour), a third of plasma and a third of noise, each posterized to exact levels, then
// recoloured to the greys given (which must not take a grey another level still has).
std::string PictureCommand(Paint paint, int width, int height, unsigned seed,
                           const std::vector<int>& greys = {}) {
    const int a = width / 3;
    const int c = width - 2 * a;
    const std::string h = std::to_string(height);
    const std::string n = std::to_string(LevelCount(paint));
    const std::string seedText = std::to_string(seed);
    const auto size = [&h](int w) {
        return "-size " + std::to_string(w) + "x" + h + " ";
    };
    const std::string grey = " -colorspace gray -auto-level -posterize ";
    std::string bands;
    std::string plasma = "\\( " + size(a) + "-seed " + seedText + " plasma:fractal" + grey;
    std::string noise =
        "\\( " + size(c) + "-seed " + std::to_string(seed + 1) + " xc:gray50 +noise Random" + grey;
    if (Coloured(paint)) {
        const std::string colour = paint == Paint::Yellow ? "yellow" : "red";
        const int third = std::max(a / 3, 1);
        bands = "\\( " + size(third) + "xc:white " + size(third) + "xc:black " +
                size(a - 2 * third) + "xc:" + colour + " +append \\) ";
        const std::string toColour = "3 -fuzz 10% -fill " + colour + " -opaque gray50 \\) ";
        plasma += toColour;
        noise += toColour;
    } else {
        bands = "\\( -size 1x" + n + " gradient:white-black -rotate 270 -filter point -resize " +
                std::to_string(a) + "x" + h + "! \\) ";
        plasma += n + " \\) ";
        noise += n + " \\) ";
    }
    std::string line = "convert " + bands + plasma + noise + "+append ";
    const std::vector<int> even = GreysOf(paint, {});
    for (std::size_t level = 0; level < greys.size(); ++level) {
        line += "-fill 'gray(" + std::to_string(greys[level]) + ")' -opaque 'gray(" +
                std::to_string(even[level]) + ")' ";
    }
    if (Masked(paint)) {
        line += "\\( " + size(width) + "-seed " + std::to_string(seed + 2) +
                " plasma:fractal -colorspace gray -auto-level -posterize 2 \\) -alpha off "
                "-compose CopyOpacity -composite -background white -alpha background PNG32:pic.png";
    } else {
        line += Coloured(paint) ? "-depth 8 PNG24:pic.png" : "-depth 8 -type Grayscale pic.png";
    }
    return line;
}

// The dots of pic.png as the panel must take them, or a failure where a pixel is not one
// of the exact levels or colours.
Dots DotsOfPicture(const ScratchFolder& folder, Paint paint, const std::vector<int>& greys = {},
                   bool inverted = false) {
    const Ran colours = Shell(folder, "convert pic.png -alpha off -depth 8 pic.ppm");
    EXPECT_EQ(colours.exitCode, 0) << colours.err;
    const std::optional<Pixels> pixels = ParseNetpbm(ReadFile(folder / "pic.ppm"));
    EXPECT_TRUE(pixels.has_value()) << "ImageMagick's PPM of the picture could not be read";
    if (!pixels) {
        return {};
    }
    std::optional<Pixels> alpha;
    if (Masked(paint)) {
        const Ran extracted = Shell(folder, "convert pic.png -alpha extract -depth 8 alpha.pgm");
        EXPECT_EQ(extracted.exitCode, 0) << extracted.err;
        alpha = ParseNetpbm(ReadFile(folder / "alpha.pgm"));
        EXPECT_TRUE(alpha.has_value()) << "ImageMagick's alpha of the picture could not be read";
    }
    Dots dots{pixels->width, pixels->height, {}, {}};
    const std::vector<int> levelGreys = GreysOf(paint, greys);
    const int top = static_cast<int>(levelGreys.size()) - 1;
    const std::uint32_t colour = paint == Paint::Yellow ? 0xFFFF00 : 0xFF0000;
    std::map<int, int> seen;
    for (int y = 0; y < dots.height; ++y) {
        for (int x = 0; x < dots.width; ++x) {
            const std::uint32_t rgb = pixels->at(x, y);
            int level = -1;
            if (Coloured(paint)) {
                level = rgb == 0xFFFFFF ? 0 : rgb == 0 ? 1 : rgb == colour ? 2 : -1;
            } else if (const int g = static_cast<int>(rgb & 0xFF);
                       rgb == 0x010101U * static_cast<std::uint32_t>(g)) {
                const auto found = std::find(levelGreys.begin(), levelGreys.end(), g);
                if (found != levelGreys.end()) {
                    level = static_cast<int>(found - levelGreys.begin());
                    level = inverted ? top - level : level;
                }
            }
            EXPECT_GE(level, 0) << "pixel (" << x << ", " << y << ") is " << std::hex << rgb
                                << ", not a level's grey or colour";
            dots.level.push_back(std::max(level, 0));
            ++seen[level];
            if (alpha) {
                const std::uint32_t a = alpha->at(x, y) & 0xFF;
                EXPECT_TRUE(a == 0 || a == 255) << "alpha " << a;
                dots.opaque.push_back(a == 255);
            } else {
                dots.opaque.push_back(true);
            }
        }
    }
    const int wanted = Coloured(paint) ? 3 : top + 1;
    EXPECT_EQ(static_cast<int>(seen.size()), wanted) << "the picture lacks some level";
    return dots;
}

// ---- Holding outputs to the packing ----

std::string Hex(std::uint8_t byte) {
    static const char digits[] = "0123456789abcdef";
    return {digits[byte >> 4], digits[byte & 15]};
}

// Empty when equal; else how many bytes differ and where the first one is.
std::string Difference(const Bytes& expected, const Bytes& got) {
    if (expected == got) {
        return {};
    }
    std::ostringstream text;
    text << got.size() << " bytes, " << expected.size() << " expected";
    std::size_t differing = 0;
    std::size_t first = std::string::npos;
    for (std::size_t i = 0; i < std::min(expected.size(), got.size()); ++i) {
        if (expected[i] != got[i]) {
            ++differing;
            first = std::min(first, i);
        }
    }
    text << "; " << differing << " differ";
    if (first != std::string::npos) {
        text << ", the first at byte " << first << ": 0x" << Hex(got[first]) << ", 0x"
             << Hex(expected[first]) << " expected";
    }
    return text.str();
}

Bytes BytesOf(const std::string& text) {
    return {text.begin(), text.end()};
}

constexpr std::uint32_t kOffGreen = 0x008000;

// The dots as show must draw them: levels as evenly spaced greys from white to black,
// e-paper as white, black and its colour, masked-out dots transparent white; one bit
// without a mask keeps the preview's colours. A PAM, so that the alpha is compared too.
void WriteExpectedPicture(const std::filesystem::path& path, const Dots& dots, int top,
                          std::uint32_t colour, bool masked) {
    std::string pam = "P7\nWIDTH " + std::to_string(dots.width) + "\nHEIGHT " +
                      std::to_string(dots.height) +
                      "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    for (std::size_t i = 0; i < dots.level.size(); ++i) {
        const int level = dots.level[i];
        std::uint32_t rgb = 0;
        if (!dots.opaque[i]) {
            rgb = 0xFFFFFF;
        } else if (colour != 0) {
            rgb = level == 0 ? 0xFFFFFF : level == 1 ? 0 : colour;
        } else if (top == 1 && !masked) {
            rgb = level == 0 ? kOffGreen : 0;
        } else {
            rgb = 0x010101U * static_cast<std::uint32_t>(255 - level * 255 / top);
        }
        pam += static_cast<char>(rgb >> 16);
        pam += static_cast<char>(rgb >> 8 & 0xFF);
        pam += static_cast<char>(rgb & 0xFF);
        pam += static_cast<char>(dots.opaque[i] ? 0xFF : 0);
    }
    WriteFile(path, pam);
}

// ImageMagick's count of pixels that differ, as text ("0" when none).
std::string DifferingPixels(const ScratchFolder& folder, const std::string& expected,
                            const std::string& shown) {
    const Ran compared = Shell(folder, "compare -metric AE " + expected + " " + shown + " null:");
    return compared.err.empty() ? "(no answer: " + compared.out + ")" : compared.err;
}

// ---- The panels ----

struct PanelCase {
    std::string name;
    std::string options; // given to convert and to show
    Form form;
    Paint paint;
    std::string preparation = {}; // given to convert alone
    std::vector<int> greys = {};  // the picture's grey of each level, where not evenly spaced
    bool inverted = false;        // the picture's darkest grey is level 0
};

Form Rows(int width, int height, int depth) {
    return {Kind::Rows, width, height, depth, true};
}
Form Pages(int width, int height, int depth) {
    return {Kind::Pages, width, height, depth, false};
}
Form WithRam(Form form, int ramWidth, int xOffset) {
    form.ramWidth = ramWidth;
    form.xOffset = xOffset;
    return form;
}
Form TriColour(int width, int height, bool inkIsZero) {
    Form form = Rows(width, height, 1);
    form.triColour = true;
    form.inkIsZero = inkIsZero;
    return form;
}
Form WithMask(Form form, Mask mask) {
    form.mask = mask;
    return form;
}

const std::vector<PanelCase>& PanelCases() {
    static const std::vector<PanelCase> kCases = {
        {"ssd1322", "--panel ssd1322", Rows(256, 64, 4), Paint::Greys16},
        {"ssd1322_odd_width", "--panel ssd1322 --size 255x9", Rows(255, 9, 4), Paint::Greys16},
        {"ssd1322_whole_ram", "--panel ssd1322 --ram-width 480 --x-offset 112",
         WithRam(Rows(256, 64, 4), 480, 112), Paint::Greys16},
        {"ssd1325", "--panel ssd1325", Rows(128, 64, 4), Paint::Greys16},
        {"ssd1325_depth_2", "--panel ssd1325 --depth 2 --size 126x20", Rows(126, 20, 2),
         Paint::Greys4},
        {"ssd1327", "--panel ssd1327", Rows(128, 128, 4), Paint::Greys16},
        {"ssd1327_inverted",
         "--panel ssd1327 --size 90x20",
         Rows(90, 20, 4),
         Paint::Greys16,
         "--invert",
         {},
         true},
        {"ssd1325_level_greys",
         "--panel ssd1325 --depth 2 --size 64x16",
         Rows(64, 16, 2),
         Paint::Greys4,
         "--levels 255,200,90,0",
         {255, 200, 90, 0}},
        {"st7528", "--panel st7528", Form{Kind::BitPlanes, 160, 100, 4, false}, Paint::Greys16},
        {"st7528_depth_2", "--panel st7528 --depth 2 --size 60x13",
         Form{Kind::BitPlanes, 60, 13, 2, false}, Paint::Greys4},
        {"uc1610", "--panel uc1610", Pages(160, 104, 2), Paint::Greys4},
        {"uc1610_part_page", "--panel uc1610 --size 90x50", Pages(90, 50, 2), Paint::Greys4},
        {"gxepd2_3c", "--panel gxepd2-3c", TriColour(200, 200, true), Paint::Red},
        {"gxepd2_3c_yellow_odd_width", "--panel gxepd2-3c --size 197x50 --colours black-yellow",
         TriColour(197, 50, true), Paint::Yellow},
        {"adafruit_epd_3c", "--panel adafruit-epd-3c", TriColour(200, 200, false), Paint::Red},
        {"adafruit_epd_3c_ink_0", "--panel adafruit-epd-3c --size 64x24 --ink 0",
         TriColour(64, 24, true), Paint::Red},
        {"tri_colour_masked", "--panel adafruit-epd-3c --size 61x20 --mask",
         WithMask(TriColour(61, 20, false), Mask::Plane), Paint::MaskedRed},
        {"adafruit_epd_3c_odd_width", "--panel adafruit-epd-3c --size 197x50",
         TriColour(197, 50, false), Paint::Red},
        {"sh1106_ram", "--panel sh1106-ram", WithRam(Pages(128, 64, 1), 132, 2), Paint::BlackWhite},
        {"mask_plane_pages", "--size 128x64 --layout pages --mask",
         WithMask(Pages(128, 64, 1), Mask::Plane), Paint::MaskedBlackWhite},
        {"mask_plane_grey_rows", "--panel ssd1325 --size 100x30 --mask plane",
         WithMask(Rows(100, 30, 4), Mask::Plane), Paint::MaskedGreys16},
        {"mask_interleaved", "--size 128x64 --layout pages --mask interleaved",
         WithMask(Pages(128, 64, 1), Mask::Interleaved), Paint::MaskedBlackWhite},
        {"mask_interleaved_part_page", "--size 100x44 --layout pages --mask interleaved",
         WithMask(Pages(100, 44, 1), Mask::Interleaved), Paint::MaskedBlackWhite},
    };
    return kCases;
}

// gtest names a row by its name, not its bytes.
void PrintTo(const PanelCase& panel, std::ostream* out) {
    *out << panel.options;
}

int TopOf(const Form& form) {
    return form.triColour ? 2 : (1 << form.depth) - 1;
}

std::uint32_t ColourOf(Paint paint) {
    return paint == Paint::Yellow ? 0xFFFF00 : Coloured(paint) ? 0xFF0000 : 0;
}

class PanelProof : public testing::TestWithParam<PanelCase> {};

// Every dither takes the exact levels as they are; show draws them back as the picture.
TEST_P(PanelProof, ExactLevelsPackAndShowInEveryDither) {
    const PanelCase& panel = GetParam();
    ScratchFolder folder;
    const Ran made = Shell(
        folder, PictureCommand(panel.paint, panel.form.width, panel.form.height, 11, panel.greys));
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const Dots dots = DotsOfPicture(folder, panel.paint, panel.greys, panel.inverted);
    ASSERT_FALSE(HasFailure());
    const Bytes expected = Joined(Pack(panel.form, dots));
    WriteExpectedPicture(folder / "expected.pam", dots, TopOf(panel.form), ColourOf(panel.paint),
                         panel.form.mask != Mask::None);

    for (std::size_t i = 0; i < kPreparations.size(); ++i) {
        SCOPED_TRACE(kPreparations[i].empty() ? "no preparation option" : kPreparations[i]);
        const std::string bin = std::to_string(i) + ".bin";
        const std::string png = std::to_string(i) + ".png";
        const Ran converted =
            Shell(folder, "\"$CLI\" convert " + panel.options + " " + panel.preparation + " " +
                              kPreparations[i] + " --format bin --stdout pic.png >" + bin);
        ASSERT_EQ(converted.exitCode, 0) << converted.err;
        EXPECT_EQ(Difference(expected, BytesOf(ReadFile(folder / bin))), "");

        const Ran shown =
            Shell(folder, "\"$CLI\" show " + panel.options + " --scale 1 --png " + png + " " + bin);
        ASSERT_EQ(shown.exitCode, 0) << shown.err;
        EXPECT_EQ(DifferingPixels(folder, "expected.pam", png), "0");
    }

    // A C header states its geometry: show needs no options to draw it.
    const Ran header = Shell(folder, "\"$CLI\" convert " + panel.options + " " + panel.preparation +
                                         " --format c --dither threshold --name art --stdout "
                                         "pic.png >art.h");
    ASSERT_EQ(header.exitCode, 0) << header.err;
    const Ran shown = Shell(folder, "\"$CLI\" show --scale 1 --png art.png art.h");
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_EQ(DifferingPixels(folder, "expected.pam", "art.png"), "0");
}

INSTANTIATE_TEST_SUITE_P(Panels, PanelProof, testing::ValuesIn(PanelCases()),
                         [](const testing::TestParamInfo<PanelCase>& info) {
                             return info.param.name;
                         });

// ---- The C output where a firmware runs ----

std::vector<std::string> HostLines(const std::string& out) {
    std::vector<std::string> lines;
    for (const std::string& line : Lines(out)) {
        if (line.starts_with("@")) {
            lines.push_back(line);
        }
    }
    return lines;
}

// The arrays ChipFlash printed: "@NAME COUNT" then lines of hex.
std::map<std::string, Bytes> PrintedArrays(const std::vector<std::string>& lines) {
    std::map<std::string, Bytes> arrays;
    Bytes* into = nullptr;
    for (const std::string& line : lines) {
        const std::string body = line.substr(1);
        const std::size_t space = body.find(' ');
        if (space != std::string::npos) {
            into = &arrays[body.substr(0, space)];
            continue;
        }
        if (into == nullptr || body == "end") {
            into = nullptr;
            continue;
        }
        for (std::size_t i = 0; i + 1 < body.size(); i += 2) {
            into->push_back(static_cast<std::uint8_t>(std::stoi(body.substr(i, 2), nullptr, 16)));
        }
    }
    return arrays;
}

struct ChipCase {
    std::string name;
    std::string options;
    Form form;
    Paint paint;
};

void PrintTo(const ChipCase& chip, std::ostream* out) {
    *out << chip.options;
}

class ChipProof : public testing::TestWithParam<ChipCase> {};

// Each array of the header (SYMBOL, or SYMBOL_black and SYMBOL_colour, and SYMBOL_mask) read
// through pgm_read_byte holds the packing's run of that name, on the host and on the chip.
TEST_P(ChipProof, EveryArrayReadFromProgramMemoryHoldsItsPlane) {
    const ChipCase& chip = GetParam();
    ScratchFolder folder;
    const Ran made =
        Shell(folder, PictureCommand(chip.paint, chip.form.width, chip.form.height, 23));
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const Dots dots = DotsOfPicture(folder, chip.paint);
    ASSERT_FALSE(HasFailure());
    const std::vector<PlaneBytes> runs = Pack(chip.form, dots);

    const Ran header = Shell(folder, "\"$CLI\" convert " + chip.options +
                                         " --dither floyd-steinberg --name art --stdout pic.png "
                                         ">art.h");
    ASSERT_EQ(header.exitCode, 0) << header.err;
    const std::string text = ReadFile(folder / "art.h");
    std::string body;
    for (const PlaneBytes& run : runs) {
        const std::string name = "art" + run.suffix;
        ASSERT_NE(text.find(" " + name + "["), std::string::npos)
            << "the header declares no array " << name << ":\n"
            << text.substr(0, 2000);
        body += "    ChipFlash(\"" + name + "\", " + name + ", sizeof " + name + ");\n";
    }
    WriteFile(folder / "main.c", "#include \"chip_io.h\"\n#include \"art.h\"\n\nint main(void) {\n"
                                 "    ChipStart();\n" +
                                     body + "    ChipStop();\n    return 0;\n}\n");
    const std::string include = " -I. -I'" + kPrograms + "' ";

    const Ran host = Shell(folder, kHostCompiler + include + "main.c -o host && ./host");
    ASSERT_EQ(host.exitCode, 0) << host.err;
    const Ran built = Shell(folder, kChipCompiler + include + "main.c -o chip.elf");
    ASSERT_EQ(built.exitCode, 0) << built.err;
    const Ran ran = Shell(folder, kSimulator + " chip.elf");
    ASSERT_EQ(ran.exitCode, 0) << ran.err.substr(0, 2000);

    const std::map<std::string, Bytes> onHost = PrintedArrays(HostLines(host.out));
    const std::map<std::string, Bytes> onChip = PrintedArrays(UartLines(ran.err));
    for (const PlaneBytes& run : runs) {
        const std::string name = "art" + run.suffix;
        SCOPED_TRACE(name);
        ASSERT_EQ(onHost.count(name), 1U);
        ASSERT_EQ(onChip.count(name), 1U) << "the chip printed no " << name;
        EXPECT_EQ(Difference(run.bytes, onHost.at(name)), "") << "on the host";
        EXPECT_EQ(Difference(run.bytes, onChip.at(name)), "") << "on the chip";
    }

    // Program memory, not RAM: the arrays lie in .text on the chip.
    const Ran symbols = Shell(folder, "avr-objdump -t chip.elf");
    ASSERT_EQ(symbols.exitCode, 0) << symbols.err;
    for (const PlaneBytes& run : runs) {
        const std::string name = "art" + run.suffix;
        bool inText = false;
        for (const std::string& line : Lines(symbols.out)) {
            if (line.ends_with(" " + name)) {
                inText = line.find(" .text") != std::string::npos;
            }
        }
        EXPECT_TRUE(inText) << name << " is not in program memory:\n" << symbols.out;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Headers, ChipProof,
    testing::Values(
        ChipCase{"grey_rows", "--panel ssd1325 --format c", Rows(128, 64, 4), Paint::Greys16},
        ChipCase{"grey_bitplanes", "--panel st7528 --format c",
                 Form{Kind::BitPlanes, 160, 100, 4, false}, Paint::Greys16},
        ChipCase{"grey_pages", "--panel uc1610 --format c", Pages(160, 104, 2), Paint::Greys4},
        ChipCase{"tri_colour_arduino", "--panel adafruit-epd-3c", TriColour(200, 200, false),
                 Paint::Red},
        ChipCase{"tri_colour_ink_zero", "--panel gxepd2-3c --size 197x50", TriColour(197, 50, true),
                 Paint::Red},
        ChipCase{"tri_colour_masked", "--panel gxepd2-3c --size 61x20 --mask",
                 WithMask(TriColour(61, 20, true), Mask::Plane), Paint::MaskedRed},
        ChipCase{"mask_plane", "--panel ssd1325 --size 100x30 --mask plane --format c",
                 WithMask(Rows(100, 30, 4), Mask::Plane), Paint::MaskedGreys16},
        ChipCase{"mask_interleaved", "--size 128x64 --layout pages --mask interleaved --format c",
                 WithMask(Pages(128, 64, 1), Mask::Interleaved), Paint::MaskedBlackWhite},
        ChipCase{"whole_ram", "--panel sh1106-ram --format c", WithRam(Pages(128, 64, 1), 132, 2),
                 Paint::BlackWhite}),
    [](const testing::TestParamInfo<ChipCase>& info) { return info.param.name; });

// ---- Two e-paper planes ----

// Over a dithered photo-like picture no dot is ink in both planes, and the padding of the
// rows is no ink, whichever value marks ink.
TEST(EpaperPlanes, NoDotIsInkInBothPlanes) {
    ScratchFolder folder;
    const Ran made = Shell(folder, "convert -size 197x60 -seed 1 plasma: \\( -size 197x60 "
                                   "gradient:red-blue \\) -compose blend -define "
                                   "compose:args=60 -composite PNG24:photo.png");
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const int width = 197;
    const int height = 60;
    const int rowBytes = (width + 7) / 8;
    const std::size_t planeBytes = static_cast<std::size_t>(rowBytes) * height;
    for (const bool inkIsZero : {true, false}) {
        for (const std::string colours : {"black-red", "black-yellow"}) {
            for (const std::string& preparation : kPreparations) {
                const std::string panel = inkIsZero ? "gxepd2-3c" : "adafruit-epd-3c";
                SCOPED_TRACE(panel + " " + colours + " " + preparation);
                const Ran converted =
                    Shell(folder, "\"$CLI\" convert --panel " + panel +
                                      " --size 197x60 --fit stretch --colours " + colours + " " +
                                      preparation + " --format bin --stdout photo.png >out.bin");
                ASSERT_EQ(converted.exitCode, 0) << converted.err;
                Bytes bytes = BytesOf(ReadFile(folder / "out.bin"));
                ASSERT_EQ(bytes.size(), 2 * planeBytes);
                if (inkIsZero) {
                    for (std::uint8_t& byte : bytes) {
                        byte = static_cast<std::uint8_t>(~byte);
                    }
                }
                int both = 0;
                int black = 0;
                int colour = 0;
                for (std::size_t i = 0; i < planeBytes; ++i) {
                    both += std::popcount(static_cast<unsigned>(bytes[i] & bytes[planeBytes + i]));
                    black += std::popcount(static_cast<unsigned>(bytes[i]));
                    colour += std::popcount(static_cast<unsigned>(bytes[planeBytes + i]));
                }
                EXPECT_EQ(both, 0) << "dots inked in both planes";
                EXPECT_GT(black, 0);
                EXPECT_GT(colour, 0) << "the photo's reds came out with no colour";
                for (int y = 0; y < height; ++y) {
                    const std::size_t last = static_cast<std::size_t>(y) * rowBytes + rowBytes - 1;
                    EXPECT_EQ(bytes[last] & 0x07, 0) << "row " << y << " inks its padding";
                    EXPECT_EQ(bytes[planeBytes + last] & 0x07, 0)
                        << "row " << y << " inks its padding";
                }
            }
        }
    }
}

} // namespace
} // namespace pelmora::test
