#include "cli/convert_command.h"

#include "cli/batch_targets.h"
#include "cli/panel_options.h"
#include "cli/usage.h"

#include "core/bmp/bmp_writer.h"
#include "core/conversion/intake.h"

namespace pelmora::cli {

namespace {

class SilentProgress : public ProgressDisplay {
  public:
    void showProgress(const std::string&) override {}
};

// The folder part of a path as the user wrote it ("." for a bare name) and the name.
std::pair<std::string, std::string> SplitPath(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return {".", path};
    }
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

std::string WithoutTrailingSlashes(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return folder;
}

bool ConvertOne(const ConvertOptions& options, const std::string& picture, StandardOutput& out,
                ProgressLine& progressLine, BatchTargets& targets) {
    const bool fromStdin = picture == "-";
    const std::string shownName = fromStdin ? std::string("standard input") : picture;
    const PanelLayout panel = options.choice.panel();
    TakenIn taken;
    if (options.preparation) {
        // Prepared in memory as prepare would write it, then taken in as that BMP: the
        // same bytes as prepare followed by convert.
        const PreparedPicture prepared = PreparePictureFile(picture, *options.preparation);
        if (!prepared.ok()) {
            progressLine.clear();
            PrintError(shownName, prepared.error);
            return false;
        }
        taken = TakeInBitmapBytes(EncodeMonoBmp(prepared.picture), panel);
    } else {
        taken = TakeInBitmapFile(picture, panel);
    }
    if (!taken.usable()) {
        progressLine.clear();
        if (!taken.check.accepted()) {
            const bool plainRejection =
                taken.check.verdict == BitmapVerdict::Rejected && taken.check.reason.empty();
            PrintError(shownName, plainRejection ? RejectionTextOneLine(panel.width, panel.height)
                                                 : taken.check.reason);
            if (taken.check.verdict == BitmapVerdict::Rejected) {
                PrintError(shownName, "to convert any picture, prepare it: add --dither "
                                      "floyd-steinberg (or any other preparation option)");
            }
        } else {
            PrintError(shownName, taken.refusal);
        }
        return false;
    }

    // Standard input's picture is written into the current folder, named as asked.
    auto [pictureFolder, pictureName] = SplitPath(fromStdin ? options.stdinName + ".bmp" : picture);
    if (options.preparation) { // named as the BMP it was made into: logo.png gives lcd_logo.txt
        const std::size_t dot = pictureName.find_last_of('.');
        pictureName =
            (dot == std::string::npos || dot == 0 ? pictureName : pictureName.substr(0, dot)) +
            ".bmp";
    }
    const std::string folder =
        options.outputDir.empty() ? pictureFolder : WithoutTrailingSlashes(options.outputDir);
    const std::string outputPath =
        OutputPathFor(folder, pictureName, options.choice.syntaxOrDefault());
    SilentProgress progress;
    const EncodedText encoded =
        ConvertTakenInToText(taken, options.inverse, progress, options.choice, outputPath);
    if (!encoded.ok()) {
        progressLine.clear();
        PrintError(shownName, encoded.error);
        return false;
    }
    if (options.toStdout) {
        if (!out.write(encoded.text) || !out.flush()) {
            PrintError("standard output", out.error());
            return false;
        }
        return true;
    }
    if (const std::string taken = targets.claim(outputPath, picture); !taken.empty()) {
        progressLine.clear();
        PrintError(shownName, taken);
        return false;
    }
    const WriteOutcome outcome = WriteWholeFile(outputPath, encoded.text);
    if (!outcome.ok) {
        progressLine.clear();
        PrintError(outputPath, outcome.reason);
        return false;
    }
    if (!options.quiet) {
        progressLine.clear();
        out.write(outputPath + "\n");
    }
    return true;
}

} // namespace

int RunConvert(const ConvertOptions& options, StandardOutput& out) {
    // Progress only for a batch, and only while nothing else goes to the same terminal.
    ProgressLine progressLine;
    const bool showProgress = !options.quiet && options.pictures.size() > 1 && !options.toStdout;
    const std::string total = std::to_string(options.pictures.size());
    bool allWritten = true;
    std::size_t done = 0;
    BatchTargets targets(options.pictures);
    for (const std::string& picture : options.pictures) {
        allWritten = ConvertOne(options, picture, out, progressLine, targets) && allWritten;
        if (showProgress && progressLine.shown()) {
            out.flush();
            progressLine.show(std::to_string(++done) + " / " + total + " files");
        }
    }
    progressLine.clear();
    const bool reported = out.failed();
    if (!out.flush() && !reported) {
        PrintError("standard output", out.error());
        allWritten = false;
    }
    return allWritten ? 0 : 1;
}

namespace {

constexpr Option kHelpOption[] = {{"--help", {}, {}}};
constexpr Option kInverseOption[] = {
    {"--inverse", {}, "dots in the palette's second colour are on (default: the first)"}};
constexpr Option kConvertOptions[] = {
    {"--name", "SYMBOL", "the symbol of the data (default: from the output file's name)"},
    {"--output-dir", "DIR", "write the files into DIR instead"},
    {"--stdout", {}, "write the file's bytes to standard output (one PICTURE only)"},
    {"--quiet", {}, "do not print the paths written"},
};

} // namespace

const std::string_view kConvertSynopsis =
    "convert [--inverse] [--format F] [--layout L] [--bit-order B]\n"
    "                           [--size WxH] [--block-width N] [--panel NAME]\n"
    "                           [--name SYMBOL] [PREPARATION...]\n"
    "                           [--output-dir DIR | --stdout] [--quiet] PICTURE...\n";

std::string ConvertHelp() {
    return "convert  writes lcd_NAME.txt beside each PICTURE (every \".bmp\" in the name becomes\n"
           "         \".txt\"; other formats replace the last extension) and prints each path.\n" +
           OptionHelp({kInverseOption, PanelOptions(), kConvertOptions});
}

int ConvertCommand(const std::vector<std::string>& arguments, StandardOutput& out) {
    const ParsedArguments parsed = Parse(arguments, {kHelpOption, kInverseOption, PanelOptions(),
                                                     kConvertOptions, PreparationOptions()});
    if (!parsed.error.empty()) {
        return UsageError(parsed.error);
    }
    if (parsed.has("--help")) {
        return PrintHelp(out);
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

} // namespace pelmora::cli
