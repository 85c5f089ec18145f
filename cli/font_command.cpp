#include "cli/font_command.h"

#include "cli/batch_targets.h"
#include "cli/options.h"
#include "cli/usage.h"

#include "asset_making/font_making.h"
#include "core/asset_build/asset_header.h"
#include "core/font/character_set.h"
#include "core/io/atomic_text_file.h"
#include "core/io/utf8_path.h"
#include "core/syntax/syntax.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>

namespace pelmora::cli {

namespace {

// The limit said in the help is the one the reader holds a pixel size to.
constexpr std::string_view kSizeHelp =
    "pixel size, 1 to 1024; a bitmap font's strike of that height\n"
    "(default: its first strike; 16 for outline fonts)";
static_assert(kMaxFontPixelSize == 1024 && kSizeHelp.find(" 1024;") != std::string_view::npos);
constexpr Option kFontOptions[] = {
    {"--size", "PX", kSizeHelp},
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
    {"--output-dir", "DIR", "write the files into DIR (default: the current folder)"},
    {"--stdout", {}, "write to standard output (one FONT only)"},
    {"--quiet", {}, "do not print the paths written"},
    {"--help", {}, {}},
};

struct FontJob {
    FontInput font;     // what the font is drawn and written with
    std::string symbol; // empty: from each font
    std::string output;
    std::string outputDir;
    bool toStdout = false;
    bool quiet = false;
};

// A font's file, made but not yet written.
struct FontResult {
    std::string font;
    std::string path; // where it goes; empty for standard output
    FontFile written;
};

// The font's file as text, or 1 with its reason said.
int MakeFont(const FontJob& job, const std::string& font, FontResult& result) {
    const std::string shownName = font == "-" ? std::string("standard input") : font;
    MadeFont made = MakeFontBytes(job.font, job.symbol, font);
    if (!made.raster.warning.empty()) {
        PrintError(shownName, made.raster.warning);
    }
    for (const std::string& line : MissingLines(made.raster.missing, shownName)) {
        PrintError({}, line);
    }
    if (!made.problem.ok()) {
        PrintError(shownName, made.problem.error);
        return 1;
    }
    result.font = font;
    result.written = std::move(made.file);
    if (!job.toStdout) {
        // Into the current folder unless told otherwise: a font's own folder may be the
        // system's, and not writable.
        result.path = !job.output.empty()
                          ? job.output
                          : Utf8FromPath(PathFromUtf8(job.outputDir) /
                                         PathFromUtf8(made.symbol + result.written.extension));
    }
    return 0;
}

int WriteFont(const FontResult& made, bool quiet, StandardOutput& out) {
    if (made.path.empty()) {
        if (!out.write(made.written.text) || !out.flush()) {
            PrintError("standard output", out.error());
            return 1;
        }
        return 0;
    }
    AtomicTextFile file(PathFromUtf8(made.path));
    if (!file.open() || !file.write(made.written.text) || !file.commit()) {
        PrintError(made.path, file.error());
        return 1;
    }
    if (!quiet && !out.write(made.path + "\n")) {
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
           "         the firmware: SYMBOL.h, or SYMBOL and the syntax's extension, in the\n"
           "         current folder (or -o OUT, or --output-dir DIR), and prints each path.\n"
           "         No result replaces a FONT, the --chars file or another result. A FONT of\n"
           "         - is standard input (it needs -o, --stdout or --name).\n" +
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
    AssetReader reader(NamedOptions(parsed), KeyStyle::Option, ProblemsSaid::First);
    FontInput& font = job.font;
    if (!reader.readFont(AssetReader::FontFormats::Any, {}, font)) {
        const OptionProblem& problem = reader.problems().front();
        if (!problem.file.empty()) { // unreadable as any file: 1, not a misuse
            PrintError(problem.file, problem.fileError);
            return 1;
        }
        return UsageError(reader.said(problem));
    }
    if (const std::string* name = parsed.find("--name")) {
        if (!IsSymbol(*name)) {
            return UsageError("--name takes a symbol: letters, digits and _, not first a digit");
        }
        // The header must compile: the name, and every name it makes (NAME_WIDTH, ...).
        const std::vector<std::string> symbols =
            AssetSymbols(AssetKind::Font, *name, font.format.name);
        for (std::size_t i = 0; i < symbols.size(); ++i) {
            const std::string problem =
                i == 0 ? SymbolProblem(symbols[i]) : MadeSymbolProblem(symbols[i]);
            if (!problem.empty()) {
                return UsageError("--name " + *name + (i == 0 ? "" : " makes " + symbols[i]) +
                                  ": " + problem);
            }
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
    // Every file is made before any is written, so that no result replaces a font, the
    // characters' file or another result of this run.
    int status = 0;
    std::vector<FontResult> made;
    for (const std::string& font : fonts) {
        FontResult one;
        if (MakeFont(job, font, one) != 0) {
            status = 1;
        } else {
            made.push_back(std::move(one));
        }
    }
    std::vector<std::string> inputs = fonts;
    if (!font.charsFile.empty()) {
        inputs.push_back(font.charsFile);
    }
    BatchTargets targets(inputs);
    bool refused = false;
    for (const FontResult& one : made) {
        if (one.path.empty()) {
            continue;
        }
        std::error_code unknown;
        std::string reason = std::filesystem::is_directory(PathFromUtf8(one.path), unknown)
                                 ? "is a folder; name a file"
                                 : targets.claim(one.path, one.font);
        if (!reason.empty()) {
            PrintError(one.path, reason);
            refused = true;
        }
    }
    if (refused) {
        return 1;
    }
    for (const FontResult& one : made) {
        status = std::max(status, WriteFont(one, job.quiet, out));
    }
    return status;
}

} // namespace pelmora::cli
