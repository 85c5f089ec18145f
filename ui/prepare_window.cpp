#include "ui/prepare_window.h"

#include "core/bmp/bmp_writer.h"
#include "core/conversion/intake.h"
#include "core/conversion/plotter.h"
#include "core/frames/frames.h"
#include "core/io/atomic_text_file.h"
#include "core/io/utf8_path.h"
#include "core/panel/panel_bytes.h"
#include "core/prepare/resample.h"
#include "picture_helper/picture_source.h"
#include "picture_input/picture_input.h"
#include "preview/preview_window.h"
#include "ui/named_choices.h"
#include "widgets/message_box.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace pelmora {

namespace {

constexpr int kDotSize = 4; // screen pixels a side for one panel dot, where there is room
constexpr QSize kSourceView(320, 240);
constexpr QSize kSmallSourceView(160, 120); // on a screen narrower than kRoomyWidth
constexpr int kRoomyWidth = 1000;
constexpr int kPanelViewMax = 1024;
// The most RGBA an animation's frames may hold in memory; a longer one stays a still picture.
constexpr std::size_t kMaxHeldFrameBytes = std::size_t{512} << 20;

QString FromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Text(std::string_view text) {
    return std::string(text);
}

QRgb Rgb(Colour colour) {
    return qRgb(static_cast<int>(colour & 0xFF), static_cast<int>(colour >> 8 & 0xFF),
                static_cast<int>(colour >> 16 & 0xFF));
}

QSlider* Slider(int minimum, int maximum, int value, const QString& name) {
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setObjectName(name);
    slider->setRange(minimum, maximum);
    slider->setValue(value);
    slider->setPageStep(10);
    slider->setFocusPolicy(Qt::StrongFocus);
    return slider;
}

// The picture as the source view shows it: a small one enlarged with sharp pixels.
QPixmap SourcePixmap(const QImage& image, QSize view) {
    const bool enlarged = image.width() < view.width() && image.height() < view.height();
    return QPixmap::fromImage(image.scaled(
        view, Qt::KeepAspectRatio, enlarged ? Qt::FastTransformation : Qt::SmoothTransformation));
}

// A number box and a reset beside a slider, all three kept in step.
QHBoxLayout* WithNumberAndReset(QSlider* slider, QSpinBox*& box, const QString& name) {
    box = new QSpinBox;
    box->setObjectName(name + "Box");
    box->setRange(slider->minimum(), slider->maximum());
    box->setValue(slider->value());
    QObject::connect(slider, &QSlider::valueChanged, box, &QSpinBox::setValue);
    QObject::connect(box, &QSpinBox::valueChanged, slider, &QSlider::setValue);
    auto* reset = new QToolButton;
    reset->setObjectName(name + "Reset");
    reset->setText("Reset");
    reset->setToolTip("Back to 0");
    QObject::connect(reset, &QToolButton::clicked, slider, [slider] { slider->setValue(0); });
    auto* row = new QHBoxLayout;
    row->addWidget(slider, 1);
    row->addWidget(box);
    row->addWidget(reset);
    return row;
}

} // namespace

PrepareOptions LoadPrepareOptions(QSettings& settings) {
    NamedValues values;
    for (const char* key : {"fit", "dither", "background", "brightness", "contrast"}) {
        if (const QVariant stored = settings.value(QString("prepare/") + key); stored.isValid()) {
            values[key] = stored.toString().toStdString();
        }
    }
    if (settings.value("prepare/invert", false).toBool()) {
        values["invert"] = "";
    }
    values["threshold"] = settings.value("prepare/autoThreshold", false).toBool()
                              ? std::string("auto")
                              : settings.value("prepare/threshold", 128).toString().toStdString();
    return ReadPreparationChoices(std::move(values), PanelLayout{}).options;
}

void SavePrepareOptions(QSettings& settings, const PrepareOptions& options) {
    settings.setValue("prepare/fit", FromView(FitNames()[static_cast<std::size_t>(options.fit)]));
    settings.setValue("prepare/dither",
                      FromView(DitherNames()[static_cast<std::size_t>(options.dither)]));
    settings.setValue("prepare/autoThreshold", !options.threshold.has_value());
    settings.setValue("prepare/threshold", options.threshold.value_or(128));
    settings.setValue("prepare/brightness", options.brightness);
    settings.setValue("prepare/contrast", options.contrast);
    settings.setValue("prepare/background", options.blackBackground ? "black" : "white");
    settings.setValue("prepare/invert", options.invert);
}

PrepareWindow::PrepareWindow(const QString& picturePath, RgbaPicture picture, int width, int height,
                             const PrepareOptions& options, MessageBox& messages, QWidget* parent,
                             OutputChoice output)
    : QDialog(parent), picturePath_(picturePath), picture_(std::move(picture)), width_(width),
      height_(height), messages_(messages), output_(std::move(output)) {
    chooseDotsLayout();
    readFrames();
    setObjectName("PrepareWindow");
    setWindowTitle(QString("Prepare picture \u2014 %1 (%2 x %3)")
                       .arg(QFileInfo(picturePath_).fileName())
                       .arg(picture_.width)
                       .arg(picture_.height));
    buildViews();
    buildChoices(options);
    QFormLayout* form = layOutChoices();
    QDialogButtonBox* buttons = buildButtons();
    placeContent(form, buttons);
    connectControls();
    askWithDialogs();
    explainDotsButtons();
    redraw();
    FitBox->setFocus(); // the first choice; Enter still presses Use, the default
}

void PrepareWindow::chooseDotsLayout() {
    PanelLayout panel = output_.panel();
    panel.width = width_;
    panel.height = height_;
    if ((panel.depth > 1 || panel.colours != Colours::None || panel.mask != MaskForm::None) &&
        CheckLayout(panel).empty()) {
        dotsLayout_ = panel;
    }
}

void PrepareWindow::buildViews() {
    SourceView = new QLabel;
    SourceView->setObjectName("SourceView");
    SourceView->setAlignment(Qt::AlignCenter);
    // Pictures as large as the screen has room for beside the controls, up to kDotSize a dot.
    const QSize room =
        screen() != nullptr ? screen()->availableGeometry().size() : QSize(1280, 800);
    sourceSize_ = room.width() < kRoomyWidth ? kSmallSourceView : kSourceView;
    dot_ = std::clamp(std::min({(room.width() - sourceSize_.width() - 80) / std::max(width_, 1),
                                room.height() * 2 / 5 / std::max(height_, 1),
                                kPanelViewMax / std::max({width_, height_, 1})}),
                      1, kDotSize);
    SourceView->setMinimumSize(sourceSize_);
    PanelView = new QLabel;
    PanelView->setObjectName("PanelView");
    PanelView->setAlignment(Qt::AlignCenter);
    PanelView->setMinimumSize(std::min(width_ * dot_, kPanelViewMax),
                              std::min(height_ * dot_, kPanelViewMax));
}

void PrepareWindow::buildChoices(const PrepareOptions& options) {
    RotateBox = new QComboBox;
    RotateBox->setObjectName("RotateBox");
    RotateBox->addItems({"0\u00B0", "90\u00B0 clockwise", "180\u00B0", "270\u00B0 clockwise"});
    MirrorBox = new QComboBox;
    MirrorBox->setObjectName("MirrorBox");
    MirrorBox->addItems({"None", "Horizontal: left and right", "Vertical: top and bottom"});
    FitBox = new QComboBox;
    FitBox->setObjectName("FitBox");
    FitBox->addItems({"Contain: the whole picture", "Cover: fill, crop the middle",
                      "Stretch: fill, ignore the shape", "None: no scaling"});
    FitBox->setCurrentIndex(static_cast<int>(options.fit));
    DitherBox = new QComboBox;
    DitherBox->setObjectName("DitherBox");
    DitherBox->addItems({"Floyd-Steinberg", "Atkinson", "Bayer 8 x 8", "Threshold"});
    DitherBox->setCurrentIndex(static_cast<int>(options.dither));
    BackgroundBox = new QComboBox;
    BackgroundBox->setObjectName("BackgroundBox");
    BackgroundBox->addItems({"White", "Black"});
    BackgroundBox->setCurrentIndex(options.blackBackground ? 1 : 0);
    ThresholdSlider = Slider(0, 256, options.threshold.value_or(128), "ThresholdSlider");
    AutoThresholdCheck = new QCheckBox("Automatic");
    AutoThresholdCheck->setObjectName("AutoThresholdCheck");
    AutoThresholdCheck->setChecked(!options.threshold.has_value());
    BrightnessSlider = Slider(-100, 100, options.brightness, "BrightnessSlider");
    ContrastSlider = Slider(-100, 100, options.contrast, "ContrastSlider");
    InvertCheck = new QCheckBox("Invert every dot");
    InvertCheck->setObjectName("InvertCheck");
    InvertCheck->setChecked(options.invert);
    ValuesLabel = new QLabel;
    ValuesLabel->setObjectName("ValuesLabel");
}

QFormLayout* PrepareWindow::layOutChoices() {
    auto* threshold = new QHBoxLayout;
    threshold->addWidget(ThresholdSlider, 1);
    threshold->addWidget(AutoThresholdCheck);
    auto* form = new QFormLayout;
    form->addRow("&Fit", FitBox);
    form->addRow("&Dither", DitherBox);
    auto* thresholdLabel = new QLabel("&Threshold");
    thresholdLabel->setBuddy(ThresholdSlider);
    form->addRow(thresholdLabel, threshold);
    // A row of several controls takes no access key by itself: the label names the slider.
    const auto buddyRow = [form](const QString& text, QWidget* buddy, QLayout* row) {
        auto* label = new QLabel(text);
        label->setBuddy(buddy);
        form->addRow(label, row);
    };
    buddyRow("&Brightness", BrightnessSlider,
             WithNumberAndReset(BrightnessSlider, BrightnessBox, "Brightness"));
    buddyRow("C&ontrast", ContrastSlider,
             WithNumberAndReset(ContrastSlider, ContrastBox, "Contrast"));
    form->addRow("&Rotate", RotateBox);
    form->addRow("&Mirror", MirrorBox);
    form->addRow("Bac&kground", BackgroundBox);
    form->addRow("", InvertCheck);
    form->addRow("", ValuesLabel);
    return form;
}

QDialogButtonBox* PrepareWindow::buildButtons() {
    UseButton = new QPushButton("Use");
    UseButton->setObjectName("UseButton");
    UseButton->setDefault(true);
    SaveButton = new QPushButton("Save BMP\u2026");
    SaveButton->setObjectName("SaveButton");
    CancelButton = new QPushButton("Cancel");
    CancelButton->setObjectName("CancelButton");
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(UseButton, QDialogButtonBox::AcceptRole);
    buttons->addButton(SaveButton, QDialogButtonBox::ActionRole);
    buttons->addButton(CancelButton, QDialogButtonBox::RejectRole);
    return buttons;
}

void PrepareWindow::placeContent(QFormLayout* form, QDialogButtonBox* buttons) {
    auto* views = new QHBoxLayout;
    views->addWidget(SourceView);
    views->addWidget(PanelView, 1);
    // The pictures and controls scroll on a small screen; the buttons stay in reach.
    auto* content = new QWidget;
    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->addLayout(views);
    contentLayout->addLayout(form);
    auto* scroll = new QScrollArea;
    scroll->setObjectName("PrepareScroll");
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus); // the controls in it take the focus, not the area
    scroll->setMinimumSize(240, 120);
    QSize wanted = content->sizeHint() + QSize(40, 80);
    if (const QScreen* screen = this->screen()) {
        wanted = wanted.boundedTo(screen->availableGeometry().size() - QSize(16, 40));
    }
    resize(wanted);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll, 1);
    if (!frames_.empty()) {
        addFrameControls(layout, buttons);
    }
    layout->addWidget(buttons);
}

void PrepareWindow::connectControls() {
    for (QComboBox* box : {FitBox, DitherBox, BackgroundBox, RotateBox, MirrorBox}) {
        connect(box, &QComboBox::currentIndexChanged, this, &PrepareWindow::redraw);
    }
    for (QSlider* slider : {ThresholdSlider, BrightnessSlider, ContrastSlider}) {
        connect(slider, &QSlider::valueChanged, this, &PrepareWindow::redraw);
    }
    for (QCheckBox* check : {AutoThresholdCheck, InvertCheck}) {
        connect(check, &QCheckBox::toggled, this, &PrepareWindow::redraw);
    }
    connect(UseButton, &QPushButton::clicked, this, &PrepareWindow::use);
    connect(SaveButton, &QPushButton::clicked, this, &PrepareWindow::saveAs);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void PrepareWindow::askWithDialogs() {
    askSaveName_ = [this](const QString& suggested) {
        return QFileDialog::getSaveFileName(this, "Save BMP", suggested, "Bitmaps (*.bmp *.BMP)");
    };
    askReplace_ = [this](const QString& path) {
        return QMessageBox::question(this, "Save BMP",
                                     QDir::toNativeSeparators(path) +
                                         " already exists. Replace it?") == QMessageBox::Yes;
    };
}

void PrepareWindow::explainDotsButtons() {
    if (!dotsLayout_) {
        return;
    }
    UseButton->setToolTip("Takes the prepared dots to Convert");
    // Levels and colours go in a 4-bit BMP as pelmora-cli prepare writes it; no BMP
    // holds a mask.
    if (dotsLayout_->mask != MaskForm::None) {
        SaveButton->setEnabled(false);
        SaveButton->setToolTip("A BMP cannot hold the mask: Use takes the dots to Convert");
    } else {
        SaveButton->setToolTip("A 4-bit BMP of the levels' greys or the e-paper's colours");
    }
}

PrepareOptions PrepareWindow::options() const {
    return preparation().options;
}

Preparation PrepareWindow::preparation() const {
    // The fields as the command line's options name them, read by the core's reader.
    NamedValues values{
        {"fit", Text(FitNames()[static_cast<std::size_t>(FitBox->currentIndex())])},
        {"dither", Text(DitherNames()[static_cast<std::size_t>(DitherBox->currentIndex())])},
        {"background", BackgroundBox->currentIndex() == 1 ? "black" : "white"},
        {"brightness", std::to_string(BrightnessSlider->value())},
        {"contrast", std::to_string(ContrastSlider->value())},
        {"rotate", std::to_string(RotateBox->currentIndex() * 90)}};
    if (const auto mirror = static_cast<Mirror>(MirrorBox->currentIndex());
        mirror != Mirror::None) {
        values["mirror"] = Text(NameOfMirror(mirror));
    }
    if (InvertCheck->isChecked()) {
        values["invert"] = "";
    }
    // Otsu's method splits two levels: between greys the slider says where a dot turns.
    const bool otsu = !dotsLayout_ || dotsLayout_->depth == 1;
    values["threshold"] = AutoThresholdCheck->isChecked() && otsu
                              ? std::string("auto")
                              : std::to_string(ThresholdSlider->value());
    const PanelLayout layout = dotsLayout_.value_or(
        PanelLayout{.width = width_, .height = height_, .arrangement = Arrangement::Rows});
    return ReadPreparationChoices(std::move(values), layout);
}

int PrepareWindow::rotation() const {
    return RotateBox->currentIndex() * 90;
}

Mirror PrepareWindow::mirror() const {
    return static_cast<Mirror>(MirrorBox->currentIndex());
}

QString PrepareWindow::defaultBmpPath() const {
    const QFileInfo info(picturePath_);
    return info.dir().filePath(info.completeBaseName() +
                               QString("_%1x%2.bmp").arg(width_).arg(height_));
}

void PrepareWindow::redraw() {
    // Turned, fitted and scaled as pelmora-cli prepares a picture, by picture_input.
    const Preparation preparation = this->preparation();
    const PrepareOptions& chosen = preparation.options;
    const bool threshold = chosen.dither == Dither::Threshold;
    // E-paper takes each dot's nearest colour; greys have no Otsu's method.
    const bool thresholded = !dotsLayout_ || dotsLayout_->colours == Colours::None;
    const bool otsu = thresholded && (!dotsLayout_ || dotsLayout_->depth == 1);
    ThresholdSlider->setEnabled(threshold && thresholded &&
                                (!AutoThresholdCheck->isChecked() || !otsu));
    AutoThresholdCheck->setEnabled(threshold && otsu);

    const auto shownFor = std::make_tuple(chosen.fit, preparation.rotate, preparation.mirror);
    if (!shownFor_ || *shownFor_ != shownFor) { // scaled again only when fit or turn change
        placed_ = PlaceRgba(picture_, preparation);
        if (!shownFor_ || std::get<1>(*shownFor_) != preparation.rotate ||
            std::get<2>(*shownFor_) != preparation.mirror) {
            // The source view shows the picture turned as it is prepared.
            const TurnedView view =
                TurnedView(picture_).turned(preparation.rotate, preparation.mirror);
            const RgbaPicture turned = view.turnsNothing() ? RgbaPicture() : view.picture();
            SourceView->setPixmap(
                SourcePixmap(ImageView(view.turnsNothing() ? picture_ : turned), sourceSize_));
        }
        shownFor_ = shownFor;
    }
    // The panel as the preview draws it, dot_ pixels a dot: dark dots on green, or the
    // levels' greys and the e-paper's colours.
    const int dot = dot_;
    QImage image(width_ * dot, height_ * dot, QImage::Format_RGB32);
    if (dotsLayout_) {
        PreparedDots prepared = PreparePlacedDots(placed_, preparation);
        dots_ = std::move(prepared.dots);
        // None where the options are refused: the panel is drawn blank, never past its end.
        panel_ = prepared.ok() ? MonoOf(dots_) : MonoPicture(width_, height_);
    } else {
        panel_ = PreparePlacedPanel(placed_, preparation);
    }
    const bool levels = dotsLayout_ && dots_.width == width_ && dots_.height == height_;
    const QRgb on = Rgb(kOnDotColour);
    const QRgb off = Rgb(kOffDotColour);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const int row = y / dot;
        for (int x = 0; x < image.width(); ++x) {
            const int column = x / dot;
            if (levels) {
                const std::size_t at = dots_.index(column, row);
                line[x] = Rgb(DotColour(*dotsLayout_, column, row, dots_.levels[at],
                                        dots_.opaque.empty() || dots_.opaque[at] != 0));
            } else {
                line[x] = panel_.at(column, row) ? on : off;
            }
        }
    }
    PanelView->setPixmap(QPixmap::fromImage(image));
    QString values = QString("Brightness %1, contrast %2: %3 x %4 dots")
                         .arg(chosen.brightness)
                         .arg(chosen.contrast)
                         .arg(width_)
                         .arg(height_);
    if (threshold && thresholded) {
        values.prepend(chosen.threshold ? QString("Threshold %1, ").arg(*chosen.threshold)
                                        : QString("Threshold by Otsu's method, "));
    }
    ValuesLabel->setText(values);
}

void PrepareWindow::readFrames() {
    HeldGifFrames held = HoldGifFrames(picturePath_.toStdString(), kMaxHeldFrameBytes);
    // A GIF that cannot be read to its end, or held, stays the still picture it was opened
    // as, as pelmora-cli convert --frames would refuse it.
    if (!held.error.empty() || held.frames.size() < 2) {
        return;
    }
    for (GifFrame& frame : held.frames) {
        frames_.push_back(std::move(frame.screen));
        delays_.push_back(frame.delayMs);
    }
    picture_ = frames_.front();
}

void PrepareWindow::addFrameControls(QVBoxLayout* layout, QDialogButtonBox* buttons) {
    PlayButton = new QPushButton("&Play");
    PlayButton->setObjectName("PlayButton");
    PlayButton->setAutoDefault(false);
    FrameSlider = Slider(0, frameCount() - 1, 0, "FrameSlider");
    FrameSlider->setPageStep(1);
    FrameSlider->setAccessibleName("Frame");
    FrameLabel = new QLabel;
    FrameLabel->setObjectName("FrameLabel");
    auto* label = new QLabel("Fr&ame");
    label->setBuddy(FrameSlider);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(PlayButton);
    row->addWidget(FrameSlider, 1);
    row->addWidget(FrameLabel);
    layout->addLayout(row);
    SaveFramesButton = new QPushButton("Sa&ve frames\u2026");
    SaveFramesButton->setObjectName("SaveFramesButton");
    buttons->addButton(SaveFramesButton, QDialogButtonBox::ActionRole);
    PreviewFramesButton = new QPushButton("Previe&w frames\u2026");
    PreviewFramesButton->setObjectName("PreviewFramesButton");
    PreviewFramesButton->setEnabled(false);
    PreviewFramesButton->setToolTip("Plays the frames file last saved in the LCD Preview");
    buttons->addButton(PreviewFramesButton, QDialogButtonBox::ActionRole);
    PlayTimer = new QTimer(this);
    PlayTimer->setObjectName("PlayTimer");
    PlayTimer->setSingleShot(true);

    connect(FrameSlider, &QSlider::valueChanged, this, &PrepareWindow::showFrame);
    connect(PlayButton, &QPushButton::clicked, this, &PrepareWindow::playOrPause);
    connect(PlayTimer, &QTimer::timeout, this, [this] {
        FrameSlider->setValue((FrameSlider->value() + 1) % frameCount());
        // The GIF reader's delays, a frame of none already as long as browsers show it.
        PlayTimer->start(delays_[static_cast<std::size_t>(FrameSlider->value())]);
    });
    connect(SaveFramesButton, &QPushButton::clicked, this, &PrepareWindow::saveFrames);
    connect(PreviewFramesButton, &QPushButton::clicked, this, [this] {
        PlayTimer->stop(); // one animation at a time
        PlayButton->setText("&Play");
        emit framesPreviewAsked(savedFrames_);
    });
    askFramesName_ = [this](const QString& suggested) {
        return QFileDialog::getSaveFileName(this, "Save frames", suggested);
    };
    showFrame(0);
}

void PrepareWindow::showFrame(int frame) {
    picture_ = frames_[static_cast<std::size_t>(frame)];
    shownFor_.reset(); // another picture: scaled and shown again
    FrameLabel->setText(QString("%1 of %2, %3 ms")
                            .arg(frame + 1)
                            .arg(frameCount())
                            .arg(delays_[static_cast<std::size_t>(frame)]));
    redraw();
}

void PrepareWindow::playOrPause() {
    if (PlayTimer->isActive()) {
        PlayTimer->stop();
        PlayButton->setText("&Play");
        return;
    }
    PlayTimer->start(delays_[static_cast<std::size_t>(FrameSlider->value())]);
    PlayButton->setText("&Pause");
}

QString PrepareWindow::defaultFramesPath() const {
    // Named as the BMP it is prepared into would be: spinner.gif gives lcd_spinner.h.
    const QFileInfo info(picturePath_);
    return QString::fromStdString(OutputPathFor(info.dir().path().toStdString(),
                                                info.completeBaseName().toStdString() + ".bmp",
                                                output_.syntaxOrDefault()));
}

void PrepareWindow::saveFrames() {
    const QString path = askFramesName_(defaultFramesPath());
    if (path.isEmpty()) {
        return;
    }
    if (QFileInfo(path) == QFileInfo(picturePath_)) {
        messages_.show(this, windowTitle(),
                       QDir::toNativeSeparators(path) +
                           " is the picture itself: the frames need another name.");
        return;
    }
    const PanelLayout layout = output_.panel();
    const Preparation preparation = this->preparation();
    const std::string name = QFileInfo(picturePath_).fileName().toStdString();
    std::vector<PanelFrame> frames;
    std::string error;
    for (std::size_t n = 0; n < frames_.size() && error.empty(); ++n) {
        // Prepared as pelmora-cli prepares each frame, by picture_input.
        const PlacedPicture placed = PlaceRgba(frames_[n], preparation);
        std::vector<std::uint8_t> bytes =
            dotsLayout_ ? PackDots(PreparePlacedDots(placed, preparation).dots, *dotsLayout_)
                        : PackPanel(PreparePlacedPanel(placed, preparation), layout);
        error = AddFrame(
            frames, {std::move(bytes), delays_[n], name + " frame " + std::to_string(n)}, false);
    }
    const std::string symbol =
        output_.symbol.empty() ? SymbolFor(path.toStdString()) : output_.symbol;
    FramesText text;
    if (error.empty()) {
        text = WriteFramesText(output_.syntaxOrDefault(), layout, frames, symbol);
        error = text.error;
    }
    if (!error.empty()) {
        messages_.show(this, windowTitle(),
                       "The frames cannot be written: " + QString::fromStdString(error));
        return;
    }
    if (const WriteOutcome wrote = WriteWholeFile(path.toStdString(), text.text); !wrote.ok()) {
        messages_.show(this, windowTitle(),
                       "The file " + QDir::toNativeSeparators(path) +
                           " could not be written: " + QString::fromStdString(wrote.error));
        return;
    }
    savedFrames_ = path;
    PreviewFramesButton->setEnabled(true);
}

bool PrepareWindow::writeBitmap(const QString& path) {
    if (QFileInfo(path) == QFileInfo(picturePath_)) {
        messages_.show(this, windowTitle(),
                       QDir::toNativeSeparators(path) +
                           " is the picture itself: the prepared picture needs another name.");
        return false;
    }
    std::string bmp;
    if (!dotsLayout_) {
        bmp = EncodeMonoBmp(panel_);
    } else if (dotsLayout_->colours != Colours::None) {
        const std::uint32_t colour =
            dotsLayout_->colours == Colours::BlackRed ? 0xFF0000 : 0xFFFF00;
        const std::uint32_t palette[] = {0xFFFFFF, 0x000000, colour};
        bmp = EncodeIndexedBmp(dots_.width, dots_.height, dots_.levels, palette);
    } else {
        std::vector<std::uint32_t> palette;
        for (const int grey : LevelGreys(dotsLayout_->depth, options().levelGreys)) {
            const auto value = static_cast<std::uint32_t>(grey);
            palette.push_back(value << 16 | value << 8 | value);
        }
        bmp = EncodeIndexedBmp(dots_.width, dots_.height, dots_.levels, palette);
    }
    if (bmp.empty()) {
        messages_.show(this, windowTitle(),
                       "The picture cannot be prepared for this panel with these choices.");
        return false;
    }
    AtomicTextFile file(PathFromUtf8(path.toStdString()));
    if (!file.open() || !file.write(bmp) || !file.commit()) {
        messages_.show(this, windowTitle(),
                       "The file " + QDir::toNativeSeparators(path) +
                           " could not be written: " + QString::fromStdString(file.error()));
        return false;
    }
    wrote_ = true;
    return true;
}

void PrepareWindow::use() {
    const QString path = defaultBmpPath();
    if (dotsLayout_) {
        // A one-bit BMP would lose the levels: the dots themselves go to Convert.
        if (dots_.width != width_ || dots_.height != height_) {
            messages_.show(this, windowTitle(),
                           "The picture cannot be prepared for this panel with these choices.");
            return;
        }
        accept();
        emit dotsPrepared(dots_, path);
        return;
    }
    if (writeBitmap(path)) {
        accept();
        emit bitmapWritten(path);
    }
}

void PrepareWindow::saveAs() {
    QString path = askSaveName_(defaultBmpPath());
    if (path.isEmpty()) {
        return;
    }
    if (QFileInfo(path).suffix().isEmpty()) {
        // The file dialog asked about the name typed, not this one: ask again.
        path += ".bmp";
        if (QFileInfo::exists(path) && !askReplace_(path)) {
            return;
        }
    }
    writeBitmap(path);
}

} // namespace pelmora
