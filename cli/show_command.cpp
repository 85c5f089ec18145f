#include "cli/show_command.h"

#include "cli/cli_output.h"
#include "core/page_mode_plotter.h"
#include "platform/bitmap_image.h"

#include <QImage>
#include <QSaveFile>

#include <array>

namespace pelmora::cli {

namespace {

enum class Dot : unsigned char { Undrawn, Off, On };

// The panel as decoded; dots that no line reached stay undrawn.
class PanelDots : public PointSink {
  public:
    void setPoint(int x, int y, bool on) override {
        if (x >= 0 && x < kPanelWidth && y >= 0 && y < kPanelHeight) {
            dots_[static_cast<std::size_t>(y * kPanelWidth + x)] = on ? Dot::On : Dot::Off;
        }
    }
    void setColumn(int x, int top, std::uint8_t rows) override {
        if (x < 0 || x >= kPanelWidth || top < 0 || top + 8 > kPanelHeight) {
            PointSink::setColumn(x, top, rows);
            return;
        }
        for (int row = 0; row < 8; ++row) {
            dots_[static_cast<std::size_t>((top + row) * kPanelWidth + x)] =
                rows >> row & 1 ? Dot::On : Dot::Off;
        }
    }
    Dot at(int x, int y) const { return dots_[static_cast<std::size_t>(y * kPanelWidth + x)]; }

  private:
    std::array<Dot, kPanelWidth * kPanelHeight> dots_{};
};

std::string AsCharacters(const PanelDots& panel) {
    std::string text;
    for (int y = 0; y < kPanelHeight; ++y) {
        for (int x = 0; x < kPanelWidth; ++x) {
            const Dot dot = panel.at(x, y);
            text += dot == Dot::On ? '#' : dot == Dot::Off ? '.' : ' ';
        }
        text += '\n';
    }
    return text;
}

// Two rows to a character: upper half block, lower half block, full block or space.
std::string AsHalfBlocks(const PanelDots& panel) {
    std::string text;
    for (int y = 0; y < kPanelHeight; y += 2) {
        for (int x = 0; x < kPanelWidth; ++x) {
            const bool upper = panel.at(x, y) == Dot::On;
            const bool lower = panel.at(x, y + 1) == Dot::On;
            text += upper && lower ? "\u2588" : upper ? "\u2580" : lower ? "\u2584" : " ";
        }
        text += '\n';
    }
    return text;
}

QString SavePicture(const PanelDots& panel, const ShowOptions& options) {
    QImage image(kPanelWidth * options.scale, kPanelHeight * options.scale, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 0; y < kPanelHeight; ++y) {
        for (int x = 0; x < kPanelWidth; ++x) {
            const Dot dot = panel.at(x, y);
            if (dot != Dot::Undrawn) {
                const QRgb colour = RgbFromColour(dot == Dot::On ? kOnDotColour : kOffDotColour);
                for (int dy = 0; dy < options.scale; ++dy) {
                    for (int dx = 0; dx < options.scale; ++dx) {
                        image.setPixel(x * options.scale + dx, y * options.scale + dy, colour);
                    }
                }
            }
        }
    }
    QSaveFile file(options.pngFile);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit()) {
        return file.errorString();
    }
    return {};
}

} // namespace

int RunShow(ConversionState& state, const ShowOptions& options) {
    state.infoHeader.biWidth = kPanelWidth;
    state.infoHeader.biHeight = kPanelHeight;
    ComputePanelGeometry(state);

    PanelDots panel;
    const PlotOutcome outcome = PlotLcdHexFile(state, Utf8(options.textFile), panel);
    if (!outcome.ok) {
        PrintError({}, FromUtf8(outcome.error));
        return 1;
    }
    if (!options.pngFile.isEmpty()) {
        const QString error = SavePicture(panel, options);
        if (!error.isEmpty()) {
            PrintError(options.pngFile, error);
            return 1;
        }
        return 0;
    }
    const std::string text = options.blocks ? AsHalfBlocks(panel) : AsCharacters(panel);
    if (!WriteStdout(text) || !FlushStdout()) {
        PrintError("standard output", "could not be written");
        return 1;
    }
    return 0;
}

} // namespace pelmora::cli
