#pragma once

#include "core/prepare/prepare.h"

#include <QDialog>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSettings;
class QSlider;

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
    std::optional<Fit> shownFit_;
    int width_;
    int height_;
    MessageBox& messages_;
    MonoPicture panel_;
    std::function<QString(const QString&)> askSaveName_;

    QLabel* SourceView;
    QLabel* PanelView;
    QComboBox* FitBox;
    QComboBox* DitherBox;
    QComboBox* BackgroundBox;
    QSlider* ThresholdSlider;
    QCheckBox* AutoThresholdCheck;
    QSlider* BrightnessSlider;
    QSlider* ContrastSlider;
    QCheckBox* InvertCheck;
    QLabel* ValuesLabel;
    QPushButton* UseButton;
    QPushButton* SaveButton;
    QPushButton* CancelButton;
};

} // namespace pelmora
