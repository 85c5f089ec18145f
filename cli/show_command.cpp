#include "cli/show_command.h"

#include "cli/batch_targets.h"
#include "cli/font_show.h"
#include "cli/panel_options.h"
#include "cli/usage.h"

#include "core/bmp/bmp_writer.h"
#include "core/conversion/plotter.h"
#include "core/font/font_file.h"
#include "core/font/gfx_font.h"
#include "core/font/u8g2_font.h"
#include "core/frames/frames.h"
#include "core/io/atomic_text_file.h"
#include "core/io/png_writer.h"
#include "core/io/source_file.h"
#include "core/io/utf8_path.h"
#include "core/prepare/prepare.h"
#include "gif/gif_writer.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

namespace pelmora::cli {

namespace {

constexpr std::uint8_t kUndrawn = 0xFF;

// Whether the layout's dots are only on or off, drawn in the preview's colours; any other
// has levels, colours or a mask, drawn as greys or its colours.
bool OnOff(const PanelLayout& layout) {
    return layout.depth == 1 && layout.colours == Colours::None && layout.mask == MaskForm::None;
}

// The panel as read: each dot's level and whether a mask leaves it drawn; dots that the
// file does not reach stay undrawn.
class ShownPanel : public PointSink {
  public:
    explicit ShownPanel(const PanelLayout& layout)
        : width_(layout.width), height_(layout.height), layout_(layout),
          levels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), kUndrawn),
          opaque_(levels_.size(), 1), top_(TopLevel(layout)) {}
    void setPoint(int x, int y, bool on) override { setLevel(x, y, on ? 1 : 0, true); }
    void setLevel(int x, int y, int level, bool opaque) override {
        if (x >= 0 && x < width_ && y >= 0 && y < height_) {
            // Held to the layout's levels, so that every level has its colour and shade.
            levels_[offset(x, y)] = static_cast<std::uint8_t>(std::clamp(level, 0, top_));
            opaque_[offset(x, y)] = opaque ? 1 : 0;
        }
    }
    // The layout the dots were read by: their top level, colours and mask.
    const PanelLayout& layout() const { return layout_; }
    // kUndrawn for a dot the file does not reach.
    int level(int x, int y) const { return levels_[offset(x, y)]; }
    bool opaque(int x, int y) const { return opaque_[offset(x, y)] != 0; }
    // Dark enough to draw as on: any ink, or a grey darker than the middle.
    bool on(int x, int y) const {
        const int at = level(x, y);
        return at != kUndrawn && at != 0 && opaque(x, y) &&
               (layout_.colours != Colours::None || at * 2 > top_);
    }
    int width() const { return width_; }
    int height() const { return height_; }
    MonoPicture picture() const {
        MonoPicture picture(width_, height_);
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                picture.set(x, y, on(x, y));
            }
        }
        return picture;
    }

  private:
    std::size_t offset(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
               static_cast<std::size_t>(x);
    }
    int width_;
    int height_;
    PanelLayout layout_;
    std::vector<std::uint8_t> levels_;
    std::vector<std::uint8_t> opaque_;
    int top_;
};

// A dot as a character: '#' on and '.' off; greys by darkness from '.' (white) through
// light, medium and dark shade to a full block; tri-colour 'r' red or 'y' yellow; a dot a
// mask leaves undrawn, or the file does not reach, a space.
std::string_view DotCharacter(const ShownPanel& panel, int x, int y) {
    const int level = panel.level(x, y);
    if (level == kUndrawn || !panel.opaque(x, y)) {
        return " ";
    }
    const PanelLayout& layout = panel.layout();
    if (level == 0) {
        return ".";
    }
    if (layout.colours != Colours::None) {
        return level == 1 ? "#" : layout.colours == Colours::BlackRed ? "r" : "y";
    }
    if (layout.depth == 1) {
        return "#";
    }
    static constexpr std::string_view kShades[] = {"\u2591", "\u2592", "\u2593", "\u2588"};
    const int top = TopLevel(layout);
    return kShades[static_cast<std::size_t>((level * 4 + top - 1) / top - 1)];
}

std::string AsCharacters(const ShownPanel& panel) {
    std::string text;
    text.reserve(static_cast<std::size_t>(panel.width() + 1) *
                 static_cast<std::size_t>(panel.height()));
    for (int y = 0; y < panel.height(); ++y) {
        for (int x = 0; x < panel.width(); ++x) {
            text += DotCharacter(panel, x, y);
        }
        text += '\n';
    }
    return text;
}

// Two rows to a character: upper half block, lower half block, full block or space.
std::string AsHalfBlocks(const ShownPanel& panel) {
    std::string text;
    for (int y = 0; y < panel.height(); y += 2) {
        for (int x = 0; x < panel.width(); ++x) {
            const bool upper = panel.on(x, y);
            const bool lower = y + 1 < panel.height() && panel.on(x, y + 1);
            text += upper && lower ? "\u2588" : upper ? "\u2580" : lower ? "\u2584" : " ";
        }
        text += '\n';
    }
    return text;
}

// A colour as 0xRRGGBB; the core keeps red in the low byte.
std::uint32_t ColourRgb(Colour colour) {
    return (colour & 0xFFU) << 16 | (colour & 0xFF00U) | (colour >> 16 & 0xFFU);
}

// The largest picture written: four times the pixels of a 4096 x 4096 panel at scale 4.
constexpr std::uint64_t kMaxPicturePixels = std::uint64_t{1} << 30;

// The colour of each level, 0xRRGGBB: white (level 0) to black (the top) at the evenly
// spaced greys, or white, black and the e-paper's colour.
std::vector<std::uint32_t> LevelColours(const PanelLayout& layout) {
    if (layout.colours != Colours::None) {
        return {0xFFFFFF, 0x000000, layout.colours == Colours::BlackRed ? 0xFF0000U : 0xFFFF00U};
    }
    std::vector<std::uint32_t> colours;
    for (const int grey : LevelGreys(layout.depth, {})) {
        const auto value = static_cast<std::uint32_t>(grey);
        colours.push_back(value << 16 | value << 8 | value);
    }
    return colours;
}

std::string SavePicture(const ShownPanel& panel, const ShowOptions& options) {
    const std::uint64_t width =
        static_cast<std::uint64_t>(panel.width()) * static_cast<std::uint64_t>(options.scale);
    const std::uint64_t height =
        static_cast<std::uint64_t>(panel.height()) * static_cast<std::uint64_t>(options.scale);
    if (width * height > kMaxPicturePixels || width > kMaxPngSide || height > kMaxPngSide) {
        return "the picture would be too large; take a smaller --scale";
    }
    AtomicTextFile file(PathFromUtf8(options.pngFile));
    std::string pending;
    constexpr std::size_t kWriteSize = 64 * 1024;
    const auto collect = [&file, &pending](std::string_view piece) {
        pending += piece;
        if (pending.size() < kWriteSize) {
            return true;
        }
        const bool written = file.write(pending);
        pending.clear();
        return written;
    };
    bool made = false;
    const bool opened = file.open();
    if (opened && OnOff(panel.layout())) {
        // Undrawn dots stay white; the others take the preview's colours.
        PngPicture picture;
        picture.width = static_cast<int>(width);
        picture.height = static_cast<int>(height);
        picture.palette = {0xFFFFFF, ColourRgb(kOffDotColour), ColourRgb(kOnDotColour), 0xFFFFFF};
        picture.row = [&panel, scale = options.scale](int y, std::uint8_t* indices) {
            for (int x = 0; x < panel.width(); ++x) {
                const int level = panel.level(x, y / scale);
                const std::uint8_t index = level == kUndrawn ? 0 : level != 0 ? 2 : 1;
                std::fill_n(indices + static_cast<std::ptrdiff_t>(x) * scale, scale, index);
            }
        };
        made = WritePng(picture, collect);
    } else if (opened) {
        // Each level its colour, undrawn dots white as level 0, masked-out dots transparent.
        std::vector<std::uint32_t> palette = LevelColours(panel.layout());
        const auto transparent = static_cast<std::uint8_t>(palette.size());
        palette.push_back(0xFFFFFF);
        const auto rowOf = [&panel, transparent, scale = options.scale](int y,
                                                                        std::uint8_t* indices) {
            for (int x = 0; x < panel.width(); ++x) {
                const int level = panel.level(x, y / scale);
                const std::uint8_t index = !panel.opaque(x, y / scale) ? transparent
                                           : level == kUndrawn         ? 0
                                                               : static_cast<std::uint8_t>(level);
                std::fill_n(indices + static_cast<std::ptrdiff_t>(x) * scale, scale, index);
            }
        };
        PngPicture picture;
        picture.width = static_cast<int>(width);
        picture.height = static_cast<int>(height);
        picture.alphas.assign(palette.size(), 0xFF);
        picture.alphas.back() = 0;
        picture.palette = std::move(palette);
        picture.row = rowOf;
        made = WritePng(picture, collect);
    }
    if (!made || !file.write(pending) || !file.commit()) {
        return file.error().empty() ? std::string("the picture could not be made") : file.error();
    }
    return {};
}

// The panel drawn from a picture of on dots.
ShownPanel ShownOf(const MonoPicture& picture) {
    PanelLayout size;
    size.width = std::max(picture.width, 1);
    size.height = std::max(picture.height, 1);
    ShownPanel dots(size);
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            dots.setPoint(x, y, x < picture.width && y < picture.height && picture.at(x, y));
        }
    }
    return dots;
}

// A 1-bit BMP that converts back to the same file; levels and colours as a 4-bit BMP of
// their greys or colours, which convert prepares back to the same levels.
std::string SaveBitmap(const ShownPanel& panel, const std::string& path) {
    const PanelLayout& layout = panel.layout();
    std::string bmp;
    if (OnOff(layout)) {
        bmp = EncodeMonoBmp(panel.picture());
    } else if (layout.mask != MaskForm::None) {
        return "a BMP holds no transparency: take --png for a masked panel";
    } else {
        std::vector<std::uint8_t> indices;
        indices.reserve(static_cast<std::size_t>(panel.width()) *
                        static_cast<std::size_t>(panel.height()));
        for (int y = 0; y < panel.height(); ++y) {
            for (int x = 0; x < panel.width(); ++x) {
                const int level = panel.level(x, y);
                indices.push_back(level == kUndrawn ? 0 : static_cast<std::uint8_t>(level));
            }
        }
        bmp = EncodeIndexedBmp(panel.width(), panel.height(), indices, LevelColours(layout));
    }
    AtomicTextFile file(PathFromUtf8(path));
    if (!file.open() || !file.write(bmp) || !file.commit()) {
        return file.error();
    }
    return {};
}

// A font file: its glyphs listed, or the text drawn, on the terminal or as a picture.
int ShowFont(const ShowOptions& options, const std::string& bytes, StandardOutput& out) {
    FontShowOptions font;
    font.file = options.textFile;
    font.format = !options.fontFormat.empty() ? options.fontFormat
                  : options.syntax != nullptr ? std::string(options.syntax->name)
                                              : std::string();
    font.cell = options.cell;
    font.text = options.text;
    font.blocks = options.blocks;
    font.content = &bytes;
    const std::string& picturePath = !options.pngFile.empty() ? options.pngFile : options.bmpFile;
    if (picturePath.empty()) {
        return RunFontShow(font, out);
    }
    if (options.text.empty()) {
        return UsageError("--png and --bmp draw a font's --text");
    }
    MonoPicture drawn;
    if (!DrawFontFile(font, drawn)) {
        return 1;
    }
    const ShownPanel panel = ShownOf(drawn);
    const std::string error =
        !options.pngFile.empty() ? SavePicture(panel, options) : SaveBitmap(panel, picturePath);
    if (!error.empty()) {
        PrintError(picturePath, error);
        return 1;
    }
    return 0;
}

// The frames of a frames file: each on the terminal under "frame N: D ms", or one as a
// picture, or all as an animated GIF in the preview's colours.
int ShowReadFrames(const ShowOptions& options, const ReadFrames& read, const std::string& shownName,
                   StandardOutput& out) {
    if (!read.error.empty()) {
        PrintError({}, shownName + (read.error.starts_with("line ") ? ", " : ": ") + read.error);
        return 1;
    }
    const PanelLayout layout = read.layout.value_or(options.layout);
    const std::size_t count = read.frames.size();
    if (options.frame && static_cast<std::size_t>(*options.frame) >= count) {
        PrintError(shownName, "there is no frame " + std::to_string(*options.frame) +
                                  ": the file holds " + std::to_string(count));
        return 1;
    }
    // Files without delays play each frame for 100 ms.
    const auto delayOf = [&read](std::size_t n) {
        return read.delays ? read.frames[n].delayMs : 100;
    };
    if (!options.gifFile.empty()) {
        const std::uint64_t width =
            static_cast<std::uint64_t>(layout.width) * static_cast<std::uint64_t>(options.scale);
        const std::uint64_t height =
            static_cast<std::uint64_t>(layout.height) * static_cast<std::uint64_t>(options.scale);
        if (width * height > kMaxPicturePixels || width > 65535 || height > 65535) {
            PrintError(options.gifFile, "the picture would be too large; take a smaller --scale");
            return 1;
        }
        std::optional<ShownPanel> shown;
        int shownFrame = -1;
        GifAnimation animation;
        animation.width = static_cast<int>(width);
        animation.height = static_cast<int>(height);
        // A GIF takes four colours here: the preview's, or white, black and the e-paper's
        // colour, or four greys (sixteen levels drawn four to a grey); masked-out dots white.
        const bool onOff = OnOff(layout);
        const int top = TopLevel(layout);
        if (onOff) {
            animation.palette = {0xFFFFFF, ColourRgb(kOffDotColour), ColourRgb(kOnDotColour),
                                 0xFFFFFF};
        } else if (layout.colours != Colours::None) {
            const std::vector<std::uint32_t> colours = LevelColours(layout);
            animation.palette = {colours[0], colours[1], colours[2], 0xFFFFFF};
        } else {
            animation.palette = {0xFFFFFF, 0xAAAAAA, 0x555555, 0x000000};
        }
        const auto indexOf = [&](int level, bool opaque) -> std::uint8_t {
            if (onOff) {
                return level != 0 && level != kUndrawn ? 2 : 1;
            }
            if (!opaque || level == kUndrawn) {
                return 0;
            }
            return static_cast<std::uint8_t>(
                layout.colours != Colours::None ? level : (level * 3 + top / 2) / top);
        };
        animation.frames = static_cast<int>(count);
        animation.delayMs = [&](int n) {
            return delayOf(static_cast<std::size_t>(n));
        };
        animation.row = [&](int n, int y, std::uint8_t* indices) {
            if (n != shownFrame) {
                shown.emplace(layout);
                UnpackPanel(layout, 0, read.frames[static_cast<std::size_t>(n)].bytes, *shown);
                shownFrame = n;
            }
            for (int x = 0; x < layout.width; ++x) {
                const int dotY = y / options.scale;
                std::fill_n(indices + static_cast<std::ptrdiff_t>(x) * options.scale, options.scale,
                            indexOf(shown->level(x, dotY), shown->opaque(x, dotY)));
            }
        };
        const EncodedGif gif = EncodeGif(animation);
        AtomicTextFile file(PathFromUtf8(options.gifFile));
        if (!gif.ok() || !file.open() || !file.write(gif.bytes) || !file.commit()) {
            PrintError(options.gifFile, !gif.ok()              ? gif.error
                                        : file.error().empty() ? "the GIF could not be made"
                                                               : file.error());
            return 1;
        }
        return 0;
    }
    const auto dotsOf = [&](std::size_t n) {
        ShownPanel panel(layout);
        UnpackPanel(layout, 0, read.frames[n].bytes, panel);
        return panel;
    };
    if (!options.pngFile.empty() || !options.bmpFile.empty()) {
        const ShownPanel panel = dotsOf(static_cast<std::size_t>(options.frame.value_or(0)));
        const std::string& path = !options.pngFile.empty() ? options.pngFile : options.bmpFile;
        const std::string error =
            !options.pngFile.empty() ? SavePicture(panel, options) : SaveBitmap(panel, path);
        if (!error.empty()) {
            PrintError(path, error);
            return 1;
        }
        return 0;
    }
    for (std::size_t n = 0; n < count; ++n) {
        if (options.frame && static_cast<std::size_t>(*options.frame) != n) {
            continue;
        }
        const ShownPanel panel = dotsOf(n);
        std::string shown = "frame " + std::to_string(n) +
                            (read.delays ? ": " + std::to_string(delayOf(n)) + " ms" : "") + "\n";
        shown += options.blocks ? AsHalfBlocks(panel) : AsCharacters(panel);
        if (!out.write(shown)) {
            break;
        }
    }
    if (!out.flush()) {
        PrintError("standard output", out.error());
        return 1;
    }
    return 0;
}

int ShowFrames(const ShowOptions& options, const std::string& text, const std::string& shownName,
               StandardOutput& out) {
    const Syntax& syntax =
        options.syntax != nullptr ? *options.syntax : FramesSyntaxOfText(text, options.textFile);
    return ShowReadFrames(options, ReadFramesText(text, syntax, options.layout), shownName, out);
}

// The panel drawn: on the terminal, or as a picture.
int ShowPanel(const ShowOptions& options, const PanelLayout& layout,
              std::span<const std::uint8_t> bytes, StandardOutput& out) {
    ShownPanel panel(layout);
    UnpackPanel(layout, 0, bytes, panel);
    if (!options.pngFile.empty()) {
        const std::string error = SavePicture(panel, options);
        if (!error.empty()) {
            PrintError(options.pngFile, error);
            return 1;
        }
        return 0;
    }
    if (!options.bmpFile.empty()) {
        if (const std::string error = SaveBitmap(panel, options.bmpFile); !error.empty()) {
            PrintError(options.bmpFile, error);
            return 1;
        }
        return 0;
    }
    const std::string text = options.blocks ? AsHalfBlocks(panel) : AsCharacters(panel);
    if (!out.write(text) || !out.flush()) {
        PrintError("standard output", out.error());
        return 1;
    }
    return 0;
}

// A packed file unpacked: a picture, or frames when it holds them or is asked to.
int ShowPacked(const ShowOptions& options, const std::string& text, const std::string& shownName,
               StandardOutput& out) {
    const Syntax& syntax =
        options.syntax != nullptr ? *options.syntax : SyntaxOfText(text, options.textFile);
    ReadFrames read = ReadPackedText(text, syntax, options.layout, options.packing, options.frames);
    if (!read.error.empty() || options.frames || read.delays || read.frames.size() != 1) {
        return ShowReadFrames(options, read, shownName, out);
    }
    return ShowPanel(options, read.layout.value_or(options.layout), read.frames.front().bytes, out);
}

} // namespace

int RunShow(const ShowOptions& options, StandardOutput& out) {
    const std::string& path = options.textFile;
    const SourceFile source = ReadSourceFile(path);
    const std::string shownName = path == "-" ? std::string("standard input") : path;
    if (!source.ok()) {
        PrintError(shownName, source.error);
        return 1;
    }
    for (const std::string& picture : {options.pngFile, options.bmpFile, options.gifFile}) {
        BatchTargets targets({path});
        if (const std::string taken = picture.empty() ? "" : targets.claim(picture, path);
            !taken.empty()) {
            PrintError(picture, taken);
            return 1;
        }
    }
    if (!options.font && (options.packing || ClaimsPacked(source.bytes))) {
        return ShowPacked(options, source.bytes, shownName, out);
    }
    if (!options.font && (options.frames || ClaimsFrames(source.bytes))) {
        return ShowFrames(options, source.bytes, shownName, out);
    }
    if (options.font || ClaimsGfxFont(source.bytes) || ClaimsU8g2Font(source.bytes)) {
        return ShowFont(options, source.bytes, out);
    }
    const PanelText read = ReadPanelText(source.bytes, options.layout, options.syntax, path);
    if (!read.error.empty()) {
        PrintError({}, shownName + (read.error.starts_with("line ") ? ", " : ": ") + read.error);
        return 1;
    }
    // A text short of its panel (cut, or lying about its size) is no panel to draw.
    if (const std::string whole = WholePanelError(read); !whole.empty()) {
        PrintError(shownName, "not a whole panel: " + whole);
        return 1;
    }
    return ShowPanel(options, read.layout, read.bytes, out);
}

namespace {

constexpr Option kShowOptions[] = {
    {"--help", {}, {}},
    {"--text", "TEXT",
     "a font file: draw TEXT (UTF-8) as the firmware would, by the\n"
     "glyphs' advances on one baseline; without it every glyph is listed"},
    {"--cell", "WxH", "a font table's cell, where the file states none"},
    {"--blocks", {}, "print half blocks, two rows to a character"},
    {"--png", "OUT.png",
     "write the panel as a picture in the preview's colours; greys,\n"
     "e-paper colours, and masked-out dots transparent, beyond one bit"},
    {"--bmp", "OUT.bmp",
     "write the panel as a 1-bit BMP that converts back to the same file\n"
     "(greys and e-paper colours: a 4-bit BMP that convert prepares back)"},
    {"--scale", "N", "pixels per dot in the picture, 1 to 64 (default 4)"},
    {"--frames",
     {},
     "read the file as frames (bin and ihex, which carry no mark;\n"
     "their count is the bytes over the panel's); frames files of the\n"
     "other syntaxes are told by their content"},
    {"--frame", "N",
     "of frames, only frame N (from 0); --png and --bmp write frame 0\n"
     "unless told"},
    {"--gif", "OUT.gif",
     "write the frames as an animated GIF in the preview's colours,\n"
     "with their delays (100 ms each where the file has none)"},
    {"--compress", "SCHEME",
     "the file is packed by SCHEME: none, packbits, lzss, arduboy or\n"
     "auto (db, bin and ihex, which do not say; the others are told by\n"
     "their content)"},
    {"--delta", {}, "packed frames were each XORed with the one before"},
};

} // namespace

const std::string_view kShowSynopsis =
    "show [--format F] [--layout L] [--bit-order B] [--size WxH]\n"
    "                        [--block-width N] [--panel NAME] [--depth N] [--colours C]\n"
    "                        [--mask [FORM]] [--ram-width N] [--x-offset K]\n"
    "                        [--png OUT.png | --bmp OUT.bmp]\n"
    "                        [--scale N] [--blocks] [--text TEXT] [--cell WxH]\n"
    "                        [--frames] [--frame N] [--gif OUT.gif]\n"
    "                        [--compress SCHEME [--delta]] FILE\n";

std::string ShowHelp() {
    return "show     reads a file of any of those syntaxes (told by its content, then its\n"
           "         extension; --format to say) with the geometry it states, else the one the\n"
           "         options give (convert's panel options), and prints the panel, '#' on and\n"
           "         '.' off; greys from '.' (white) through \u2591 \u2592 \u2593 to \u2588 "
           "(black), 'r' or 'y'\n"
           "         for the e-paper's colour, a space where a mask leaves the dot undrawn.\n"
           "         --png draws greys, e-paper colours and transparent masked-out dots. It\n"
           "         reads the font files that font writes too (--format gfxfont or u8g2).\n" +
           OptionHelp({kShowOptions});
}

int ShowCommand(const std::vector<std::string>& arguments, StandardOutput& out) {
    const ParsedArguments parsed = Parse(arguments, {kShowOptions, PanelOptions(), DotOptions()});
    if (!parsed.error.empty()) {
        return UsageError(parsed.error);
    }
    if (parsed.has("--help")) {
        return PrintHelp(out);
    }
    if (parsed.files.size() != 1) {
        return UsageError("show takes one TEXTFILE");
    }
    ShowOptions options;
    options.textFile = parsed.files.front();
    // The font formats are no panel syntaxes: they are taken out before the panel's options.
    ParsedArguments panelArguments = parsed;
    if (const std::string format = parsed.value("--format");
        parsed.has("--format") && FontKindNamed(format) != FontKind::Table) {
        options.fontFormat = format;
        panelArguments.options.erase("--format");
    }
    options.text = parsed.value("--text");
    if (parsed.has("--cell")) {
        const std::optional<DotSize> size = ReadDotSize(parsed.value("--cell"));
        if (!size) {
            return UsageError("--cell takes " + DotSizeWanted());
        }
        const PanelLayout cell{
            .width = size->width, .height = size->height, .arrangement = Arrangement::Pages};
        options.cell = cell;
    }
    options.font = !options.fontFormat.empty() || options.cell || parsed.has("--text");
    options.pngFile = parsed.value("--png");
    options.bmpFile = parsed.value("--bmp");
    OutputChoice choice;
    if (AssetReader reader(NamedOptions(panelArguments), KeyStyle::Option, ProblemsSaid::First);
        !reader.readPanel(choice)) {
        return UsageError(reader.said(reader.problems().front()));
    }
    // A preset's syntax is what convert writes for it; a file read back is told by its own
    // content unless --format says otherwise (raw bytes claim nothing).
    options.syntax = panelArguments.has("--format") ? choice.syntax : nullptr;
    options.layout = *choice.layout;
    options.blocks = parsed.has("--blocks");
    if (parsed.has("--scale")) {
        if (!ParseWhole(parsed.value("--scale"), options.scale) || options.scale < 1 ||
            options.scale > 64) {
            return UsageError("--scale takes a whole number from 1 to 64");
        }
    }
    options.frames = parsed.has("--frames");
    options.gifFile = parsed.value("--gif");
    if (parsed.has("--compress")) {
        const std::optional<Scheme> scheme = FindScheme(parsed.value("--compress"));
        if (!scheme) {
            return UsageError("--compress takes none, packbits, lzss, arduboy or auto");
        }
        // none without --delta is the plain bytes, read as ever.
        if (const Packing packing{*scheme, parsed.has("--delta")}; packing.packs()) {
            options.packing = packing;
        }
    } else if (parsed.has("--delta")) {
        return UsageError("--delta goes with --compress");
    }
    if (parsed.has("--frame")) {
        int frame = 0;
        if (!ParseWhole(parsed.value("--frame"), frame) || frame < 0) {
            return UsageError("--frame takes a frame's number, from 0");
        }
        options.frame = frame;
        options.frames = true;
    }
    if (!options.gifFile.empty()) {
        options.frames = true;
        if (!(options.pngFile + options.bmpFile).empty() || options.blocks || options.frame) {
            return UsageError("--gif excludes --png, --bmp, --blocks and --frame");
        }
    }
    if (options.frames && options.font) {
        return UsageError("frames are no font: --frames, --frame and --gif exclude --text and "
                          "--cell");
    }
    if (options.blocks && !(options.pngFile.empty() && options.bmpFile.empty())) {
        return UsageError("--blocks and --png or --bmp exclude each other");
    }
    if (!options.pngFile.empty() && !options.bmpFile.empty()) {
        return UsageError("--png and --bmp exclude each other");
    }
    if (options.text.empty() && options.font && !(options.pngFile + options.bmpFile).empty()) {
        return UsageError("--png and --bmp draw a font's --text");
    }
    return RunShow(options, out);
}

} // namespace pelmora::cli
