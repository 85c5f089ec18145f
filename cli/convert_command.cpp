#include "cli/convert_command.h"

#include "cli/cli_output.h"
#include "core/bitmap_header.h"
#include "core/lcd_hex_format.h"
#include "core/page_mode_encoder.h"
#include "platform/bitmap_image.h"

#include <QDir>
#include <QFileInfo>

namespace pelmora::cli {

namespace {

class SilentProgress : public ProgressDisplay {
  public:
    void showProgress(const std::string&) override {}
};

class StdoutSink : public LineSink {
  public:
    bool writeLine(std::string_view line) override {
        return WriteStdout(line) && WriteStdout(kLineEnd);
    }
};

std::string Utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

bool ConvertOne(ConversionState& state, const ConvertOptions& options, const QString& bitmap) {
    Palette palette{};
    const BitmapCheck check = ReadAndCheckBitmap(state, Utf8(bitmap), palette);
    if (check.verdict == BitmapVerdict::Unreadable) {
        PrintError(bitmap, QString::fromStdString(check.reason));
        return false;
    }
    if (!check.accepted()) {
        PrintError(bitmap, QString::fromStdString(RejectionTextOneLine()));
        return false;
    }
    const LoadedBitmap loaded = LoadBitmapImage(bitmap, state);
    if (loaded.image.isNull()) {
        PrintError(bitmap, loaded.error);
        return false;
    }

    const QFileInfo info(bitmap);
    const QString folder =
        options.outputDir.isEmpty() ? info.path() : QDir::cleanPath(options.outputDir);
    state.outputPath =
        DeriveOutputPath(Utf8(QDir::toNativeSeparators(folder)), Utf8(info.fileName()));
    ComputePanelGeometry(state);
    const Colour onColour = ColourOf(palette[options.inverse ? 1 : 0]);
    const ImageSurface surface(loaded.image);
    SilentProgress progress;

    if (options.toStdout) {
        StdoutSink sink;
        if (!EncodePageMode(state, surface, progress, onColour, sink) || !FlushStdout()) {
            PrintError("standard output", "could not be written");
            return false;
        }
        return true;
    }
    ResultFlag resultFlag = ResultFlag::Failed;
    const WriteOutcome outcome = WritePageModeFile(state, surface, progress, onColour, resultFlag);
    const QString output = QString::fromStdString(state.outputPath);
    if (!outcome.ok) {
        PrintError(output, QString::fromStdString(outcome.reason));
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
