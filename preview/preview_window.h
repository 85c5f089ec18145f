#pragma once

#include "core/compress/packed_output.h"
#include "core/conversion/conversion_state.h"
#include "core/conversion/plotter.h"
#include "core/frames/frames.h"
#include "core/io/source_file.h"
#include "widgets/twips.h"

#include <QDialog>

#include <optional>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QSettings;
class QSlider;
class QTimer;

namespace pelmora {

class MessageBox;
class PictureBox;

// How the preview draws a dot at its level: one bit dark on the panel's green as always,
// greys from white (level 0) to black (the top level), tri-colour e-paper white, black and
// red or yellow; a dot a mask leaves undrawn is a pale blue checker, unlike any of those.
Colour DotColour(const PanelLayout& layout, int x, int y, int level, bool opaque);

// Draws the whole panel from its bytes as the preview does, missing bytes as 0.
void DrawPanelBytes(PictureBox& box, const PanelLayout& layout,
                    std::span<const std::uint8_t> bytes);

// "LCD Preview": reads the written text file back and plots it as the panel shows it. Once
// shown, a line under Show tells which byte and bit of the file the dot under the pointer
// is; a click, or the arrow keys in the panel, outline that byte's dots; Ctrl+plus and
// Ctrl+minus zoom. A frames file plays: Show draws its first frame, and a row under the
// status line steps through the frames with their delays, or shows the one picked.
class PreviewWindow : public QDialog {
    Q_OBJECT

  public:
    PreviewWindow(ConversionState& state, MessageBox& messages, TwipsScale scale,
                  QWidget* owner = nullptr);

    // One pass over the file at outputPath: clears the panel and draws every line again.
    // A line that cannot be read stops the pass with a message; what was drawn stays.
    void LoadPreviewFile();

    // Reads the frames file at path instead of the last conversion's output. Bin and ihex,
    // which carry no mark of frames, are read as frames of fallback's size too; a text of
    // one panel is shown as it would be from Convert.
    void setFramesFile(std::string path, const PanelLayout& fallback);

    // The panel, syntax and packing that the last conversion wrote its file with: Show reads
    // the file by them, since DB lines, raw bytes and Intel HEX state neither their layout
    // nor how they are packed.
    void setWrittenPanel(const PanelLayout& layout, const Syntax& syntax,
                         const Packing& packing = {});

    // The frames of the frames file last shown: none for a file of one panel.
    int frameCount() const { return static_cast<int>(frames_.size()); }
    int shownFrame() const;
    void showFrame(int frame);
    bool playing() const;

    // The zoom and the place on the screen, remembered in settings when given.
    void useSettings(QSettings* settings);

    static constexpr int kMaxZoom = 8;
    int zoom() const { return zoom_; }
    void setZoom(int zoom); // 1 to kMaxZoom, and no larger than the screen holds

    // What the status line says of the dot at (x, y) of the panel last shown; empty where
    // there is none.
    QString describeDot(int x, int y) const;
    // Outlines the dots of the byte that holds (x, y) and says so in the status line.
    void selectDot(int x, int y);
    std::optional<std::size_t> selectedByte() const { return selected_; }

  protected:
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void relayout();
    void pointAt(QPoint dot);
    const std::string& path() const { return file_ ? *file_ : state_.outputPath; }
    PanelLayout fallback() const {
        return fallback_ ? *fallback_ : written_ ? *written_ : LayoutOfState(state_);
    }
    void loadFrames(const std::string& text, const Syntax& syntax);
    void loadPacked(const SourceFile& source);
    void playOrPause();
    void stopPlaying();

    ConversionState& state_;
    MessageBox& messages_;
    TwipsScale scale_;
    QSettings* settings_ = nullptr;
    int zoom_ = 1;
    std::optional<PanelText> shown_; // the panel as the file last read holds it
    std::optional<std::size_t> selected_;
    QPoint selectedDot_; // where the arrow keys move the selection from
    std::optional<std::string> file_;
    std::optional<PanelLayout> fallback_;
    std::optional<PanelLayout> written_;
    const Syntax* writtenSyntax_ = nullptr;
    Packing writtenPacking_;
    std::vector<PanelFrame> frames_; // empty but for a frames file
    bool frameDelays_ = false;       // whether the frames file stores delays
    PictureBox* LcdPic;
    QPushButton* ShowButton;
    QLabel* StatusLine;
    // Shown only for a frames file.
    QPushButton* PlayButton;
    QSlider* FrameSlider;
    QLabel* FrameLabel;
    QTimer* PlayTimer;
};

} // namespace pelmora
