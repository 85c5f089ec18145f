// pelmora-cli: the converter for build scripts and batch work.

#include "cli/cli_output.h"
#include "cli/convert_command.h"
#include "cli/show_command.h"
#include "core/conversion_state.h"
#include "platform/bitmap_image.h"

#include <QCoreApplication>
#include <QMap>
#include <QRegularExpression>
#include <QStringList>

#include <cstdio>
#include <optional>

namespace {

using namespace pelmora;
using namespace pelmora::cli;

constexpr int kExitUsage = 2;

const char kUsage[] =
    "Usage: pelmora-cli convert [--inverse] [--format F] [--layout L] [--bit-order B]\n"
    "                           [--size WxH] [--block-width N] [--name SYMBOL]\n"
    "                           [--output-dir DIR | --stdout] [--quiet] PICTURE...\n"
    "       pelmora-cli show [--format F] [--layout L] [--bit-order B] [--size WxH]\n"
    "                        [--block-width N] [--png OUT.png | --bmp OUT.bmp] [--scale N]\n"
    "                        [--blocks] FILE\n"
    "       pelmora-cli --help | --version\n"
    "\n"
    "Turns 1-bit BMP pictures into the bytes of a monochrome graphic LCD or OLED panel,\n"
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
    "  --                end of options; every argument after it is a file\n"
    "\n"
    "Exit status: 0 on success, 1 when any file failed, 2 for a usage error.\n";

int UsageError(const QString& message) {
    PrintError({}, message);
    std::fputs(kUsage, stderr);
    return kExitUsage;
}

int PrintUsage() {
    std::fputs(kUsage, stdout);
    return FlushStdout() ? 0 : 1;
}

// A command's arguments: options by name (value empty for a switch) and the rest.
struct ParsedArguments {
    QMap<QString, QString> options;
    QStringList files;
    QString error;
};

// Switches take no value; valued options take the next argument or "--name=value".
// "--" ends the options and "-" alone is a file.
ParsedArguments Parse(const QStringList& arguments, const QStringList& switches,
                      const QStringList& valued) {
    ParsedArguments parsed;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (optionsEnded || !argument.startsWith('-') || argument == "-") {
            parsed.files << argument;
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        const qsizetype equals = argument.indexOf('=');
        const QString name = equals < 0 ? argument : argument.left(equals);
        if (switches.contains(name) && equals < 0) {
            parsed.options[name] = QString();
        } else if (valued.contains(name)) {
            if (equals < 0 && i + 1 >= arguments.size()) {
                parsed.error = name + " needs a value";
                return parsed;
            }
            parsed.options[name] = equals < 0 ? arguments[++i] : argument.mid(equals + 1);
            if (parsed.options[name].isEmpty()) {
                parsed.error = name + " needs a value";
                return parsed;
            }
        } else {
            parsed.error = "unknown option " + argument;
            return parsed;
        }
    }
    return parsed;
}

const QStringList kLayoutOptions{"--format", "--layout", "--bit-order", "--size", "--block-width"};

// The syntax and panel that the options ask for; an error for a value out of range or a
// choice that contradicts another.
QString ParseOutput(const ParsedArguments& parsed, OutputChoice& choice) {
    const auto& options = parsed.options;
    if (options.contains("--format")) {
        choice.syntax = FindSyntax(Utf8(options.value("--format")));
        if (choice.syntax == nullptr) {
            return "--format takes db, asm, gas, c, arduino, xbm, bin or ihex";
        }
    }
    const bool xbm = choice.syntax != nullptr && choice.syntax->name == "xbm";
    PanelLayout layout;
    if (options.contains("--layout")) {
        const QString name = options.value("--layout");
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
    if (options.contains("--bit-order")) {
        const QString order = options.value("--bit-order");
        if (order != "lsb" && order != "msb") {
            return "--bit-order takes lsb or msb";
        }
        layout.bitOrder = order == "lsb" ? BitOrder::Lsb : BitOrder::Msb;
        if (xbm && layout.bitOrder != BitOrder::Lsb) {
            return "--format xbm is always --bit-order lsb";
        }
    }
    if (options.contains("--size")) {
        const QStringList sides = options.value("--size").split('x');
        bool wide = false;
        bool high = false;
        if (sides.size() == 2) {
            layout.width = sides[0].toInt(&wide);
            layout.height = sides[1].toInt(&high);
        }
        if (!wide || !high || layout.width < 1 || layout.height < 1 ||
            layout.width > kMaxPanelSide || layout.height > kMaxPanelSide) {
            return "--size takes WIDTHxHEIGHT, each 1 to 4096";
        }
    }
    if (options.contains("--block-width")) {
        bool isNumber = false;
        layout.blockWidth = options.value("--block-width").toInt(&isNumber);
        if (!isNumber || layout.blockWidth < 1 || layout.blockWidth > kMaxPanelSide) {
            return "--block-width takes a whole number from 1 to 4096";
        }
        if (layout.arrangement != Arrangement::Halves) {
            return "--block-width goes with --layout halves";
        }
    }
    const std::string problem = CheckLayout(layout);
    if (!problem.empty()) {
        return FromUtf8(problem);
    }
    choice.layout = layout;
    return {};
}

bool IsSymbol(const QString& name) {
    static const QRegularExpression symbol("^[A-Za-z_][A-Za-z0-9_]*$");
    return symbol.match(name).hasMatch();
}

int Convert(ConversionState& state, const QStringList& arguments) {
    const ParsedArguments parsed = Parse(arguments, {"--help", "--inverse", "--stdout", "--quiet"},
                                         QStringList{"--output-dir", "--name"} + kLayoutOptions);
    if (!parsed.error.isEmpty()) {
        return UsageError(parsed.error);
    }
    if (parsed.options.contains("--help")) {
        return PrintUsage();
    }
    ConvertOptions options;
    options.inverse = parsed.options.contains("--inverse");
    options.toStdout = parsed.options.contains("--stdout");
    options.quiet = parsed.options.contains("--quiet");
    options.outputDir = parsed.options.value("--output-dir");
    options.bitmaps = parsed.files;
    if (const QString problem = ParseOutput(parsed, options.choice); !problem.isEmpty()) {
        return UsageError(problem);
    }
    if (parsed.options.contains("--name")) {
        if (!IsSymbol(parsed.options.value("--name"))) {
            return UsageError("--name takes a symbol: letters, digits and _, not first a digit");
        }
        options.choice.symbol = Utf8(parsed.options.value("--name"));
    }
    if (options.bitmaps.isEmpty()) {
        return UsageError("convert needs at least one BITMAP");
    }
    if (options.toStdout && options.bitmaps.size() > 1) {
        return UsageError("--stdout takes one BITMAP only");
    }
    if (options.toStdout && !options.outputDir.isEmpty()) {
        return UsageError("--stdout and --output-dir exclude each other");
    }
    return RunConvert(state, options);
}

int Show(ConversionState& state, const QStringList& arguments) {
    const ParsedArguments parsed = Parse(arguments, {"--help", "--blocks"},
                                         QStringList{"--png", "--bmp", "--scale"} + kLayoutOptions);
    if (!parsed.error.isEmpty()) {
        return UsageError(parsed.error);
    }
    if (parsed.options.contains("--help")) {
        return PrintUsage();
    }
    if (parsed.files.size() != 1) {
        return UsageError("show takes one TEXTFILE");
    }
    ShowOptions options;
    options.textFile = parsed.files.first();
    options.pngFile = parsed.options.value("--png");
    options.bmpFile = parsed.options.value("--bmp");
    OutputChoice choice;
    if (const QString problem = ParseOutput(parsed, choice); !problem.isEmpty()) {
        return UsageError(problem);
    }
    options.syntax = choice.syntax;
    options.layout = *choice.layout;
    options.blocks = parsed.options.contains("--blocks");
    if (parsed.options.contains("--scale")) {
        bool isNumber = false;
        options.scale = parsed.options.value("--scale").toInt(&isNumber);
        if (!isNumber || options.scale < 1 || options.scale > 64) {
            return UsageError("--scale takes a whole number from 1 to 64");
        }
    }
    if (options.blocks && !(options.pngFile.isEmpty() && options.bmpFile.isEmpty())) {
        return UsageError("--blocks and --png or --bmp exclude each other");
    }
    if (!options.pngFile.isEmpty() && !options.bmpFile.isEmpty()) {
        return UsageError("--png and --bmp exclude each other");
    }
    return RunShow(state, options);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    ConversionState state;

    if (arguments.isEmpty()) {
        return UsageError("no command given");
    }
    const QString command = arguments.takeFirst();
    if (command == "--help" || command == "-h") {
        return PrintUsage();
    }
    if (command == "--version") {
        std::fputs("pelmora-cli 0.1\n", stdout);
        return FlushStdout() ? 0 : 1;
    }
    if (command == "convert") {
        return Convert(state, arguments);
    }
    if (command == "show") {
        return Show(state, arguments);
    }
    return UsageError("unknown command " + command);
}
