#pragma once

#include "core/asset/asset.h"
#include "core/font/font_file.h"
#include "core/panel/mono_picture.h"
#include "core/panel/panel_layout.h"

#include <QDialog>
#include <QStringList>

#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSettings;
class QSpinBox;
class QTimer;

namespace pelmora {

class MessageBox;
struct MadeFont;
class SampleDots;

// "Make font": a font file for the firmware, its sample drawn on the panel as the firmware
// will draw it from that very file, redrawn as the choices change. Save writes what
// pelmora-cli font writes for the same choices.
class FontWindow : public QDialog {
    Q_OBJECT

  public:
    FontWindow(const PanelLayout& panel, QSettings* settings, MessageBox& messages,
               QWidget* parent = nullptr);

    void done(int result) override;

  private:
    // The steps that make the window, in their order.
    void buildRedrawTimer();
    void buildFontFields(); // the font file, its size and characters, the format
    void buildCellFields(); // a table's cell, and the hinting
    void buildSampleViews();
    QFormLayout* layOutFields();
    QDialogButtonBox* buildButtons();
    void placeAll(QFormLayout* form, QDialogButtonBox* buttons);
    void orderTabs();
    void connectControls();
    void fitToScreen();

    void changed();
    void redraw();
    void showStrikes();
    // The steps of redraw once the font and characters are read: the problem, empty when
    // made_ holds the file and the sample is drawn on shown.
    QString drawSample(const QString& path, const FontInput& font,
                       const std::vector<char32_t>& codes, MonoPicture& shown, QStringList& status);
    QString showFontFile(const FontFormat& format, MadeFont& made, MonoPicture& shown,
                         QStringList& status);
    void browse();
    void save();
    void loadFont(const QString& path);
    void loadChoices();
    FontInput fontChoice() const; // size, format, cell and hinting as the fields say
    void rememberChoices();
    QString suggestedPath() const;

    PanelLayout panel_;
    QSettings* settings_;
    MessageBox& messages_;

    QString loadedPath_; // the font whose bytes are held
    std::string fontBytes_;
    std::string fontError_;
    std::vector<int> strikes_;
    FontFile made_; // the file Save writes; made_.text empty while there is a problem
    std::string symbol_;

    QTimer* RedrawTimer;
    QLineEdit* FontPathEdit;
    QPushButton* BrowseButton;
    QSpinBox* SizeBox;
    QLabel* StrikesLabel;
    QLineEdit* CharsEdit;
    QComboBox* FormatBox;
    QCheckBox* CellAutoCheck;
    QSpinBox* CellWidthBox;
    QSpinBox* CellHeightBox;
    QComboBox* HintingBox;
    QLineEdit* SampleEdit;
    SampleDots* SampleView;
    QLabel* StatusLabel;
    QLabel* ProblemLabel;
    QPushButton* SaveButton;
    QPushButton* CancelButton;
};

} // namespace pelmora
