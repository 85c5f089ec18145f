// pelmora-cli: the converter for build scripts and batch work.

#include "cli/cli_output.h"
#include "cli/convert_command.h"
#include "cli/show_command.h"
#include "core/conversion_state.h"

#include <QCoreApplication>
#include <QMap>
#include <QStringList>

#include <cstdio>
#include <optional>

namespace {

using namespace pelmora;
using namespace pelmora::cli;

constexpr int kExitUsage = 2;

const char kUsage[] =
    "Usage: pelmora-cli convert [--inverse] [--output-dir DIR] [--stdout] [--quiet] BITMAP...\n"
    "       pelmora-cli show [--png OUT.png] [--scale N] [--blocks] TEXTFILE\n"
    "       pelmora-cli --help | --version\n"
    "\n"
    "Turns 128 x 64, 1-bit BMP pictures into the text of DB lines that a 128 x 64\n"
    "graphic LCD with two 64-column halves takes: left half first, page by page,\n"
    "column by column, top pixel in bit 0; and shows such a text as the panel would.\n"
    "\n"
    "convert  writes lcd_NAME.txt beside each BITMAP (every \".bmp\" in the name becomes\n"
    "         \".txt\") and prints the path of each file written.\n"
    "  --inverse         dots in the palette's second colour are on (default: the first)\n"
    "  --output-dir DIR  write the files into DIR instead\n"
    "  --stdout          write the text to standard output (one BITMAP only)\n"
    "  --quiet           do not print the paths written\n"
    "\n"
    "show     prints the panel as 64 lines of 128 characters, '#' on and '.' off.\n"
    "  --blocks          print 32 lines of half blocks instead\n"
    "  --png OUT.png     write the panel as a picture in the preview's colours\n"
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

int Convert(ConversionState& state, const QStringList& arguments) {
    const ParsedArguments parsed =
        Parse(arguments, {"--help", "--inverse", "--stdout", "--quiet"}, {"--output-dir"});
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
    const ParsedArguments parsed = Parse(arguments, {"--help", "--blocks"}, {"--png", "--scale"});
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
    options.blocks = parsed.options.contains("--blocks");
    if (parsed.options.contains("--scale")) {
        bool isNumber = false;
        options.scale = parsed.options.value("--scale").toInt(&isNumber);
        if (!isNumber || options.scale < 1 || options.scale > 64) {
            return UsageError("--scale takes a whole number from 1 to 64");
        }
    }
    if (options.blocks && !options.pngFile.isEmpty()) {
        return UsageError("--blocks and --png exclude each other");
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
