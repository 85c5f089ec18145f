#include "ui/main_window.h"

#include "core/frames/frames.h"
#include "core/panel/panel_dots.h"
#include "picture_helper/picture_source.h"
#include "preview/preview_window.h"
#include "ui/font_window.h"
#include "ui/output_settings.h"
#include "ui/prepare_window.h"
#include "widgets/bitmap_image.h"
#include "widgets/controls.h"
#include "widgets/drive_list.h"
#include "widgets/file_list.h"
#include "widgets/folder_list.h"
#include "widgets/fonts.h"
#include "widgets/message_box.h"
#include "widgets/path_label.h"
#include "widgets/picture_box.h"
#include "widgets/screen_fit.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QShortcut>

namespace pelmora {

namespace {

constexpr int kFrame1Width = 6255;
constexpr int kFrame1Height = 3015;
constexpr int kPreviewPicWidth = 133; // pixels: the picture and a 2-pixel border round it
constexpr int kPreviewPicHeight = 69;

const QColor kValueBlue(0, 0, 192);
const QColor kPathGreen(0, 128, 0);
const QColor kNoticeGrey(64, 64, 64);

const char kNotice[] = "Pelmora 0.1   Copyright (c) 2026 The Pelmora developers, MIT licence.\r\n"
                       "Questions and bug reports: the Pelmora project's issue tracker.";

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

class LabelProgress : public ProgressDisplay {
  public:
    explicit LabelProgress(QLabel& label) : label_(label) {}
    void showProgress(const std::string& text) override {
        ShowTextNow(label_, QString::fromStdString(text));
    }

  private:
    QLabel& label_;
};

bool IsBitmapName(const QString& name) {
    return name.endsWith(".bmp", Qt::CaseInsensitive);
}

// Whether the file is a frames text as Save frames and pelmora-cli convert --frames write
// it: their mark is in the opening comment, so a look at the head does.
bool IsFramesText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray head = file.read(4096);
    return ClaimsFrames(std::string_view(head.constData(), static_cast<std::size_t>(head.size())));
}

constexpr int kRecentPictures = 8;

// A font at a size shrunk by factor, for a window laid out smaller than the screen's scale.
QFont Shrunk(QFont font, double factor) {
    if (factor < 1.0) {
        font.setPointSizeF(font.pointSizeF() * factor);
    }
    return font;
}

QLabel* PlacedLabel(const char* name, QWidget* parent, const QString& text, QRect place) {
    auto* created = new QLabel(text, parent);
    created->setObjectName(name);
    created->setGeometry(place);
    return created;
}

// Enter presses the button with the focus (ClickOnEnter), never a default one.
QPushButton* PlacedButton(const char* name, QWidget* parent, const QString& text, QRect place) {
    auto* created = new QPushButton(text, parent);
    created->setObjectName(name);
    created->setGeometry(place);
    created->setAutoDefault(false);
    created->setDefault(false);
    return created;
}

QFrame* PlacedFrame(const char* name, QWidget* parent, QRect place) {
    auto* created = new QFrame(parent);
    created->setObjectName(name);
    created->setFrameStyle(QFrame::Box | QFrame::Sunken);
    created->setGeometry(place);
    return created;
}

} // namespace

MainWindow::MainWindow(ConversionState& state, MessageBox& messages, TwipsScale scale,
                       QWidget* parent)
    : QWidget(parent), state_(state), messages_(messages), scale_(scale) {
    setObjectName("Form1");
    setWindowTitle("Pelmora-0.1");
    setWindowIcon(ProgramIcon());
    // Laid out smaller than the screen's scale so as to fit it: the captions shrink alike.
    setFont(Shrunk(WindowFont(), TwipsScale::ofScreen().twipsPerPixel() / scale_.twipsPerPixel()));
    setFixedSize(scale_.size(twipsSize().width(), twipsSize().height()));
    setAcceptDrops(true);
    buildControls();
}

void MainWindow::buildControls() {
    buildBrowser();
    buildPictureFrame();
    buildConvertFrame();
    buildButtons();
    orderTabs();
    connectControls();
    addShortcuts();
}

void MainWindow::buildBrowser() {
    const TwipsScale& s = scale_;
    DriverLabel = PlacedLabel("DriverLabel", this, "Driver:", s.rect(360, 240, 615, 255));
    Drive1 = new DriveList(messages_, this);
    Drive1->setObjectName("Drive1");
    Drive1->setGeometry(s.rect(960, 240, 2295, 315));
    DirLabel = PlacedLabel("DirLabel", this, "Directory:", s.rect(360, 600, 975, 255));
    Dir1 = new FolderList(messages_, this);
    Dir1->setObjectName("Dir1");
    Dir1->setGeometry(s.rect(360, 900, 2895, 1665));
    FileLabel = PlacedLabel("FileLabel", this, "Files Name (*.bmp):", s.rect(3480, 360, 1575, 255));
    File1 = new FileList(this);
    File1->setObjectName("File1");
    File1->setGeometry(s.rect(3480, 720, 3135, 1845));
}

void MainWindow::buildPictureFrame() {
    const TwipsScale& s = scale_;
    Frame1 = PlacedFrame("Frame1", this, s.rect(360, 2640, kFrame1Width, kFrame1Height));
    HeightLabel = PlacedLabel("HeightLabel", Frame1, "Height :", s.rect(480, 240, 615, 255));
    HeightValue = PlacedLabel("HeightValue", Frame1, "", s.rect(1200, 240, 615, 285));
    WidthLabel = PlacedLabel("WidthLabel", Frame1, "Width :", s.rect(1920, 240, 615, 255));
    WidthValue = PlacedLabel("WidthValue", Frame1, "", s.rect(2640, 240, 615, 285));
    ColorLabel = PlacedLabel("ColorLabel", Frame1, "Color :", s.rect(3480, 240, 495, 255));
    ColorValue = PlacedLabel("ColorValue", Frame1, "", s.rect(4080, 240, 1935, 285));
    for (QLabel* value : {HeightValue, WidthValue, ColorValue}) {
        SetTextColour(value, kValueBlue);
    }
    PreviewPic = new PictureBox(Frame1);
    PreviewPic->setObjectName("PreviewPic");
}

void MainWindow::buildConvertFrame() {
    const TwipsScale& s = scale_;
    // Frame1 reaches 15 twips into Frame2; Frame2, made later, is drawn over it.
    Frame2 = PlacedFrame("Frame2", this, s.rect(360, 5640, 6255, 1935));
    Frame3 = PlacedFrame("Frame3", Frame2, s.rect(240, 120, 4575, 735));
    NormalOption = new QRadioButton("Normal", Frame2);
    NormalOption->setObjectName("NormalOption");
    NormalOption->setGeometry(s.rect(480, 360, 975, 375));
    NormalOption->setChecked(true);
    InverseOption = new QRadioButton("Inverse", Frame2);
    InverseOption->setObjectName("InverseOption");
    InverseOption->setGeometry(s.rect(1560, 360, 975, 375));
    InverseOption->setEnabled(false);
    ProgressLabel = PlacedLabel("ProgressLabel", Frame2, "Progress :", s.rect(360, 1080, 735, 255));
    ProgressPer = PlacedLabel("ProgressPer", Frame2, "0", s.rect(1200, 1080, 375, 255));
    ProgressPer->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    PercentLabel = PlacedLabel("PercentLabel", Frame2, "%", s.rect(1680, 1080, 255, 255));
    StatusLabel = PlacedLabel("StatusLabel", Frame2, "Status :", s.rect(2400, 1080, 615, 255));
    StatusValue = PlacedLabel("StatusValue", Frame2, "", s.rect(3120, 1080, 1095, 255));
    OutFileLabel =
        PlacedLabel("OutFileLabel", Frame2, "Output File :", s.rect(360, 1440, 855, 255));
    OutFileValue = new PathLabel(Frame2);
    OutFileValue->setObjectName("OutFileValue");
    OutFileValue->setGeometry(s.rect(1320, 1440, 4695, 375));
    SetTextColour(OutFileValue, kPathGreen);
}

// The buttons, and the notice below them.
void MainWindow::buildButtons() {
    const TwipsScale& s = scale_;
    ConvertButton = PlacedButton("ConvertButton", this, "Convert", s.rect(3120, 6000, 855, 375));
    ConvertButton->setEnabled(false);
    PreviewButton = PlacedButton("PreviewButton", this, "Preview", s.rect(4080, 6000, 855, 375));
    PreviewButton->setEnabled(false);
    ResetButton = PlacedButton("ResetButton", this, "Reset", s.rect(5520, 6000, 855, 375));
    ExitButton = PlacedButton("ExitButton", this, "Exit", s.rect(5520, 6480, 855, 375));

    CopyRightLabel = PlacedLabel("CopyRightLabel", this, "", s.rect(360, 7680, 6255, 495));
    CopyRightLabel->setFont(
        Shrunk(NoticeFont(), TwipsScale::ofScreen().twipsPerPixel() / scale_.twipsPerPixel()));
    CopyRightLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    SetTextColour(CopyRightLabel, kNoticeGrey);
}

void MainWindow::orderTabs() {
    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, File1);
    setTabOrder(File1, PreviewButton);
    setTabOrder(PreviewButton, PreviewPic);
    setTabOrder(PreviewPic, ConvertButton);
    setTabOrder(ConvertButton, ResetButton);
    setTabOrder(ResetButton, ExitButton);
    setTabOrder(ExitButton, InverseOption);
    setTabOrder(InverseOption, NormalOption);
}

void MainWindow::connectControls() {
    connect(Drive1, &DriveList::driveChanged, Dir1, &FolderList::setPath);
    connect(Dir1, &FolderList::pathChanged, File1, &FileList::setPath);
    connect(File1, &FileList::fileActivated, this, &MainWindow::TakeInBitmap);
    connect(ConvertButton, &QPushButton::clicked, this, &MainWindow::ConvertPicture);
    connect(PreviewButton, &QPushButton::clicked, this, &MainWindow::ShowPreview);
    connect(ResetButton, &QPushButton::clicked, this, &MainWindow::ResetWindow);
    connect(ExitButton, &QPushButton::clicked, this, &QWidget::close);
    for (QPushButton* pressed : {ConvertButton, PreviewButton, ResetButton, ExitButton}) {
        ClickOnEnter(*pressed);
    }
    connect(Dir1, &FolderList::pathChanged, this, [this](const QString& folder) {
        if (settings_ != nullptr) {
            settings_->setValue("window/folder", folder);
        }
    });
}

void MainWindow::addShortcuts() {
    // The window keeps no menu bar: these are reached by right click, the menu key and
    // shortcuts, none of them an access key in a caption.
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma), &MainWindow::ShowOutputSettings);
    addShortcut(QKeySequence::Open, &MainWindow::OpenPicture);
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_P), &MainWindow::ChoosePictureToPrepare);
    addShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), &MainWindow::CopyOutput);
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), &MainWindow::ShowFontWindow);
}

void MainWindow::addShortcut(const QKeySequence& keys, void (MainWindow::*action)()) {
    connect(new QShortcut(keys, this), &QShortcut::activated, this, action);
}

void MainWindow::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.setObjectName("ContextMenu");
    QAction* settings =
        menu.addAction("Output settings\u2026", this, &MainWindow::ShowOutputSettings);
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    QAction* open = menu.addAction("Open picture\u2026", this, &MainWindow::OpenPicture);
    open->setShortcut(QKeySequence::Open);
    QAction* prepare =
        menu.addAction("Prepare picture\u2026", this, &MainWindow::ChoosePictureToPrepare);
    prepare->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    QAction* font = menu.addAction("Make font\u2026", this, &MainWindow::ShowFontWindow);
    font->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    QMenu* recent = menu.addMenu("Recent pictures");
    recent->setObjectName("RecentMenu");
    for (const QString& path : recent_) {
        recent->addAction(QDir::toNativeSeparators(path), this, [this, path] { OpenPath(path); });
    }
    recent->setEnabled(!recent_.isEmpty());
    QAction* copy = menu.addAction("Copy output", this, &MainWindow::CopyOutput);
    copy->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    copy->setEnabled(resultFlag_ == ResultFlag::Succeeded);
    menu.addSeparator();
    menu.addAction("About Pelmora", this, &MainWindow::ShowAbout);
    menu.exec(event->globalPos());
}

void MainWindow::useSettings(QSettings* settings) {
    settings_ = settings;
    if (settings_ != nullptr) {
        choice_ = LoadOutputChoice(*settings_);
        choice_.packing = LoadPacking(*settings_);
        presetName_ = LoadPanelPresetName(*settings_);
        prepareOptions_ = LoadPrepareOptions(*settings_);
        recent_ = settings_->value("window/recent").toStringList().mid(0, kRecentPictures);
    }
}

QString MainWindow::rememberedFolder() const {
    if (settings_ == nullptr) {
        return {};
    }
    const QString folder = settings_->value("window/folder").toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void MainWindow::placeOnScreen() {
    const QScreen* screen = this->screen();
    if (screen == nullptr) {
        return;
    }
    const QRect available = screen->availableGeometry();
    QRect frame(QPoint(), size() + QSize(0, kFrameAllowance));
    const QVariant stored = settings_ != nullptr ? settings_->value("window/position") : QVariant();
    frame.moveTopLeft(stored.isValid() ? stored.toPoint() : available.center() - frame.center());
    move(PlaceInside(frame, available).topLeft());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (settings_ != nullptr) {
        settings_->setValue("window/position", pos());
    }
    QWidget::closeEvent(event);
}

void MainWindow::rememberPicture(const QString& path) {
    recent_.removeAll(path);
    recent_.prepend(path);
    recent_ = recent_.mid(0, kRecentPictures);
    if (settings_ != nullptr) {
        settings_->setValue("window/recent", recent_);
    }
}

void MainWindow::CopyOutput() {
    if (resultFlag_ != ResultFlag::Succeeded) {
        return;
    }
    QFile file(FromUtf8(state_.outputPath));
    if (!file.open(QIODevice::ReadOnly)) {
        messages_.show(this, windowTitle(),
                       "The file " + FromUtf8(state_.outputPath) +
                           " could not be read: " + file.errorString());
        return;
    }
    auto* data = new QMimeData;
    // Raw bytes are no text to paste: those go as the file alone.
    if (!choice_.syntaxOrDefault().rawBytes) {
        data->setText(QString::fromUtf8(file.readAll()));
    }
    data->setUrls({QUrl::fromLocalFile(FromUtf8(state_.outputPath))});
    QGuiApplication::clipboard()->setMimeData(data);
}

void MainWindow::setOutputChoice(const OutputChoice& choice) {
    choice_ = choice;
    if (settings_ != nullptr) {
        SaveOutputChoice(*settings_, choice_);
        SavePacking(*settings_, choice_.packing);
    }
    // The picture taken in was accepted for the panel before: one of another size is refused
    // now as it would be if it were taken in afresh.
    const PanelLayout panel = choice_.panel();
    // Prepared dots mean their levels, colours and mask only on a panel like theirs.
    const auto unlike = [&panel](const PanelLayout& made) {
        return made.width != panel.width || made.height != panel.height ||
               made.depth != panel.depth || made.colours != panel.colours ||
               (made.mask == MaskForm::None) != (panel.mask == MaskForm::None);
    };
    if (dots_ && unlike(dotsLayout_)) {
        messages_.show(this, windowTitle(),
                       "The prepared picture was made for another panel's size, levels, colours "
                       "or mask: prepare it again for this one.");
        ResetWindow();
        return;
    }
    if (!takenIn_.pixels.empty() &&
        (takenIn_.pixels.width() != panel.width || takenIn_.pixels.height() != panel.height)) {
        messages_.show(this, FromUtf8(kRejectionTitle),
                       FromUtf8(RejectionText(panel.width, panel.height)));
        ResetWindow();
    }
}

void MainWindow::ShowOutputSettings() {
    OutputSettingsDialog dialog(choice_, this, presetName_, choice_.packing);
    if (dialog.exec() == QDialog::Accepted) {
        presetName_ = dialog.presetName();
        if (settings_ != nullptr) {
            SavePanelPresetName(*settings_, presetName_);
        }
        OutputChoice chosen = dialog.choice();
        chosen.packing = dialog.packing();
        setOutputChoice(chosen);
    }
}

namespace {

const char kPictureFilter[] = "Pictures (*.bmp *.BMP *.png *.PNG *.jpg *.JPG *.jpeg *.gif *.tif "
                              "*.tiff *.webp);;All files (*)";

} // namespace

void MainWindow::OpenPicture() {
    const QString path =
        QFileDialog::getOpenFileName(this, "Open picture", File1->path(), kPictureFilter);
    if (!path.isEmpty()) {
        OpenPath(path);
    }
}

void MainWindow::ChoosePictureToPrepare() {
    const QString selected = File1->selectedFileName();
    const QString path =
        !selected.isEmpty()
            ? QDir(File1->path()).filePath(selected)
            : QFileDialog::getOpenFileName(this, "Prepare picture", File1->path(), kPictureFilter);
    if (!path.isEmpty()) {
        PreparePicture(path);
    }
}

void MainWindow::PreparePicture(const QString& path) {
    SourcePicture source = ReadPicture(path);
    if (!source.ok()) {
        messages_.show(this, windowTitle(),
                       QFileInfo(path).fileName() +
                           " cannot be prepared: " + FromUtf8(source.error));
        return;
    }
    const PanelLayout panel = choice_.panel();
    PrepareWindow window(path, std::move(source.picture), panel.width, panel.height,
                         prepareOptions_, messages_, this, choice_);
    connect(&window, &PrepareWindow::bitmapWritten, this, &MainWindow::OpenPath);
    connect(&window, &PrepareWindow::dotsPrepared, this, &MainWindow::TakeInDots);
    connect(&window, &PrepareWindow::framesPreviewAsked, this,
            [this, &window](const QString& frames) { PreviewFrames(frames, &window); });
    preparing_ = &window;
    window.exec();
    preparing_ = nullptr;
    // Cancel and Escape leave the choices as they were; a bitmap made keeps them.
    if (window.result() == QDialog::Accepted || window.wroteBitmap()) {
        prepareOptions_ = window.options();
        if (settings_ != nullptr) {
            SavePrepareOptions(*settings_, prepareOptions_);
        }
    }
}

void MainWindow::PreviewFrames(const QString& path, QWidget* over) {
    // Modal over the window it was asked from, which waits as the main window does for
    // Preview; the frames file states its panel, or is of the one chosen.
    PreviewWindow preview(state_, messages_, scale_, over);
    preview.setFont(font());
    preview.useSettings(settings_);
    preview.setFramesFile(Utf8(path), choice_.panel());
    previewing_ = &preview;
    preview.exec();
    previewing_ = nullptr;
}

bool MainWindow::NeedsPreparing(const QString& path) const {
    if (!IsBitmapName(QFileInfo(path).fileName())) {
        return true;
    }
    return TakeInBitmapFile(Utf8(path), choice_.panel()).check.verdict == BitmapVerdict::Rejected;
}

void MainWindow::TakeInDots(const PanelDots& dots, const QString& bmpPath) {
    const PanelLayout panel = choice_.panel();
    if (dots.width != panel.width || dots.height != panel.height) {
        messages_.show(this, FromUtf8(kRejectionTitle),
                       FromUtf8(RejectionText(panel.width, panel.height)));
        return;
    }
    const QFileInfo info(bmpPath);
    Drive1->setDrive(info.absolutePath());
    if (!Dir1->setPath(info.absolutePath())) {
        return;
    }
    takenIn_ = {};
    dots_ = dots;
    dotsLayout_ = panel;
    // The main window's picture as the preview draws the dots.
    QImage image(dots.width, dots.height, QImage::Format_RGB32);
    for (int y = 0; y < dots.height; ++y) {
        for (int x = 0; x < dots.width; ++x) {
            const std::size_t at = dots.index(x, y);
            const Colour colour = DotColour(panel, x, y, dots.levels[at],
                                            dots.opaque.empty() || dots.opaque[at] != 0);
            image.setPixel(x, y, RgbFromColour(colour));
        }
    }
    PreviewPic->loadPicture(image);
    state_.infoHeader.biWidth = dots.width;
    state_.infoHeader.biHeight = dots.height;
    HeightValue->setText(QString::number(dots.height));
    WidthValue->setText(QString::number(dots.width));
    ColorValue->setText(panel.colours != Colours::None
                            ? "Prepared: white, black, " +
                                  QString(panel.colours == Colours::BlackRed ? "red" : "yellow")
                        : panel.depth > 1 ? QString("Prepared: %1 greys").arg(TopLevel(panel) + 1)
                                          : QString("Prepared, with a mask"));
    takenInName_ = info.fileName();
    PrepareForNewFile();
    InverseOption->setEnabled(false); // Prepare picture's Invert does that
}

void MainWindow::ShowFontWindow() {
    FontWindow window(choice_.panel(), settings_, messages_, this);
    window.exec();
}

void MainWindow::ShowAbout() {
    messages_.show(this, "About Pelmora", QString(kNotice).replace("\r\n", "\n"));
}

void MainWindow::Init_Form(const QString& startFolder) {
    CopyRightLabel->setText(kNotice);
    ProgressPer->setText("0");
    Drive1->setDrive(startFolder);
    Dir1->setPath(startFolder);
    placePreviewPic();
    File1->setFocus(); // where a picture is chosen
}

void MainWindow::placePreviewPic() {
    const double width = scale_.toTwips(kPreviewPicWidth);
    const double height = scale_.toTwips(kPreviewPicHeight);
    // Centred, leaving room for the row of values along the frame's top.
    const double top = (kFrame1Height + 300) / 2.0 - height / 2.0;
    const double left = kFrame1Width / 2.0 - width / 2.0;
    PreviewPic->setGeometry(scale_.toPixels(left), scale_.toPixels(top), kPreviewPicWidth,
                            kPreviewPicHeight);
}

void MainWindow::OpenPath(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        messages_.show(this, windowTitle(),
                       QDir::toNativeSeparators(info.absoluteFilePath()) + " does not exist.");
        return;
    }
    if (info.isFile() && !IsBitmapName(info.fileName()) && IsFramesText(info.absoluteFilePath())) {
        PreviewFrames(info.absoluteFilePath(), this);
        return;
    }
    if (!info.isDir() && NeedsPreparing(info.absoluteFilePath())) {
        PreparePicture(info.absoluteFilePath());
        return;
    }
    const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    Drive1->setDrive(folder);
    if (!Dir1->setPath(folder) || info.isDir()) {
        return;
    }
    if (!File1->selectFileName(info.fileName())) {
        File1->refresh(); // it may be newer than the folder watcher's last word
    }
    if (!File1->selectFileName(info.fileName())) {
        messages_.show(this, windowTitle(),
                       info.fileName() + " is not a bitmap: only *.bmp files can be taken in.");
        return;
    }
    TakeInBitmap();
}

void MainWindow::TakeInBitmap(const QString& activated) {
    const QString name = activated.isEmpty() ? File1->selectedFileName() : activated;
    if (name.isEmpty()) {
        return;
    }
    const QString path = QDir(File1->path()).filePath(name);
    const PanelLayout panel = choice_.panel();
    TakenIn taken = TakeInBitmapFile(Utf8(path), panel);
    const BitmapCheck& check = taken.check;
    KeepBitmapHeaders(check, state_, palette_);
    if (check.verdict == BitmapVerdict::Unreadable) {
        // Nothing was read: the window keeps the picture it had.
        messages_.show(this, windowTitle(), name + " cannot be read: " + FromUtf8(check.error));
        return;
    }
    if (!check.accepted()) {
        if (check.error.empty()) {
            messages_.show(this, FromUtf8(kRejectionTitle),
                           FromUtf8(RejectionText(panel.width, panel.height)));
        } else {
            messages_.show(this, windowTitle(),
                           name + " cannot be taken in: " + FromUtf8(check.error));
        }
        ResetWindow();
        return;
    }
    if (!taken.usable()) {
        messages_.show(this, windowTitle(), name + " cannot be shown: " + FromUtf8(taken.error));
        ResetWindow();
        return;
    }
    takenIn_ = std::move(taken);
    dots_.reset();
    PreviewPic->loadPicture(ImageOfPixels(takenIn_.pixels));
    HeightValue->setText(QString::number(state_.infoHeader.biHeight));
    WidthValue->setText(QString::number(state_.infoHeader.biWidth));
    ColorValue->setText(FromUtf8(ColourDepthText(state_.infoHeader)));
    takenInName_ = name;
    PrepareForNewFile();
    rememberPicture(QFileInfo(path).absoluteFilePath());
}

void MainWindow::PrepareForNewFile() {
    InverseOption->setEnabled(state_.infoHeader.biBitCount == 1);
    NormalOption->setChecked(true);
    PreviewButton->setEnabled(false);
    ConvertButton->setEnabled(true);
    StatusValue->setText("");
    OutFileValue->setPath("");
    ProgressPer->setText("0");
    resultFlag_ = ResultFlag::Failed;
    state_.outputPath = OutputPathFor(Utf8(QDir::toNativeSeparators(File1->path())),
                                      Utf8(takenInName_), choice_.syntaxOrDefault());
}

void MainWindow::PrepareForConvert() {
    StatusValue->setText("");
    OutFileValue->setPath("");
    PreviewButton->setEnabled(false);
    ShowTextNow(*ProgressPer, "0");
    resultFlag_ = ResultFlag::Failed;
    written_.reset();
    // The folder is the one shown now; the name is always the picture's own.
    state_.outputPath = OutputPathFor(Utf8(QDir::toNativeSeparators(File1->path())),
                                      Utf8(takenInName_), choice_.syntaxOrDefault());
}

void MainWindow::ConvertPicture() {
    PrepareForConvert();
    ComputePanelGeometry(state_);
    LabelProgress progress(*ProgressPer);
    OutputChoice choice = choice_;
    choice.symbol = SymbolFor(state_.outputPath);
    const WriteOutcome outcome =
        dots_ ? WriteDotsFile(*dots_, choice, progress)
              : WritePageModeFile(state_, takenIn_.pixels, progress,
                                  OnColour(palette_, !NormalOption->isChecked()), resultFlag_,
                                  choice);
    if (resultFlag_ == ResultFlag::Succeeded) {
        PreviewButton->setEnabled(true);
        written_ = WrittenPanel{choice.panel(), &choice.syntaxOrDefault(), choice.packing};
    }
    ShowConvertStatus();
    if (!outcome.ok()) {
        messages_.show(this, windowTitle(),
                       "The file " + FromUtf8(state_.outputPath) +
                           " could not be written: " + FromUtf8(outcome.error));
    }
}

WriteOutcome MainWindow::WriteDotsFile(const PanelDots& dots, const OutputChoice& choice,
                                       ProgressDisplay& progress) {
    resultFlag_ = ResultFlag::Failed;
    const EncodedText encoded = EncodePanelDots(dots, choice);
    if (!encoded.ok()) {
        return {encoded.error};
    }
    const WriteOutcome written = WriteWholeFile(state_.outputPath, encoded.text);
    if (written.ok()) {
        progress.showProgress("100");
        resultFlag_ = ResultFlag::Succeeded;
    }
    return written;
}

void MainWindow::ShowConvertStatus() {
    const bool succeeded = resultFlag_ == ResultFlag::Succeeded;
    StatusValue->setText(succeeded ? "Successed" : "Failed");
    OutFileValue->setPath(succeeded ? FromUtf8(state_.outputPath) : QString());
}

void MainWindow::ShowPreview() {
    // Modal, as it always was: it reads the state that Convert, Reset and Output settings
    // change, so the main window waits while it is open.
    PreviewWindow preview(state_, messages_, scale_, this);
    if (written_) {
        preview.setWrittenPanel(written_->layout, *written_->syntax, written_->packing);
    }
    preview.setFont(font());
    preview.useSettings(settings_);
    preview.exec();
}

void MainWindow::ResetWindow() {
    PreviewPic->clear();
    takenIn_ = {};
    dots_.reset();
    InverseOption->setEnabled(false);
    NormalOption->setChecked(true);
    PreviewButton->setEnabled(false);
    ConvertButton->setEnabled(false);
    for (QLabel* value : {HeightValue, WidthValue, ColorValue, StatusValue}) {
        value->setText("");
    }
    OutFileValue->setPath("");
    ProgressPer->setText("0");
    resultFlag_ = ResultFlag::Failed;
    written_.reset();
    state_.outputPath.clear();
    takenInName_.clear();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.first().isLocalFile()) {
        const QFileInfo info(urls.first().toLocalFile());
        if (info.isDir() || info.isFile()) { // a picture that is not a BMP is prepared
            event->acceptProposedAction();
        }
    }
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.first().isLocalFile()) {
        event->acceptProposedAction();
        OpenPath(urls.first().toLocalFile());
    }
}

} // namespace pelmora
