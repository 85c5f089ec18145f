#include "cli/font_command.h"

#include "cli/options.h"
#include "cli/usage.h"

#include "core/font/cell_table.h"
#include "core/font/gfx_font.h"
#include "core/font/u8g2_font.h"
#include "core/io/atomic_text_file.h"
#include "core/io/source_file.h"
#include "core/io/utf8_path.h"
#include "core/syntax/syntax.h"
#include "font/font_raster.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <optional>

namespace pelmora::cli {

namespace {

constexpr int kMaxPixelSize = 1024;
constexpr char32_t kLastCode = 0x10FFFF;
constexpr std::size_t kMaxCharsFile = 1024 * 1024;
constexpr std::size_t kMostMissingNamed = 20;

constexpr Option kFontOptions[] = {
    {"--size", "PX",
     "pixel size, 1 to 1024; a bitmap font's strike of that height\n"
     "(default: its first strike; 16 for outline fonts)"},
    {"--chars", "SET",
     "code points and ranges, e.g. 32-126,0xB0,0x2022, or @FILE for\n"
     "every character of a UTF-8 text (default 32-126)"},
    {"--format", "F",
     "gfxfont (default): a GFXfont C header; u8g2: a u8g2 font array;\n"
     "db, asm, gas, c, arduino, bin or ihex: a table of fixed cells"},
    {"--name", "SYMBOL", "the symbol (default: the font's file name and the size)"},
    {"--cell", "WxH",
     "a cell of the table (default: the widest advance x the line\n"
     "height, glyphs clipped to it; a given cell must hold every glyph)"},
    {"--layout", "L", "pages (default): column bytes of 8 rows; rows: rows from the top"},
    {"--bit-order", "B",
     "lsb or msb: the bit of the top (pages) or leftmost (rows) dot;\n"
     "default lsb, msb for rows"},
    {"--hinting", "H", "normal (default), light or none"},
    {"-o", "OUT", "write to OUT (one FONT only)"},
    {"--output-dir", "DIR", "write the files into DIR instead"},
    {"--stdout", {}, "write to standard output (one FONT only)"},
    {"--quiet", {}, "do not print the paths written"},
    {"--help", {}, {}},
};

// A code point: decimal, 0x hex or U+ hex.
bool ParseCode(std::string_view text, char32_t& code) {
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X") || text.starts_with("U+") ||
        text.starts_with("u+")) {
        base = 16;
        text.remove_prefix(2);
    }
    unsigned long value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, base);
    if (error != std::errc() || stop != end || text.empty() || value > kLastCode) {
        return false;
    }
    code = static_cast<char32_t>(value);
    return true;
}

// The distinct characters of UTF-8 text, control characters aside; false where the text
// is not UTF-8.
bool CharactersOf(std::string_view text, std::vector<char32_t>& codes) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int length = lead < 0x80         ? 1
                     : (lead >> 5) == 6  ? 2
                     : (lead >> 4) == 14 ? 3
                     : (lead >> 3) == 30 ? 4
                                         : 0;
        if (length == 0 || i + static_cast<std::size_t>(length) > text.size()) {
            return false;
        }
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = code << 6 | (next & 0x3F);
        }
        const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < smallest[length] || code > kLastCode || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        if (code >= 0x20 && code != 0x7F && code != 0xFEFF) {
            codes.push_back(code);
        }
        i += static_cast<std::size_t>(length);
    }
    return true;
}

std::string ParseChars(const std::string& set, std::vector<char32_t>& codes) {
    if (set.starts_with("@")) {
        const SourceFile file = ReadSourceFile(set.substr(1), kMaxCharsFile);
        if (!file.ok()) {
            return "--chars " + set + ": " + file.error;
        }
        if (!CharactersOf(file.bytes, codes)) {
            return "--chars " + set + ": the file is not UTF-8 text";
        }
    } else {
        std::string_view rest = set;
        while (true) {
            const std::size_t comma = rest.find(',');
            const std::string_view item = rest.substr(0, comma);
            const std::size_t dash = item.find('-', 1);
            char32_t low = 0;
            char32_t high = 0;
            const bool read = dash == std::string_view::npos
                                  ? ParseCode(item, low) && ParseCode(item, high)
                                  : ParseCode(item.substr(0, dash), low) &&
                                        ParseCode(item.substr(dash + 1), high);
            if (!read || low > high) {
                return "--chars takes code points and ranges such as 32-126,0xB0, or @FILE";
            }
            for (char32_t code = low; code <= high; ++code) {
                codes.push_back(code);
            }
            if (comma == std::string_view::npos) {
                break;
            }
            rest.remove_prefix(comma + 1);
        }
    }
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    if (codes.empty()) {
        return "--chars " + set + " names no character";
    }
    return {};
}

// "ter-u16n.pcf.gz" at 16 pixels: "ter_u16n_16".
std::string SymbolFor(const std::string& font, int pixelSize) {
    std::string base = Utf8FromPath(PathFromUtf8(font).filename());
    for (const std::string_view extension :
         {".gz", ".ttf", ".otf", ".otb", ".ttc", ".bdf", ".pcf", ".pfb", ".woff"}) {
        if (base.size() > extension.size()) {
            std::string tail = base.substr(base.size() - extension.size());
            std::transform(tail.begin(), tail.end(), tail.begin(),
                           [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
            if (tail == extension) {
                base.resize(base.size() - extension.size());
            }
        }
    }
    std::string symbol;
    for (const char c : base) {
        const bool keep =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        symbol += keep ? c : '_';
    }
    if (symbol.empty() || (symbol[0] >= '0' && symbol[0] <= '9')) {
        symbol.insert(symbol.begin(), '_');
    }
    return symbol + "_" + std::to_string(pixelSize);
}

struct FontJob {
    RasterOptions raster;
    std::string format = "gfxfont";
    const Syntax* syntax = nullptr; // the picture syntax of a cell table
    PanelLayout cell{.arrangement = Arrangement::Pages};
    bool cellGiven = false;
    std::string symbol; // empty: from each font
    std::string output;
    std::string outputDir;
    bool toStdout = false;
    bool quiet = false;
};

// The cell of the table: the given one, or the widest advance x the line height.
PanelLayout CellFor(const FontJob& job, const GlyphSet& set) {
    PanelLayout cell = job.cell;
    if (!job.cellGiven) {
        int widest = 1;
        for (const Glyph& glyph : set.glyphs) {
            widest = std::max(widest, glyph.advance);
        }
        cell.width = std::min(widest, kMaxPanelSide);
        cell.height = std::clamp(set.lineHeight, 1, kMaxPanelSide);
    }
    return cell;
}

int MakeFont(const FontJob& job, const std::string& font, StandardOutput& out) {
    const std::string shownName = font == "-" ? std::string("standard input") : font;
    const SourceFile source = ReadSourceFile(font);
    if (!source.ok()) {
        PrintError(shownName, source.error);
        return 1;
    }
    const RasterResult raster = RasteriseFont(source.bytes, job.raster);
    if (!raster.error.empty()) {
        PrintError(shownName, raster.error);
        return 1;
    }
    // A wide range may miss thousands: the first few are named, the rest counted.
    for (std::size_t i = 0; i < raster.missing.size(); ++i) {
        if (i == kMostMissingNamed) {
            PrintError({}, std::to_string(raster.missing.size() - i) +
                               " more characters are not in " + shownName);
            break;
        }
        PrintError({}, CodeName(raster.missing[i]) + " is not in " + shownName);
    }
    const GlyphSet& set = raster.set;
    const std::string symbol = job.symbol.empty() ? SymbolFor(font, set.pixelSize) : job.symbol;
    FontText written;
    std::string extension = ".h";
    if (job.format == "gfxfont") {
        written = WriteGfxFont(set, symbol);
    } else if (job.format == "u8g2") {
        written = WriteU8g2Font(set, symbol);
    } else {
        const PanelLayout cell = CellFor(job, set);
        if (const std::string problem = CheckLayout(cell); !problem.empty()) {
            PrintError(shownName, problem);
            return 1;
        }
        written = WriteCellTable(set, cell, *job.syntax, symbol, !job.cellGiven);
        extension = std::string(job.syntax->extension);
    }
    if (!written.error.empty()) {
        PrintError(shownName, written.error);
        return 1;
    }
    if (job.toStdout) {
        if (!out.write(written.text) || !out.flush()) {
            PrintError("standard output", out.error());
            return 1;
        }
        return 0;
    }
    std::filesystem::path path;
    if (!job.output.empty()) {
        path = PathFromUtf8(job.output);
    } else {
        const std::filesystem::path folder = !job.outputDir.empty() ? PathFromUtf8(job.outputDir)
                                             : font == "-"          ? std::filesystem::path()
                                                           : PathFromUtf8(font).parent_path();
        path = folder / PathFromUtf8(symbol + extension);
    }
    const std::string shownPath = Utf8FromPath(path);
    AtomicTextFile file(path);
    if (!file.open() || !file.write(written.text) || !file.commit()) {
        PrintError(shownPath, file.error());
        return 1;
    }
    if (!job.quiet && !out.write(shownPath + "\n")) {
        PrintError("standard output", out.error());
        return 1;
    }
    return 0;
}

} // namespace

const std::string_view kFontSynopsis =
    "font [--size PX] [--chars SET] [--format F] [--name SYMBOL]\n"
    "                        [--cell WxH] [--layout L] [--bit-order B] [--hinting H]\n"
    "                        [-o OUT | --output-dir DIR | --stdout] [--quiet] FONT...\n";

std::string FontHelp() {
    return "font     draws the characters of TrueType, OpenType, BDF, PCF (.pcf.gz too) and OTB\n"
           "         fonts with FreeType's 1-bit rasteriser and writes them as font data for\n"
           "         the firmware: SYMBOL.h, or SYMBOL and the syntax's extension, beside each\n"
           "         FONT, and prints each path. A FONT of - is standard input (it needs -o,\n"
           "         --stdout or --name).\n" +
           OptionHelp({kFontOptions});
}

int RunFont(const std::vector<std::string>& arguments, StandardOutput& out) {
    const ParsedArguments parsed = Parse(arguments, {kFontOptions});
    if (!parsed.error.empty()) {
        return UsageError(parsed.error);
    }
    if (parsed.has("--help")) {
        return PrintHelp(out);
    }
    FontJob job;
    if (const std::string* size = parsed.find("--size")) {
        int pixels = 0;
        if (!ParseWhole(*size, pixels) || pixels < 1 || pixels > kMaxPixelSize) {
            return UsageError("--size takes a whole number of pixels from 1 to 1024");
        }
        job.raster.pixelSize = pixels;
    }
    const std::string* chars = parsed.find("--chars");
    if (const std::string problem =
            ParseChars(chars != nullptr ? *chars : "32-126", job.raster.codes);
        !problem.empty()) {
        return UsageError(problem);
    }
    if (const std::string* format = parsed.find("--format")) {
        job.format = *format;
        if (*format == "xbm") {
            return UsageError("--format xbm holds one picture, not a font table");
        }
        if (*format != "gfxfont" && *format != "u8g2") {
            job.syntax = FindSyntax(*format);
            if (job.syntax == nullptr) {
                return UsageError("--format takes gfxfont, u8g2, db, asm, gas, c, arduino, bin "
                                  "or ihex");
            }
        }
    }
    const bool table = job.syntax != nullptr;
    for (const std::string_view option : {"--cell", "--layout", "--bit-order"}) {
        if (parsed.has(option) && !table) {
            return UsageError(std::string(option) + " goes with a table: --format db, asm, gas, "
                                                    "c, arduino, bin or ihex");
        }
    }
    if (const std::string* layout = parsed.find("--layout")) {
        if (*layout != "pages" && *layout != "rows") {
            return UsageError("--layout takes pages or rows for a font table");
        }
        job.cell.arrangement = *layout == "rows" ? Arrangement::Rows : Arrangement::Pages;
    }
    job.cell.bitOrder = job.cell.arrangement == Arrangement::Rows ? BitOrder::Msb : BitOrder::Lsb;
    if (const std::string* order = parsed.find("--bit-order")) {
        if (*order != "lsb" && *order != "msb") {
            return UsageError("--bit-order takes lsb or msb");
        }
        job.cell.bitOrder = *order == "lsb" ? BitOrder::Lsb : BitOrder::Msb;
    }
    if (const std::string* cell = parsed.find("--cell")) {
        const std::size_t cross = cell->find('x');
        if (cross == std::string::npos ||
            !ParseWhole(std::string_view(*cell).substr(0, cross), job.cell.width) ||
            !ParseWhole(std::string_view(*cell).substr(cross + 1), job.cell.height) ||
            job.cell.width < 1 || job.cell.height < 1 || job.cell.width > kMaxPanelSide ||
            job.cell.height > kMaxPanelSide) {
            return UsageError("--cell takes WIDTHxHEIGHT, each 1 to 4096");
        }
        job.cellGiven = true;
    }
    if (const std::string* hinting = parsed.find("--hinting")) {
        if (*hinting == "normal" || *hinting == "light" || *hinting == "none") {
            job.raster.hinting = *hinting == "normal"  ? Hinting::Normal
                                 : *hinting == "light" ? Hinting::Light
                                                       : Hinting::None;
        } else {
            return UsageError("--hinting takes normal, light or none");
        }
    }
    if (const std::string* name = parsed.find("--name")) {
        if (!IsSymbol(*name)) {
            return UsageError("--name takes a symbol: letters, digits and _, not first a digit");
        }
        job.symbol = *name;
    }
    job.toStdout = parsed.has("--stdout");
    job.quiet = parsed.has("--quiet");
    if (const std::string* output = parsed.find("-o")) {
        job.output = *output;
    }
    if (const std::string* dir = parsed.find("--output-dir")) {
        job.outputDir = *dir;
    }
    const std::vector<std::string>& fonts = parsed.files;
    if (fonts.empty()) {
        return UsageError("font needs at least one FONT");
    }
    if (int(!job.output.empty()) + int(!job.outputDir.empty()) + int(job.toStdout) > 1) {
        return UsageError("-o, --output-dir and --stdout exclude each other");
    }
    if ((job.toStdout || !job.output.empty()) && fonts.size() > 1) {
        return UsageError(std::string(job.toStdout ? "--stdout" : "-o") + " takes one FONT only");
    }
    if (std::count(fonts.begin(), fonts.end(), "-") > 1) {
        return UsageError("standard input (-) can be read once only");
    }
    if (std::count(fonts.begin(), fonts.end(), "-") == 1 && !job.toStdout && job.output.empty() &&
        job.symbol.empty()) {
        return UsageError("- (standard input) needs -o, --stdout, or --name to name the file");
    }
    if (!job.symbol.empty() && fonts.size() > 1 && job.output.empty() && !job.toStdout) {
        return UsageError("--name takes one FONT only: each file would have that name");
    }
    int status = 0;
    for (const std::string& font : fonts) {
        status = std::max(status, MakeFont(job, font, out));
    }
    return status;
}

} // namespace pelmora::cli
