#include "cli/convert_command.h"

#include "cli/batch_targets.h"
#include "cli/panel_options.h"
#include "cli/usage.h"

#include "asset_making/frames_making.h"
#include "asset_making/picture_making.h"
#include "core/asset_build/asset_header.h"
#include "core/conversion/intake.h"
#include "core/frames/frames.h"
#include "core/io/atomic_text_file.h"
#include "core/io/utf8_path.h"
#include "picture_input/picture_input.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace pelmora::cli {

namespace {

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

// Where the result of picture goes: beside it or in --output-dir, named by the syntax.
std::string ResultPath(const ConvertOptions& options, const std::string& picture) {
    // Standard input's picture is written into the current folder, named as asked.
    auto [pictureFolder, pictureName] =
        SplitPath(picture == "-" ? options.stdinName + ".bmp" : picture);
    if (options.asset
            .preparation) { // named as the BMP it was made into: logo.png gives lcd_logo.txt
        const std::size_t dot = pictureName.find_last_of('.');
        pictureName =
            (dot == std::string::npos || dot == 0 ? pictureName : pictureName.substr(0, dot)) +
            ".bmp";
    }
    const std::string folder =
        options.outputDir.empty() ? pictureFolder : WithoutTrailingSlashes(options.outputDir);
    return OutputPathFor(folder, pictureName, options.asset.choice.syntaxOrDefault());
}

// refused: why picture's result may not be written, as claimed before any was.
bool ConvertOne(const ConvertOptions& options, const std::string& picture, StandardOutput& out,
                ProgressLine& progressLine, const std::string& refused) {
    const bool fromStdin = picture == "-";
    const std::string shownName = fromStdin ? std::string("standard input") : picture;
    const std::string outputPath = ResultPath(options, picture);
    // Said on a line of its own, the progress line cleared first.
    const auto fail = [&progressLine](std::string_view subject, std::string_view reason) {
        progressLine.clear();
        PrintError(subject, reason);
        return false;
    };
    // Prepared in memory to the panel's dots (--inverse folded into the preparation), or a
    // 1-bit BMP of the panel taken in as it is.
    const MadePicture made = MakePictureBytes(options.asset, picture);
    if (!made.problem.ok()) {
        fail(shownName, made.problem.error);
        if (made.problem.fault == MakeFault::NotPanelBitmap) {
            PrintError(shownName, "to convert any picture, prepare it: add --dither "
                                  "floyd-steinberg (or any other preparation option)");
        }
        return false;
    }
    OutputChoice choice = options.asset.choice;
    choice.packing = {options.asset.packing.scheme, false};
    if (choice.symbol.empty()) {
        choice.symbol = SymbolFor(outputPath);
    }
    const EncodedText encoded = EncodePanelBytes(made.bytes, choice);
    if (!encoded.ok()) {
        return fail(shownName, encoded.error);
    }
    if (options.toStdout) {
        if (!out.write(encoded.text) || !out.flush()) {
            PrintError("standard output", out.error());
            return false;
        }
        return true;
    }
    if (!refused.empty()) {
        return fail(shownName, refused);
    }
    const WriteOutcome outcome = WriteWholeFile(outputPath, encoded.text);
    if (!outcome.ok()) {
        return fail(outputPath, outcome.error);
    }
    if (!options.quiet) {
        progressLine.clear();
        out.write(outputPath + "\n");
    }
    return true;
}

// Frames kept, as the maker hands them over, in an unnamed temporary file instead of memory
// (with their delays and sources beside them), so that a long animation costs no more
// memory than a short one.
class SpooledFrames : public FrameSource, public FrameTaker {
  public:
    explicit SpooledFrames(std::size_t frameBytes)
        : file_(std::tmpfile()), frameBytes_(frameBytes) {
        if (file_ == nullptr) {
            error_ = std::string("no temporary file for the frames: ") + std::strerror(errno);
        }
    }
    SpooledFrames(const SpooledFrames&) = delete;
    SpooledFrames& operator=(const SpooledFrames&) = delete;
    ~SpooledFrames() override {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }

    const std::string& error() const { return error_; }

    // An error when the spool failed, which stops the maker. Only once error() is empty.
    std::string take(PanelFrame&& frame) override {
        if (std::fwrite(frame.bytes.data(), 1, frame.bytes.size(), file_) != frame.bytes.size()) {
            return Lost();
        }
        delays_.push_back(frame.delayMs);
        sources_.push_back(std::move(frame.source));
        return {};
    }
    // Then the frames can be written.
    std::string finish() { return std::fflush(file_) == 0 ? std::string() : Lost(); }

    std::size_t count() const override { return delays_.size(); }
    int delayMs(std::size_t n) const override { return delays_[n]; }
    std::string_view source(std::size_t n) const override { return sources_[n]; }
    std::span<const std::uint8_t> bytes(std::size_t n) override {
        buffer_.resize(frameBytes_);
        const long offset = static_cast<long>(n * frameBytes_);
        if (std::fseek(file_, offset, SEEK_SET) != 0 ||
            std::fread(buffer_.data(), 1, frameBytes_, file_) != frameBytes_) {
            buffer_.clear(); // the writer then refuses the frame as of another size
        }
        return buffer_;
    }

  private:
    static std::string Lost() {
        return std::string("the frames could not be kept: ") + std::strerror(errno);
    }

    std::FILE* file_;
    std::size_t frameBytes_;
    std::string error_;
    std::vector<int> delays_;
    std::vector<std::string> sources_;
    std::vector<std::uint8_t> buffer_;
};

// Every frame of every picture, packed as it is prepared, then one output of them all.
int RunFrames(const ConvertOptions& options, StandardOutput& out) {
    const PanelLayout layout = options.asset.choice.panel();
    const Syntax& syntax = options.asset.choice.syntaxOrDefault();
    SpooledFrames frames(layout.byteCount());
    if (!frames.error().empty()) {
        PrintError({}, frames.error());
        return 1;
    }
    if (const MakeProblem problem = MakeFramesBytes(options.asset, options.pictures, frames);
        !problem.ok()) {
        PrintError(options.pictures[std::min(problem.input, options.pictures.size() - 1)],
                   problem.error);
        return problem.fault == MakeFault::Misuse ? kExitUsage : 1;
    }
    if (const std::string problem = frames.finish(); !problem.empty()) {
        PrintError(options.pictures.back(), problem);
        return 1;
    }
    const std::string outputPath =
        options.output.empty() ? ResultPath(options, options.pictures.front()) : options.output;
    const std::string symbol =
        options.asset.choice.symbol.empty() ? SymbolFor(outputPath) : options.asset.choice.symbol;
    // Packed frames are made whole first: they are the small ones.
    std::optional<PackedText> packed;
    if (options.asset.packing.packs()) {
        packed = WritePackedFrames(syntax, layout, frames, symbol, options.asset.packing);
        if (!packed->ok()) {
            PrintError(options.pictures.front(), packed->error);
            return 1;
        }
    }
    // Into file, or standard output when there is none: one sink for both.
    const auto write = [&](AtomicTextFile* file) {
        const TextSink sink = [&](std::string_view piece) {
            return file != nullptr ? file->write(piece) : out.write(piece);
        };
        if (packed) {
            return sink(packed->text) ? std::string()
                                      : std::string("the text could not be written");
        }
        return WriteFrames(syntax, layout, frames, symbol, sink);
    };
    if (options.toStdout) {
        // Standard output takes the text as it is made; a refusal comes before any of it.
        const std::string error = write(nullptr);
        if (!error.empty() && !out.failed()) {
            PrintError(options.pictures.front(), error);
            return 1;
        }
        if (!out.flush() || out.failed()) {
            PrintError("standard output", out.error());
            return 1;
        }
        return 0;
    }
    BatchTargets targets(options.pictures);
    if (const std::string taken = targets.claim(outputPath, options.pictures.front());
        !taken.empty()) {
        PrintError(options.pictures.front(), taken);
        return 1;
    }
    AtomicTextFile file(PathFromUtf8(outputPath));
    if (!file.open()) {
        PrintError(outputPath, file.error());
        return 1;
    }
    const std::string error = write(&file);
    if (!error.empty() && file.error().empty()) {
        PrintError(options.pictures.front(), error);
        return 1;
    }
    if (!error.empty() || !file.commit()) {
        PrintError(outputPath, file.error());
        return 1;
    }
    if (!options.quiet) {
        out.write(outputPath + "\n");
    }
    if (!out.flush()) {
        PrintError("standard output", out.error());
        return 1;
    }
    return 0;
}

} // namespace

int RunConvert(const ConvertOptions& options, StandardOutput& out) {
    if (options.frames()) {
        return RunFrames(options, out);
    }
    // Progress only for a batch, and only while nothing else goes to the same terminal.
    ProgressLine progressLine;
    const bool showProgress = !options.quiet && options.pictures.size() > 1 && !options.toStdout;
    const std::string total = std::to_string(options.pictures.size());
    bool allWritten = true;
    std::size_t done = 0;
    // Every result is claimed before the first is written: a result that would land on an
    // earlier one (through a link made for it, say) is refused before either is written.
    BatchTargets targets(options.pictures);
    std::vector<std::string> refusals;
    refusals.reserve(options.pictures.size());
    for (const std::string& picture : options.pictures) {
        refusals.push_back(options.toStdout ? std::string()
                                            : targets.claim(ResultPath(options, picture), picture));
    }
    for (std::size_t i = 0; i < options.pictures.size(); ++i) {
        const std::string& picture = options.pictures[i];
        allWritten = ConvertOne(options, picture, out, progressLine, refusals[i]) && allWritten;
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
    {"--compress", "SCHEME",
     "pack the bytes: none (default), packbits, lzss, arduboy (pages\n"
     "of 8 rows, a height a multiple of 8) or auto (the smallest); C\n"
     "headers carry the decoder pelmora_unpack"},
};
// The limit said in the help is the one the reader holds a delay to.
constexpr std::string_view kDelayHelp = "with --frames: a still picture's or a cell's delay in\n"
                                        "milliseconds, 0 to 65535 (default 100)";
static_assert(kMaxFrameDelayMs == 65535 && kDelayHelp.find(" 65535 ") != std::string_view::npos);
constexpr Option kFramesOptions[] = {
    {"--frames",
     {},
     "the frames of every PICTURE, in order, into one output named\n"
     "after the first: an animated GIF's frames as a viewer shows them,\n"
     "with their delays; any other picture one frame. Every frame is\n"
     "prepared (default --dither floyd-steinberg). bin and ihex hold\n"
     "the bytes alone, no delays; xbm holds no frames"},
    {"--sheet", "WxH",
     "with --frames: cut each picture into W x H frames, left to right,\n"
     "then top to bottom (--size defaults to WxH)"},
    {"--delay", "MS", kDelayHelp},
    {"--merge-repeats",
     {},
     "with --frames: drop a frame equal to the one before it, adding\n"
     "its delay to that one's"},
    {"-o", "OUT", "with --frames: write the output to OUT"},
    {"--delta", {}, "with --frames: pack each frame XORed with the one before it"},
};

} // namespace

const std::string_view kConvertSynopsis =
    "convert [--inverse] [--format F] [--layout L] [--bit-order B]\n"
    "                           [--size WxH] [--block-width N] [--panel NAME]\n"
    "                           [--depth N] [--colours C] [--mask [FORM]]\n"
    "                           [--ram-width N] [--x-offset K]\n"
    "                           [--name SYMBOL] [--compress SCHEME] [PREPARATION...]\n"
    "                           [--output-dir DIR | --stdout] [--quiet] PICTURE...\n"
    "       pelmora-cli convert --frames [--sheet WxH] [--merge-repeats] [--delay MS]\n"
    "                           [--compress SCHEME] [--delta]\n"
    "                           [PREPARATION...] [--format F] [--layout L] [--bit-order B]\n"
    "                           [--size WxH] [--panel NAME] [--depth N] [--colours C]\n"
    "                           [--mask [FORM]] [--name SYMBOL]\n"
    "                           [-o OUT | --output-dir DIR | --stdout] [--quiet] PICTURE...\n";

std::string ConvertHelp() {
    return "convert  writes lcd_NAME.txt beside each PICTURE (every \".bmp\" in the name becomes\n"
           "         \".txt\"; other formats replace the last extension) and prints each path.\n"
           "         A panel of greys, e-paper colours, a mask or RAM beside the picture takes\n"
           "         any picture, prepared (by default --dither floyd-steinberg).\n" +
           OptionHelp(
               {kInverseOption, PanelOptions(), DotOptions(), kConvertOptions, kFramesOptions});
}

namespace {

// The options that go only with --frames. Exit status 2 for a misuse, else 0.
int CheckFrames(const ParsedArguments& parsed) {
    for (const char* name : {"--sheet", "--delay", "--merge-repeats", "-o", "--delta"}) {
        if (parsed.has(name) && !parsed.has("--frames")) {
            return UsageError(std::string(name) + " goes with --frames");
        }
    }
    return 0;
}

// A sheet's cells, the panel's size by default, are seldom whole blocks of the two halves:
// when pages would take them, the refusal says so.
std::string SheetLayoutHint(const NamedValues& values) {
    const auto value = [&values](std::string_view key) {
        const auto found = values.find(key);
        return found == values.end() ? std::string() : found->second;
    };
    if (!values.contains("sheet") || values.contains("panel") || value("size") != value("sheet") ||
        (values.contains("layout") && value("layout") != "halves")) {
        return {};
    }
    NamedValues inPages = values;
    inPages["layout"] = "pages";
    inPages.erase("block-width");
    AssetReader reader(std::move(inPages), KeyStyle::Option, ProblemsSaid::First);
    OutputChoice choice;
    if (!reader.readPanel(choice)) {
        return {};
    }
    return " in the two-halves layout; a sheet of small sprites needs --layout pages or "
           "--layout rows";
}

} // namespace

int ConvertCommand(const std::vector<std::string>& arguments, StandardOutput& out) {
    const ParsedArguments parsed =
        Parse(arguments, {kHelpOption, kInverseOption, PanelOptions(), DotOptions(),
                          kConvertOptions, kFramesOptions, PreparationOptions()});
    if (!parsed.error.empty()) {
        return UsageError(parsed.error);
    }
    if (parsed.has("--help")) {
        return PrintHelp(out);
    }
    ConvertOptions options;
    options.toStdout = parsed.has("--stdout");
    options.quiet = parsed.has("--quiet");
    options.outputDir = parsed.value("--output-dir");
    options.pictures = parsed.files;
    if (const int status = CheckFrames(parsed); status != 0) {
        return status;
    }
    // A panel of levels, planes or a mask takes any picture prepared; standard input's BMP
    // is taken in as one bit, black where on.
    const bool readsStdin =
        std::find(options.pictures.begin(), options.pictures.end(), "-") != options.pictures.end();
    AssetReader reader(NamedOptions(parsed), KeyStyle::Option, ProblemsSaid::First);
    options.asset = reader.readPicture(parsed.has("--frames"), readsStdin);
    if (!reader.ok()) {
        return UsageError(reader.said(reader.problems().front()) +
                          (reader.panelRefused() ? SheetLayoutHint(reader.values()) : ""));
    }
    options.output = parsed.value("-o");
    if (parsed.has("--name")) {
        const std::string name = parsed.value("--name");
        if (!IsSymbol(name)) {
            return UsageError("--name takes a symbol: letters, digits and _, not first a digit");
        }
        // A C header must compile: the name, and every name it makes (NAME_WIDTH, ...).
        const std::vector<std::string> symbols = AssetSymbols(options.asset.kind, name, {});
        for (std::size_t i = 0; i < symbols.size(); ++i) {
            const std::string problem =
                i == 0 ? SymbolProblem(symbols[i]) : MadeSymbolProblem(symbols[i]);
            if (!problem.empty()) {
                return UsageError("--name " + name + (i == 0 ? "" : " makes " + symbols[i]) + ": " +
                                  problem);
            }
        }
        options.asset.choice.symbol = name;
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
    if (options.frames()) {
        if (fromStdin > 0) {
            return UsageError("--frames reads no standard input (-)");
        }
        if (options.toStdout && !(options.output.empty() && options.outputDir.empty())) {
            return UsageError("--stdout, -o and --output-dir exclude each other");
        }
        if (!options.output.empty() && !options.outputDir.empty()) {
            return UsageError("-o and --output-dir exclude each other");
        }
        return RunConvert(options, out);
    }
    if (options.toStdout && options.pictures.size() > 1) {
        return UsageError("--stdout takes one BITMAP only");
    }
    if (options.toStdout && !options.outputDir.empty()) {
        return UsageError("--stdout and --output-dir exclude each other");
    }
    if (fromStdin == 1 && options.asset.preparation) {
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
