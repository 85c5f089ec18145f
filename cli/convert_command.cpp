#include "cli/convert_command.h"

#include "cli/cli_output.h"
#include "core/intake.h"
#include "platform/bitmap_image.h"

#include <QDir>
#include <QFileInfo>

namespace pelmora::cli {

namespace {

class SilentProgress : public ProgressDisplay {
  public:
    void showProgress(const std::string&) override {}
};

bool ConvertOne(ConversionState& state, const ConvertOptions& options, const QString& bitmap) {
    Palette palette{};
    const PanelLayout panel = options.choice.layoutFor(state);
    const TakenIn taken = TakeInBitmapFile(state, palette, Utf8(bitmap), panel);
    if (!taken.check.accepted()) {
        const bool plainRejection =
            taken.check.verdict == BitmapVerdict::Rejected && taken.check.reason.empty();
        PrintError(bitmap, FromUtf8(plainRejection ? RejectionTextOneLine(panel.width, panel.height)
                                                   : taken.check.reason));
        return false;
    }
    if (!taken.usable()) {
        PrintError(bitmap, FromUtf8(taken.refusal));
        return false;
    }

    const QFileInfo info(bitmap);
    const QString folder =
        options.outputDir.isEmpty() ? info.path() : QDir::cleanPath(options.outputDir);
    state.outputPath = OutputPathFor(Utf8(QDir::toNativeSeparators(folder)), Utf8(info.fileName()),
                                     options.choice.syntaxOrDefault());
    SilentProgress progress;

    if (options.toStdout) {
        const std::string text =
            ConvertTakenInToText(state, taken, palette, options.inverse, progress, options.choice);
        if (!WriteStdout(text) || !FlushStdout()) {
            PrintError("standard output", "could not be written");
            return false;
        }
        return true;
    }
    ResultFlag resultFlag = ResultFlag::Failed;
    const WriteOutcome outcome = ConvertTakenIn(state, taken, palette, options.inverse, progress,
                                                resultFlag, options.choice);
    const QString output = FromUtf8(state.outputPath);
    if (!outcome.ok) {
        PrintError(output, FromUtf8(outcome.reason));
        return false;
    }
    if (!options.quiet) {
        WriteStdout(Utf8(output + "\n"));
    }
    return true;
}

} // namespace

int RunConvert(ConversionState& state, const ConvertOptions& options) {
    bool allWritten = true;
    for (const QString& bitmap : options.bitmaps) {
        allWritten = ConvertOne(state, options, bitmap) && allWritten;
    }
    if (!FlushStdout()) {
        PrintError("standard output", "could not be written");
        allWritten = false;
    }
    return allWritten ? 0 : 1;
}

} // namespace pelmora::cli
