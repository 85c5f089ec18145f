#pragma once

#include "core/prepare/prepare.h"
#include "core/prepare/resample.h"

#include <QDialog>
#include <QSize>

#include <functional>
#include <optional>
#include <tuple>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSettings;
class QSlider;
class QSpinBox;

namespace pelmora {

class MessageBox;

// The preparation options as remembered between runs; the defaults when nothing is stored.
PrepareOptions LoadPrepareOptions(QSettings& settings);
void SavePrepareOptions(QSettings& settings, const PrepareOptions& options);

// "Prepare picture": any picture beside the panel it will make, redrawn as the controls
// change. Use writes the BMP beside the picture and hands its path on; Save BMP asks where.
class PrepareWindow : public QDialog {
    Q_OBJECT

  public:
    // The picture must have been read; width x height is the panel's size.
    PrepareWindow(const QString& picturePath, RgbaPicture picture, int width, int height,
                  const PrepareOptions& options, MessageBox& messages, QWidget* parent = nullptr);

    PrepareOptions options() const;
    const MonoPicture& panel() const { return panel_; }
    QString defaultBmpPath() const; // NAME_WxH.bmp beside the picture
    void setSaveNameAsker(std::function<QString(const QString& suggested)> asker) {
        askSaveName_ = std::move(asker);
    }
    // Asked before Save BMP replaces a file whose name had no .bmp until it was added.
    void setReplaceAsker(std::function<bool(const QString& path)> asker) {
        askReplace_ = std::move(asker);
    }
    bool wroteBitmap() const { return wrote_; } // by Use or Save BMP

    // The turn, as pelmora-cli prepare --rotate and --mirror take it.
    int rotation() const;
    Mirror mirror() const;

  signals:
    void bitmapWritten(const QString& path); // by Use: take it in

  private:
    void redraw();
    void use();
    void saveAs();
    bool writeBitmap(const QString& path);

    QString picturePath_;
    RgbaPicture picture_;
    RgbaPicture shown_; // the part of picture_ shown, scaled for shownFit_
    std::optional<std::tuple<Fit, int, Mirror>> shownFor_; // the fit and turn shown_ is for
    int width_;
    int height_;
    MessageBox& messages_;
    MonoPicture panel_;
    std::function<QString(const QString&)> askSaveName_;
    std::function<bool(const QString&)> askReplace_;
    bool wrote_ = false;
    QSize sourceSize_; // the source view's size, smaller on a small screen
    int dot_ = 1;      // screen pixels a side for one panel dot

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
};

} // namespace pelmora
