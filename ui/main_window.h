#pragma once

#include "core/conversion/intake.h"
#include "core/prepare/prepare.h"
#include "widgets/twips.h"

#include <QStringList>
#include <QWidget>
#include <optional>

class QFrame;
class QLabel;
class QPushButton;
class QRadioButton;
class QSettings;

namespace pelmora {
class PrepareWindow;
class PreviewWindow;
} // namespace pelmora

namespace pelmora {

class DriveList;
class FileList;
class FolderList;
class MessageBox;
class PathLabel;
class PictureBox;

// The start-up window: browse to a 128 x 64, 1-bit bitmap, take it in with a
// double-click, choose Normal or Inverse, convert, preview, reset, exit.
class MainWindow : public QWidget {
    Q_OBJECT

  public:
    MainWindow(ConversionState& state, MessageBox& messages, TwipsScale scale,
               QWidget* parent = nullptr);

    // The window's size in twips, which ScaleToFit fits to the screen.
    static QSize twipsSize() { return {6990, 8175}; }

    // Fills the notice and the progress, points the browser at startFolder (normally the
    // program's own folder) and places the picture box. Run once, before showing.
    void Init_Form(const QString& startFolder);

    // Opens a folder, or a bitmap's folder with the bitmap taken in as by a double-click.
    void OpenPath(const QString& path);

    // Takes in the bitmap of that name in File1's folder: the selected one when empty.
    void TakeInBitmap(const QString& name = {});
    void ConvertPicture();
    void ResetWindow();

    // The syntax and panel that Convert writes; remembered in settings when given, with the
    // last folder, the recent pictures and where the windows were. Normal or Inverse is not:
    // each picture taken in starts Normal.
    void useSettings(QSettings* settings);
    // The folder shown when the window last closed, where it still is; else empty.
    QString rememberedFolder() const;
    // Moves the window where it was last, or to the middle of its screen, wholly on it.
    void placeOnScreen();
    QStringList recentPictures() const { return recent_; }

    // Puts the text written by the last conversion on the clipboard, with its file's URL.
    void CopyOutput();
    const OutputChoice& outputChoice() const { return choice_; }
    void setOutputChoice(const OutputChoice& choice);
    void ShowOutputSettings();
    void OpenPicture();
    void ChoosePictureToPrepare(); // the selected file, else one asked for
    void PreparePicture(const QString& path);
    // Takes in dots prepared for a layout of levels, planes or a mask: Convert writes them
    // as the output named after bmpPath (NAME_WxH.bmp beside the picture).
    void TakeInDots(const PanelDots& dots, const QString& bmpPath);
    const std::optional<PanelDots>& takenInDots() const { return dots_; }
    PrepareWindow* preparingWindow() const { return preparing_; } // while it is open
    // A frames file in the LCD Preview, over the window given, where it plays.
    void PreviewFrames(const QString& path, QWidget* over);
    PreviewWindow* previewingWindow() const { return previewing_; } // while it is open
    void ShowAbout();
    void ShowFontWindow();

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    // The controls at their places in twips, made in the order they stack and take the focus.
    void buildControls();
    void buildBrowser();      // the drive, folder and file lists
    void buildPictureFrame(); // Frame1: the picture taken in and its sizes
    void buildConvertFrame(); // Frame2: Normal or Inverse, progress, status, output file
    void buildButtons();
    void orderTabs();
    void connectControls();
    void addShortcuts();
    void PrepareForNewFile();
    void PrepareForConvert();
    void ShowConvertStatus();
    WriteOutcome WriteDotsFile(const PanelDots& dots, const OutputChoice& choice,
                               ProgressDisplay& progress);
    void ShowPreview();
    void placePreviewPic();
    bool NeedsPreparing(const QString& path) const;
    void rememberPicture(const QString& path);
    void addShortcut(const QKeySequence& keys, void (MainWindow::*action)());

    ConversionState& state_;
    MessageBox& messages_;
    TwipsScale scale_;
    Palette palette_{};
    ResultFlag resultFlag_ = ResultFlag::Unset;
    QString takenInName_;           // the bitmap now in PreviewPic, which the output is named after
    TakenIn takenIn_;               // its decoded pixels, which Convert encodes
    std::optional<PanelDots> dots_; // or the dots Prepare picture made, which it encodes
    PanelLayout dotsLayout_;        // the panel they were made for
    // The panel, syntax and packing of the file the last conversion wrote, for its preview.
    struct WrittenPanel {
        PanelLayout layout;
        const Syntax* syntax;
        Packing packing;
    };
    std::optional<WrittenPanel> written_;
    OutputChoice choice_;
    QString presetName_; // the preset chosen for it, empty for Custom
    QSettings* settings_ = nullptr;
    PrepareOptions prepareOptions_;
    PrepareWindow* preparing_ = nullptr;
    PreviewWindow* previewing_ = nullptr;
    QStringList recent_; // pictures taken in, the latest first

    QLabel* DriverLabel;
    DriveList* Drive1;
    QLabel* DirLabel;
    FolderList* Dir1;
    QLabel* FileLabel;
    FileList* File1;
    QFrame* Frame1;
    QLabel* HeightLabel;
    QLabel* HeightValue;
    QLabel* WidthLabel;
    QLabel* WidthValue;
    QLabel* ColorLabel;
    QLabel* ColorValue;
    PictureBox* PreviewPic;
    QFrame* Frame2;
    QFrame* Frame3;
    QRadioButton* NormalOption;
    QRadioButton* InverseOption;
    QLabel* ProgressLabel;
    QLabel* ProgressPer;
    QLabel* PercentLabel;
    QLabel* StatusLabel;
    QLabel* StatusValue;
    QLabel* OutFileLabel;
    PathLabel* OutFileValue;
    QPushButton* ConvertButton;
    QPushButton* PreviewButton;
    QPushButton* ResetButton;
    QPushButton* ExitButton;
    QLabel* CopyRightLabel;
};

} // namespace pelmora
