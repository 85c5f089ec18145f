#include "cli/show_command.h"

#include "cli/cli_output.h"
#include "core/atomic_text_file.h"
#include "core/bmp_writer.h"
#include "core/page_mode_plotter.h"
#include "core/source_file.h"
#include "core/utf8_path.h"
#include "platform/bitmap_image.h"

#include <QImage>
#include <QSaveFile>

#include <vector>

namespace pelmora::cli {

namespace {

enum class Dot : unsigned char { Undrawn, Off, On };

// The panel as read; dots that the file does not reach stay undrawn.
class PanelDots : public PointSink {
  public:
    explicit PanelDots(const PanelLayout& layout)
        : width_(layout.width), height_(layout.height),
          dots_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_)) {}
    void setPoint(int x, int y, bool on) override {
        if (x >= 0 && x < width_ && y >= 0 && y < height_) {
            dots_[offset(x, y)] = on ? Dot::On : Dot::Off;
        }
    }
    Dot at(int x, int y) const { return dots_[offset(x, y)]; }
    int width() const { return width_; }
    int height() const { return height_; }
    MonoPicture picture() const {
        MonoPicture picture(width_, height_);
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                picture.set(x, y, at(x, y) == Dot::On);
            }
        }
        return picture;
    }

  private:
    std::size_t offset(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
               static_cast<std::size_t>(x);
    }
    int width_;
    int height_;
    std::vector<Dot> dots_;
};

std::string AsCharacters(const PanelDots& panel) {
    std::string text;
    text.reserve(static_cast<std::size_t>(panel.width() + 1) *
                 static_cast<std::size_t>(panel.height()));
    for (int y = 0; y < panel.height(); ++y) {
        for (int x = 0; x < panel.width(); ++x) {
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
    for (int y = 0; y < panel.height(); y += 2) {
        for (int x = 0; x < panel.width(); ++x) {
            const bool upper = panel.at(x, y) == Dot::On;
            const bool lower = y + 1 < panel.height() && panel.at(x, y + 1) == Dot::On;
            text += upper && lower ? "\u2588" : upper ? "\u2580" : lower ? "\u2584" : " ";
        }
        text += '\n';
    }
    return text;
}

QString SavePicture(const PanelDots& panel, const ShowOptions& options) {
    QImage image(panel.width() * options.scale, panel.height() * options.scale,
                 QImage::Format_RGB32);
    if (image.isNull()) {
        return "the picture is too large to make";
    }
    image.fill(Qt::white);
    for (int y = 0; y < panel.height(); ++y) {
        for (int x = 0; x < panel.width(); ++x) {
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
    const std::string path = Utf8(options.textFile);
    const SourceFile source = ReadSourceFile(path);
    if (!source.ok()) {
        PrintError({}, FromUtf8(path + ": " + source.error));
        return 1;
    }
    const PanelText read = ReadPanelText(source.bytes, options.layout, options.syntax, path);
    state.infoHeader.biWidth = read.layout.width;
    state.infoHeader.biHeight = read.layout.height;
    ComputePanelGeometry(state);

    PanelDots panel(read.layout);
    UnpackPanel(read.layout, 0, read.bytes, panel);
    if (!read.error.empty()) {
        PrintError({}, FromUtf8(path + ", " + read.error));
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
    if (!options.bmpFile.isEmpty()) {
        AtomicTextFile file(PathFromUtf8(Utf8(options.bmpFile)));
        if (!file.open() || !file.write(EncodeMonoBmp(panel.picture())) || !file.commit()) {
            PrintError(options.bmpFile, FromUtf8(file.error()));
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
