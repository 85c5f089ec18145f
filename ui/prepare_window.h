#pragma once

#include "core/conversion/encoder.h"
#include "core/prepare/prepare.h"
#include "core/prepare/resample.h"
#include "picture_input/picture_input.h"

#include <QDialog>
#include <QSize>

#include <functional>
#include <optional>
#include <tuple>
#include <vector>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QFormLayout;
class QLabel;
class QPushButton;
class QSettings;
class QSlider;
class QSpinBox;
class QTimer;
class QVBoxLayout;

namespace pelmora {

class MessageBox;

// The preparation options as remembered between runs; the defaults when nothing is stored.
PrepareOptions LoadPrepareOptions(QSettings& settings);
void SavePrepareOptions(QSettings& settings, const PrepareOptions& options);

// "Prepare picture": any picture beside the panel it will make, redrawn as the controls
// change. Use writes the BMP beside the picture and hands its path on; Save BMP asks where.
// An animated GIF shows one frame at a time, played or picked, and Save frames writes them
// all as pelmora-cli convert --frames does, in output's syntax and layout; Preview frames
// then asks for the file written to be played in the preview.
class PrepareWindow : public QDialog {
    Q_OBJECT

  public:
    // The picture must have been read; width x height is the panel's size.
    PrepareWindow(const QString& picturePath, RgbaPicture picture, int width, int height,
                  const PrepareOptions& options, MessageBox& messages, QWidget* parent = nullptr,
                  OutputChoice output = {});

    PrepareOptions options() const;
    const MonoPicture& panel() const { return panel_; }
    // Whether the output's layout takes more than one bit a dot in one plane (greys,
    // tri-colour planes, a mask): then Use hands on the dots, not a one-bit BMP.
    bool preparesDots() const { return dotsLayout_.has_value(); }
    const PanelDots& dots() const { return dots_; } // as prepared for such a layout
    QString defaultBmpPath() const;                 // NAME_WxH.bmp beside the picture
    void setSaveNameAsker(std::function<QString(const QString& suggested)> asker) {
        askSaveName_ = std::move(asker);
    }
    // Asked before Save BMP replaces a file whose name had no .bmp until it was added.
    void setReplaceAsker(std::function<bool(const QString& path)> asker) {
        askReplace_ = std::move(asker);
    }
    // Asked where Save frames writes; empty to write nothing.
    void setFramesNameAsker(std::function<QString(const QString& suggested)> asker) {
        askFramesName_ = std::move(asker);
    }
    bool wroteBitmap() const { return wrote_; }                         // by Use or Save BMP
    int frameCount() const { return static_cast<int>(frames_.size()); } // 0 for a still picture
    QString defaultFramesPath() const; // as pelmora-cli convert --frames names it
    QString savedFramesPath() const { return savedFrames_; } // empty until Save frames wrote

    // The turn, as pelmora-cli prepare --rotate and --mirror take it.
    int rotation() const;
    Mirror mirror() const;
    // Everything chosen, for the panel's size and, where it takes levels, its layout.
    Preparation preparation() const;

  signals:
    void bitmapWritten(const QString& path); // by Use: take it in
    // By Use where the layout takes levels: the dots to convert, named as the BMP would be.
    void dotsPrepared(const pelmora::PanelDots& dots, const QString& name);
    void framesPreviewAsked(const QString& path); // by Preview frames: play what was saved

  private:
    // The steps that make the window, in their order.
    void chooseDotsLayout(); // dotsLayout_, where the output's layout takes levels
    void buildViews();       // the picture and the panel, sized for the screen
    void buildChoices(const PrepareOptions& options);
    QFormLayout* layOutChoices();
    QDialogButtonBox* buildButtons();
    void placeContent(QFormLayout* form, QDialogButtonBox* buttons);
    void connectControls();
    void askWithDialogs(); // Save BMP's file dialog and question, unless a test sets its own
    void explainDotsButtons();

    void redraw();
    void use();
    void saveAs();
    bool writeBitmap(const QString& path);
    void readFrames();
    void addFrameControls(QVBoxLayout* layout, QDialogButtonBox* buttons);
    void showFrame(int frame);
    void playOrPause();
    void saveFrames();

    QString picturePath_;
    RgbaPicture picture_;
    PlacedPicture placed_; // picture_ turned, placed and scaled for shownFor_
    std::optional<std::tuple<Fit, int, Mirror>> shownFor_; // the fit and turn placed_ is for
    int width_;
    int height_;
    MessageBox& messages_;
    MonoPicture panel_;
    std::optional<PanelLayout> dotsLayout_; // the output's layout, where it takes levels
    PanelDots dots_;
    std::function<QString(const QString&)> askSaveName_;
    std::function<bool(const QString&)> askReplace_;
    std::function<QString(const QString&)> askFramesName_;
    bool wrote_ = false;
    QSize sourceSize_; // the source view's size, smaller on a small screen
    int dot_ = 1;      // screen pixels a side for one panel dot
    OutputChoice output_;
    std::vector<RgbaPicture> frames_; // an animated GIF's screens; empty for a still picture
    std::vector<int> delays_;         // their delays in milliseconds, 0 kept as 0
    QString savedFrames_;             // where Save frames last wrote

    QLabel* SourceView;
    QLabel* PanelView;
    QComboBox* FitBox;
    QComboBox* DitherBox;
    QComboBox* BackgroundBox;
    QSlider* ThresholdSlider;
    QCheckBox* AutoThresholdCheck;
    QSlider* BrightnessSlider;
    QSpinBox* BrightnessBox;
    QSlider* ContrastSlider;
    QSpinBox* ContrastBox;
    QComboBox* RotateBox;
    QComboBox* MirrorBox;
    QCheckBox* InvertCheck;
    QLabel* ValuesLabel;
    QPushButton* UseButton;
    QPushButton* SaveButton;
    QPushButton* CancelButton;
    // Only for an animated GIF; null otherwise.
    QSlider* FrameSlider = nullptr;
    QPushButton* PlayButton = nullptr;
    QLabel* FrameLabel = nullptr;
    QPushButton* SaveFramesButton = nullptr;
    QPushButton* PreviewFramesButton = nullptr; // enabled once Save frames wrote
    QTimer* PlayTimer = nullptr;
};

} // namespace pelmora
