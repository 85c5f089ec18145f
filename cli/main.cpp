// pelmora-cli: the converter for build scripts and batch work.

#include "cli/cli_output.h"
#include "cli/convert_command.h"
#include "core/conversion_state.h"

#include <QCoreApplication>
#include <QStringList>

#include <optional>

namespace {

using namespace pelmora;
using namespace pelmora::cli;

constexpr int kExitUsage = 2;

const char kUsage[] =
    "Usage: pelmora-cli convert [--inverse] [--output-dir DIR] [--stdout] [--quiet] BITMAP...\n"
    "       pelmora-cli --help | --version\n"
    "\n"
    "Turns 128 x 64, 1-bit BMP pictures into the text of DB lines that a 128 x 64\n"
    "graphic LCD with two 64-column halves takes: left half first, page by page,\n"
    "column by column, top pixel in bit 0.\n"
    "\n"
    "convert  writes lcd_NAME.txt beside each BITMAP (every \".bmp\" in the name becomes\n"
    "         \".txt\") and prints the path of each file written.\n"
    "  --inverse         dots in the palette's second colour are on (default: the first)\n"
    "  --output-dir DIR  write the files into DIR instead\n"
    "  --stdout          write the text to standard output (one BITMAP only)\n"
    "  --quiet           do not print the paths written\n"
    "  --                end of options; every argument after it is a file\n"
    "\n"
    "Exit status: 0 when every file was converted, 1 when any failed, 2 for a usage error.\n";

int UsageError(const QString& message) {
    PrintError({}, message);
    std::fputs(kUsage, stderr);
    return kExitUsage;
}

// Splits "--name=value" so both spellings of an option with a value work.
std::pair<QString, std::optional<QString>> SplitOption(const QString& argument) {
    const qsizetype equals = argument.indexOf('=');
    if (!argument.startsWith("--") || equals < 0) {
        return {argument, std::nullopt};
    }
    return {argument.left(equals), argument.mid(equals + 1)};
}

int ParseAndConvert(ConversionState& state, const QStringList& arguments) {
    ConvertOptions options;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (optionsEnded || !argument.startsWith('-') || argument == "-") {
            options.bitmaps << argument;
            continue;
        }
        const auto [name, inlineValue] = SplitOption(argument);
        if (name == "--") {
            optionsEnded = true;
        } else if (name == "--help" && !inlineValue) {
            std::fputs(kUsage, stdout);
            return FlushStdout() ? 0 : 1;
        } else if (name == "--inverse" && !inlineValue) {
            options.inverse = true;
        } else if (name == "--stdout" && !inlineValue) {
            options.toStdout = true;
        } else if (name == "--quiet" && !inlineValue) {
            options.quiet = true;
        } else if (name == "--output-dir") {
            if (!inlineValue && i + 1 >= arguments.size()) {
                return UsageError("--output-dir needs a folder");
            }
            options.outputDir = inlineValue ? *inlineValue : arguments[++i];
            if (options.outputDir.isEmpty()) {
                return UsageError("--output-dir needs a folder");
            }
        } else {
            return UsageError("unknown option " + argument);
        }
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
        std::fputs(kUsage, stdout);
        return FlushStdout() ? 0 : 1;
    }
    if (command == "--version") {
        std::fputs("pelmora-cli 0.1\n", stdout);
        return FlushStdout() ? 0 : 1;
    }
    if (command == "convert") {
        return ParseAndConvert(state, arguments);
    }
    return UsageError("unknown command " + command);
}
