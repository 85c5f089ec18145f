// pelmora-cli: the converter for build scripts and batch work. It needs only the core and
// libjpeg: no job loads a user-interface library.

#include "cli/cli_output.h"
#include "cli/convert_command.h"
#include "cli/font_command.h"
#include "cli/prepare_command.h"
#include "cli/show_command.h"
#include "core/panel/panel_layout.h"
#include "core/syntax/syntax.h"

#include <charconv>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace pelmora;
using namespace pelmora::cli;

constexpr int kExitUsage = 2;

// The synopsis, which a usage error repeats, and the help that follows it for --help.
const char kSynopsis[] =
    "Usage: pelmora-cli convert [--inverse] [--format F] [--layout L] [--bit-order B]\n"
    "                           [--size WxH] [--block-width N] [--name SYMBOL]\n"
    "                           [PREPARATION...] [--output-dir DIR | --stdout] [--quiet]\n"
    "                           PICTURE...\n"
    "       pelmora-cli prepare [--size WxH] [PREPARATION...] [-o OUT.bmp | --output-dir DIR]\n"
    "                           [--quiet] PICTURE...\n"
    "       pelmora-cli show [--format F] [--layout L] [--bit-order B] [--size WxH]\n"
    "                        [--block-width N] [--png OUT.png | --bmp OUT.bmp] [--scale N]\n"
    "                        [--blocks] FILE\n"
    "       pelmora-cli --help | --version\n";
const char kHelp[] =
    "\n"
    "Turns pictures into the bytes of a monochrome graphic LCD or OLED panel,\n"
    "written in the syntax the firmware needs, and shows such a file as the panel would.\n"
    "By default: a 128 x 64 panel of two 64-column halves, as DB lines: left half first,\n"
    "page by page, column by column, top pixel in bit 0.\n"
    "\n"
    "convert  writes lcd_NAME.txt beside each PICTURE (every \".bmp\" in the name becomes\n"
    "         \".txt\"; other formats replace the last extension) and prints each path.\n"
    "  --inverse         dots in the palette's second colour are on (default: the first)\n"
    "  --format F        db (default), asm, gas, c, arduino, xbm, bin or ihex\n"
    "  --layout L        halves (default): blocks of --block-width columns, 8-row pages;\n"
    "                    pages: one block as wide as the panel; rows: rows from the top\n"
    "  --bit-order B     lsb or msb: the bit of the top dot (pages) or the leftmost (rows);\n"
    "                    default lsb, msb for rows\n"
    "  --size WxH        the panel, 1 to 4096 each way (default 128x64); the picture\n"
    "                    must have this size\n"
    "  --block-width N   columns of one block in halves (default 64)\n"
    "  --name SYMBOL     the symbol of the data (default: from the output file's name)\n"
    "  --output-dir DIR  write the files into DIR instead\n"
    "  --stdout          write the file's bytes to standard output (one PICTURE only)\n"
    "  --quiet           do not print the paths written\n"
    "\n"
    "show     reads a file of any of those syntaxes (told by its content, then its\n"
    "         extension; --format to say) with the geometry it states, else the one the\n"
    "         options give, and prints the panel, '#' on and '.' off.\n"
    "  --blocks          print half blocks, two rows to a character\n"
    "  --png OUT.png     write the panel as a picture in the preview's colours\n"
    "  --bmp OUT.bmp     write the panel as a 1-bit BMP that converts back to the same file\n"
    "  --scale N         pixels per dot in the picture, 1 to 64 (default 4)\n"
    "\n"
    "prepare  makes any picture a 1-bit BMP of the panel's size, NAME_WxH.bmp beside it\n"
    "         (or -o OUT.bmp for one picture, or into --output-dir), never over the\n"
    "         picture itself. Reads PNG, JPEG, GIF, BMP of any depth, TIFF and WebP.\n"
    "         convert takes the same PREPARATION options and then any picture.\n"
    "  --fit F           contain (default), cover, stretch or none\n"
    "  --background B    white (default) or black, under transparency and margins\n"
    "  --dither D        floyd-steinberg (default), atkinson, bayer or threshold\n"
    "  --threshold N     with threshold: on where grey < N, 0 to 256 (default 128), or auto\n"
    "  --brightness N    -100 to 100 (default 0)\n"
    "  --contrast N      -100 to 100 (default 0)\n"
    "  --rotate DEG      0, 90, 180 or 270, clockwise, before fitting\n"
    "  --mirror M        horizontal or vertical, before fitting\n"
    "  --invert          flip every dot of the result\n"
    "\n"
    "  -                 as a PICTURE or FILE: standard input (convert needs --stdout,\n"
    "                    or --name to name the file it writes)\n"

    "  --                end of options; every argument after it is a file\n"
    "\n"
    "Exit status: 0 on success, 1 when any file failed, 2 for a usage error.\n";

int UsageError(std::string_view message) {
    PrintError({}, message);
    std::fputs(kSynopsis, stderr);
    std::fputs("Run pelmora-cli --help for the options.\n", stderr);
    return kExitUsage;
}

int PrintUsage(StandardOutput& out) {
    if (!out.write(kSynopsis) || !out.write(kHelp) || !out.flush()) {
        PrintError("standard output", out.error());
        return 1;
    }
    return 0;
}

using Names = std::set<std::string_view>;

// A command's arguments: options by name (value empty for a switch) and the rest.
struct ParsedArguments {
    std::map<std::string, std::string, std::less<>> options;
    std::vector<std::string> files;
    std::string error;

    bool has(std::string_view name) const { return options.find(name) != options.end(); }
    std::string value(std::string_view name) const {
        const auto found = options.find(name);
        return found == options.end() ? std::string() : found->second;
    }
};

// Switches take no value; valued options take the next argument or "--name=value".
// "--" ends the options and "-" alone is a file.
ParsedArguments Parse(const std::vector<std::string>& arguments, const Names& switches,
                      const Names& valued) {
    ParsedArguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
            parsed.files.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        if (switches.count(name) != 0 && equals == std::string::npos) {
            parsed.options[name] = std::string();
        } else if (valued.count(name) != 0) {
            if (equals == std::string::npos && i + 1 >= arguments.size()) {
                parsed.error = name + " needs a value";
                return parsed;
            }
            std::string value =
                equals == std::string::npos ? arguments[++i] : argument.substr(equals + 1);
            if (value.empty()) {
                parsed.error = name + " needs a value";
                return parsed;
            }
            parsed.options[name] = std::move(value);
        } else {
            parsed.error = "unknown option " + argument;
            return parsed;
        }
    }
    return parsed;
}

bool ParseWhole(std::string_view text, int& number) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    return error == std::errc() && stop == end && !text.empty();
}

Names WithLayoutOptions(Names names) {
    names.insert({"--format", "--layout", "--bit-order", "--size", "--block-width"});
    return names;
}

// --size WxH into layout's width and height.
std::string ParseSize(const ParsedArguments& parsed, PanelLayout& layout) {
    if (parsed.has("--size")) {
        const std::string size = parsed.value("--size");
        const std::size_t cross = size.find('x');
        const bool parsedSides =
            cross != std::string::npos &&
            ParseWhole(std::string_view(size).substr(0, cross), layout.width) &&
            ParseWhole(std::string_view(size).substr(cross + 1), layout.height);
        if (!parsedSides || layout.width < 1 || layout.height < 1 || layout.width > kMaxPanelSide ||
            layout.height > kMaxPanelSide) {
            return "--size takes WIDTHxHEIGHT, each 1 to 4096";
        }
    }
    return {};
}

// The syntax and panel that the options ask for; an error for a value out of range or a
// choice that contradicts another.
std::string ParseOutput(const ParsedArguments& parsed, OutputChoice& choice) {
    if (parsed.has("--format")) {
        choice.syntax = FindSyntax(parsed.value("--format"));
        if (choice.syntax == nullptr) {
            return "--format takes db, asm, gas, c, arduino, xbm, bin or ihex";
        }
    }
    const bool xbm = choice.syntax != nullptr && choice.syntax->name == "xbm";
    PanelLayout layout;
    if (parsed.has("--layout")) {
        const std::string name = parsed.value("--layout");
        if (name == "halves" || name == "pages" || name == "rows") {
            layout.arrangement = name == "halves"  ? Arrangement::Halves
                                 : name == "pages" ? Arrangement::Pages
                                                   : Arrangement::Rows;
        } else {
            return "--layout takes halves, pages or rows";
        }
        if (xbm && layout.arrangement != Arrangement::Rows) {
            return "--format xbm is always --layout rows";
        }
    } else if (xbm) {
        layout.arrangement = Arrangement::Rows;
    }
    layout.bitOrder =
        layout.arrangement == Arrangement::Rows && !xbm ? BitOrder::Msb : BitOrder::Lsb;
    if (parsed.has("--bit-order")) {
        const std::string order = parsed.value("--bit-order");
        if (order != "lsb" && order != "msb") {
            return "--bit-order takes lsb or msb";
        }
        layout.bitOrder = order == "lsb" ? BitOrder::Lsb : BitOrder::Msb;
        if (xbm && layout.bitOrder != BitOrder::Lsb) {
            return "--format xbm is always --bit-order lsb";
        }
    }
    if (std::string problem = ParseSize(parsed, layout); !problem.empty()) {
        return problem;
    }
    if (parsed.has("--block-width")) {
        if (!ParseWhole(parsed.value("--block-width"), layout.blockWidth) ||
            layout.blockWidth < 1 || layout.blockWidth > kMaxPanelSide) {
            return "--block-width takes a whole number from 1 to 4096";
        }
        if (layout.arrangement != Arrangement::Halves) {
            return "--block-width goes with --layout halves";
        }
    }
    if (std::string problem = CheckLayout(layout); !problem.empty()) {
        return problem;
    }
    choice.layout = layout;
    return {};
}

Names WithPreparationOptions(Names names) {
    names.insert({"--fit", "--background", "--dither", "--threshold", "--brightness", "--contrast",
                  "--rotate", "--mirror"});
    return names;
}

bool AsksToPrepare(const ParsedArguments& parsed) {
    for (const std::string_view name :
         {"--fit", "--background", "--dither", "--threshold", "--brightness", "--contrast",
          "--rotate", "--mirror", "--invert"}) {
        if (parsed.has(name)) {
            return true;
        }
    }
    return false;
}

// The preparation the options ask for, on a panel of width x height.
std::string ParsePreparation(const ParsedArguments& parsed, int width, int height,
                             Preparation& preparation) {
    preparation.width = width;
    preparation.height = height;
    PrepareOptions& options = preparation.options;
    if (parsed.has("--fit")) {
        const std::optional<Fit> fit = FitNamed(parsed.value("--fit"));
        if (!fit) {
            return "--fit takes contain, cover, stretch or none";
        }
        options.fit = *fit;
    }
    if (parsed.has("--background")) {
        const std::string background = parsed.value("--background");
        if (background != "white" && background != "black") {
            return "--background takes white or black";
        }
        options.blackBackground = background == "black";
    }
    if (parsed.has("--dither")) {
        const std::optional<Dither> dither = DitherNamed(parsed.value("--dither"));
        if (!dither) {
            return "--dither takes floyd-steinberg, atkinson, bayer or threshold";
        }
        options.dither = *dither;
    }
    if (parsed.has("--threshold")) {
        if (parsed.has("--dither") && options.dither != Dither::Threshold) {
            return "--threshold goes with --dither threshold";
        }
        options.dither = Dither::Threshold;
        const std::string threshold = parsed.value("--threshold");
        int value = 0;
        if (threshold == "auto") {
            options.threshold.reset();
        } else if (ParseWhole(threshold, value) && value >= 0 && value <= 256) {
            options.threshold = value;
        } else {
            return "--threshold takes a whole number from 0 to 256, or auto";
        }
    }
    for (const auto& [name, field] : {std::pair{"--brightness", &options.brightness},
                                      std::pair{"--contrast", &options.contrast}}) {
        if (parsed.has(name) &&
            (!ParseWhole(parsed.value(name), *field) || *field < -100 || *field > 100)) {
            return std::string(name) + " takes a whole number from -100 to 100";
        }
    }
    if (parsed.has("--rotate")) {
        if (!ParseWhole(parsed.value("--rotate"), preparation.rotate) ||
            (preparation.rotate != 0 && preparation.rotate != 90 && preparation.rotate != 180 &&
             preparation.rotate != 270)) {
            return "--rotate takes 0, 90, 180 or 270";
        }
    }
    if (parsed.has("--mirror")) {
        preparation.mirror = parsed.value("--mirror");
        if (preparation.mirror != "horizontal" && preparation.mirror != "vertical") {
            return "--mirror takes horizontal or vertical";
        }
    }
    options.invert = parsed.has("--invert");
    return {};
}

bool IsSymbol(std::string_view name) {
    if (name.empty() || (name[0] >= '0' && name[0] <= '9')) {
        return false;
    }
    for (const char c : name) {
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!letter && !(c >= '0' && c <= '9') && c != '_') {
            return false;
        }
    }
    return true;
}

int Convert(const std::vector<std::string>& arguments,
            StandardOutput& out) {
    const ParsedArguments parsed =
        Parse(arguments, {"--help", "--inverse", "--stdout", "--quiet", "--invert"},
              WithPreparationOptions(WithLayoutOptions({"--output-dir", "--name"})));
    if (!parsed.error.empty()) {
        return UsageError(parsed.error);
    }
    if (parsed.has("--help")) {
        return PrintUsage(out);
    }
    ConvertOptions options;
    options.inverse = parsed.has("--inverse");
    options.toStdout = parsed.has("--stdout");
    options.quiet = parsed.has("--quiet");
    options.outputDir = parsed.value("--output-dir");
    options.pictures = parsed.files;
    if (const std::string problem = ParseOutput(parsed, options.choice); !problem.empty()) {
        return UsageError(problem);
    }
    if (AsksToPrepare(parsed)) {
        const PanelLayout& panel = *options.choice.layout;
        Preparation preparation;
        if (const std::string problem =
                ParsePreparation(parsed, panel.width, panel.height, preparation);
            !problem.empty()) {
            return UsageError(problem);
        }
        options.preparation = preparation;
    }
    if (parsed.has("--name")) {
        if (!IsSymbol(parsed.value("--name"))) {
            return UsageError("--name takes a symbol: letters, digits and _, not first a digit");
        }
        options.choice.symbol = parsed.value("--name");
    }
    if (options.pictures.empty()) {
        return UsageError("convert needs at least one BITMAP");
    }
    std::size_t fromStdin = 0;
    for (const std::string& picture : options.pictures) {
        fromStdin += picture == "-" ? 1 : 0;
    }
    if (fromStdin > 1) {
        return UsageError("standard input (-) can be read once only");
    }
    if (options.toStdout && options.pictures.size() > 1) {
        return UsageError("--stdout takes one BITMAP only");
    }
    if (options.toStdout && !options.outputDir.empty()) {
        return UsageError("--stdout and --output-dir exclude each other");
    }
    if (fromStdin == 1 && options.preparation) {
        return UsageError("standard input (-) is converted as a BMP only, without preparation");
    }
    if (fromStdin == 1 && !options.toStdout && !parsed.has("--name")) {
        return UsageError("- (standard input) needs --stdout, or --name to name the file");
    }
    // Standard input's picture is named for its symbol: "--name logo" writes lcd_logo.txt.
    options.stdinName = parsed.has("--name") ? parsed.value("--name") : std::string("stdin");
    return RunConvert(options, out);
}

int Prepare(const std::vector<std::string>& arguments, StandardOutput& out) {
    const ParsedArguments parsed = Parse(arguments, {"--help", "--invert", "--quiet"},
                                         WithPreparationOptions({"--size", "-o", "--output-dir"}));
    if (!parsed.error.empty()) {
        return UsageError(parsed.error);
    }
    if (parsed.has("--help")) {
        return PrintUsage(out);
    }
    // Only the size matters here: the layout is convert's business.
    PanelLayout size{.arrangement = Arrangement::Pages};
    if (const std::string problem = ParseSize(parsed, size); !problem.empty()) {
        return UsageError(problem);
    }
    PrepareCommand command;
    if (const std::string problem =
            ParsePreparation(parsed, size.width, size.height, command.preparation);
        !problem.empty()) {
        return UsageError(problem);
    }
    command.output = parsed.value("-o");
    command.outputDir = parsed.value("--output-dir");
    command.quiet = parsed.has("--quiet");
    command.pictures = parsed.files;
    if (command.pictures.empty()) {
        return UsageError("prepare needs at least one PICTURE");
    }
    if (!command.output.empty() && command.pictures.size() > 1) {
        return UsageError("-o takes one PICTURE only");
    }
    if (!command.output.empty() && !command.outputDir.empty()) {
        return UsageError("-o and --output-dir exclude each other");
    }
    for (const std::string& picture : command.pictures) {
        if (picture == "-") {
            return UsageError("prepare reads pictures from files, not standard input");
        }
    }
    return RunPrepare(command, out);
}

int Show(const std::vector<std::string>& arguments, StandardOutput& out) {
    const ParsedArguments parsed =
        Parse(arguments, {"--help", "--blocks"}, WithLayoutOptions({"--png", "--bmp", "--scale"}));
    if (!parsed.error.empty()) {
        return UsageError(parsed.error);
    }
    if (parsed.has("--help")) {
        return PrintUsage(out);
    }
    if (parsed.files.size() != 1) {
        return UsageError("show takes one TEXTFILE");
    }
    ShowOptions options;
    options.textFile = parsed.files.front();
    options.pngFile = parsed.value("--png");
    options.bmpFile = parsed.value("--bmp");
    OutputChoice choice;
    if (const std::string problem = ParseOutput(parsed, choice); !problem.empty()) {
        return UsageError(problem);
    }
    options.syntax = choice.syntax;
    options.layout = *choice.layout;
    options.blocks = parsed.has("--blocks");
    if (parsed.has("--scale")) {
        if (!ParseWhole(parsed.value("--scale"), options.scale) || options.scale < 1 ||
            options.scale > 64) {
            return UsageError("--scale takes a whole number from 1 to 64");
        }
    }
    if (options.blocks && !(options.pngFile.empty() && options.bmpFile.empty())) {
        return UsageError("--blocks and --png or --bmp exclude each other");
    }
    if (!options.pngFile.empty() && !options.bmpFile.empty()) {
        return UsageError("--png and --bmp exclude each other");
    }
    return RunShow(options, out);
}

int Run(std::vector<std::string> arguments, StandardOutput& out) {
    if (arguments.empty()) {
        return UsageError("no command given");
    }
    const std::string command = arguments.front();
    arguments.erase(arguments.begin());
    if (command == "--help" || command == "-h") {
        return PrintUsage(out);
    }
    if (command == "--version") {
        if (!out.write("pelmora-cli 0.1\n") || !out.flush()) {
            PrintError("standard output", out.error());
            return 1;
        }
        return 0;
    }
    if (command == "convert") {
        return Convert(arguments, out);
    }
    if (command == "show") {
        return Show(arguments, out);
    }
    if (command == "prepare") {
        return Prepare(arguments, out);
    }
    if (command == "font") {
        return RunFont(arguments, out);
    }
    return UsageError("unknown command " + command);
}

} // namespace

int main(int argc, char* argv[]) {
    PrepareProcess();
    StandardOutput out;
    int status = Run(std::vector<std::string>(argv + 1, argv + argc), out);
    // Standard output is closed here rather than at exit, so that a failure to put the
    // last bytes out is still reported.
    if (!out.close() && status == 0) {
        PrintError("standard output", out.error());
        status = 1;
    }
    return status;
}
