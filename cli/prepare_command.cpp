#include "cli/prepare_command.h"

#include "cli/batch_targets.h"
#include "cli/panel_options.h"
#include "cli/usage.h"

#include "core/bmp/bmp_writer.h"
#include "core/io/atomic_text_file.h"
#include "core/io/utf8_path.h"
#include "core/prepare/prepare.h"

#include <filesystem>

namespace pelmora::cli {

namespace {

namespace fs = std::filesystem;

std::string Stem(const std::string& name) {
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    if (fs::equivalent(PathFromUtf8(a), PathFromUtf8(b), error)) {
        return true;
    }
    return fs::weakly_canonical(PathFromUtf8(a), error) ==
           fs::weakly_canonical(PathFromUtf8(b), error);
}

// The colour of each level: the levels' greys, white first, or white, black and the colour.
std::vector<std::uint32_t> PaletteOf(const Preparation& preparation) {
    const PanelLayout& layout = preparation.layout;
    if (layout.colours != Colours::None) {
        return {0xFFFFFF, 0x000000, layout.colours == Colours::BlackRed ? 0xFF0000U : 0xFFFF00U};
    }
    std::vector<std::uint32_t> palette;
    for (const int grey : LevelGreys(layout.depth, preparation.options.levelGreys)) {
        const auto value = static_cast<std::uint32_t>(grey);
        palette.push_back(value << 16 | value << 8 | value);
    }
    return palette;
}

} // namespace

int RunPrepare(const PrepareJob& command, StandardOutput& out) {
    const std::string size = std::to_string(command.preparation.width) + "x" +
                             std::to_string(command.preparation.height);
    bool allWritten = true;
    BatchTargets targets(command.pictures);
    for (const std::string& picture : command.pictures) {
        std::string target = command.output;
        if (target.empty()) {
            const fs::path path = PathFromUtf8(picture);
            const std::string name = Stem(Utf8FromPath(path.filename())) + "_" + size + ".bmp";
            // Beside the picture, "./" for one in the current folder, as convert says it.
            const fs::path folder = !command.outputDir.empty() ? PathFromUtf8(command.outputDir)
                                    : path.has_parent_path()   ? path.parent_path()
                                                               : fs::path(".");
            target = Utf8FromPath(folder / PathFromUtf8(name));
        }
        if (SameFile(picture, target)) {
            PrintError(picture, "the prepared picture would replace the picture itself; "
                                "name another with -o");
            allWritten = false;
            continue;
        }
        // One bit as ever; levels and e-paper colours as a 4-bit BMP of their greys or colours.
        const PanelLayout& layout = command.preparation.layout;
        std::string bmp;
        if (layout.depth == 1 && layout.colours == Colours::None) {
            const PreparedPicture prepared = PreparePictureFile(picture, command.preparation);
            if (!prepared.ok()) {
                PrintError(picture, prepared.error);
                allWritten = false;
                continue;
            }
            bmp = EncodeMonoBmp(prepared.picture);
        } else {
            const PreparedDots prepared = PreparePictureDots(picture, command.preparation);
            if (!prepared.ok()) {
                PrintError(picture, prepared.error);
                allWritten = false;
                continue;
            }
            bmp = EncodeIndexedBmp(prepared.dots.width, prepared.dots.height, prepared.dots.levels,
                                   PaletteOf(command.preparation));
        }
        if (const std::string taken = targets.claim(target, picture); !taken.empty()) {
            PrintError(picture, taken);
            allWritten = false;
            continue;
        }
        AtomicTextFile file(PathFromUtf8(target));
        if (!file.open() || !file.write(bmp) || !file.commit()) {
            PrintError(target, file.error());
            allWritten = false;
            continue;
        }
        if (!command.quiet) {
            out.write(target + "\n");
        }
    }
    if (!out.flush()) {
        PrintError("standard output", out.error());
        allWritten = false;
    }
    return allWritten ? 0 : 1;
}

namespace {

// Described in the help's text rather than listed.
constexpr Option kPrepareOptions[] = {
    {"--help", {}, {}},    {"--quiet", {}, {}},         {"--size", "WxH", {}},
    {"-o", "OUT.bmp", {}}, {"--output-dir", "DIR", {}},
};

} // namespace

const std::string_view kPrepareSynopsis =
    "prepare [--size WxH] [--depth N | --colours C] [PREPARATION...]\n"
    "                           [-o OUT.bmp | --output-dir DIR] [--quiet] PICTURE...\n";

std::string PrepareHelp() {
    return "prepare  makes any picture a 1-bit BMP of the panel's size, NAME_WxH.bmp beside it\n"
           "         (or -o OUT.bmp for one picture, or into --output-dir), never over the\n"
           "         picture itself. Reads PNG, JPEG, GIF, BMP of any depth, TIFF and WebP.\n"
           "         convert takes the same PREPARATION options and then any picture. With\n"
           "         --depth 2 or 4 the BMP is of 4 bits, its palette the levels' greys (level 0\n"
           "         white); with --colours, white, black and the colour. No --mask: convert\n"
           "         takes a mask from the picture's transparency.\n" +
           OptionHelp({PreparationOptions()});
}

int PrepareCommand(const std::vector<std::string>& arguments, StandardOutput& out) {
    const ParsedArguments parsed =
        Parse(arguments, {kPrepareOptions, DotOptions(), PreparationOptions()});
    if (!parsed.error.empty()) {
        return UsageError(parsed.error);
    }
    if (parsed.has("--help")) {
        return PrintHelp(out);
    }
    // Only the size and what a dot holds matter here: the layout is convert's business.
    AssetReader reader(NamedOptions(parsed), KeyStyle::Option, ProblemsSaid::First);
    PanelLayout size{.arrangement = Arrangement::Rows};
    if (!reader.readSize(size) || !reader.readDots(size)) {
        return UsageError(reader.said(reader.problems().front()));
    }
    if (size.mask != MaskForm::None) {
        return UsageError("prepare writes a BMP, which holds no mask: convert --mask takes it "
                          "from the picture's transparency");
    }
    if (const std::string problem = CheckLayout(size); !problem.empty()) {
        return UsageError(problem);
    }
    PrepareJob command;
    if (!reader.readPreparation(size, command.preparation)) {
        return UsageError(reader.said(reader.problems().front()));
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

} // namespace pelmora::cli
