#include "cli/convert_command.h"

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
                ProgressLine& progressLine) {
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
    for (const std::string& picture : options.pictures) {
        allWritten = ConvertOne(options, picture, out, progressLine) && allWritten;
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

} // namespace pelmora::cli
