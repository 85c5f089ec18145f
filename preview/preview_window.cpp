#include "preview/preview_window.h"

#include "core/io/source_file.h"
#include "core/panel/dot_place.h"
#include "core/panel/panel_bytes.h"
#include "core/panel/panel_dots.h"
#include "widgets/controls.h"
#include "widgets/message_box.h"
#include "widgets/picture_box.h"
#include "widgets/screen_fit.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QSlider>
#include <QTimer>

#include <algorithm>

namespace pelmora {

namespace {

constexpr int kStatusTwips = 315; // the status line's row under Show
constexpr int kFramesTwips = 495; // the frames row under it, for a frames file
// A frame of no delay, or of a file that stores none, stays this long when played, as
// browsers play a GIF frame of no delay and pelmora-cli show --gif writes such a file.
constexpr int kUntimedFrameMs = 100;

class PictureBoxDots : public PointSink {
  public:
    PictureBoxDots(PictureBox& box, const PanelLayout& layout) : box_(box), layout_(layout) {}
    void setPoint(int x, int y, bool on) override {
        box_.setPoint(x, y, on ? kOnDotColour : kOffDotColour);
    }
    void setLevel(int x, int y, int level, bool opaque) override {
        box_.setPoint(x, y, DotColour(layout_, x, y, level, opaque));
    }

  private:
    PictureBox& box_;
    PanelLayout layout_;
};

// Where the dot lies in the file's bytes: an interleaved mask puts the width and the height
// first, then each picture byte before its mask byte.
std::optional<DotAddress> PlaceInFile(const PanelLayout& layout, int x, int y) {
    std::optional<DotAddress> place = DotPlace(layout, x, y);
    if (place && layout.mask == MaskForm::Interleaved) {
        place->byte = 2 + 2 * place->byte;
    }
    return place;
}

// The dots of a byte lie within 8 dots of each other, in one row or one column: those near
// (x, y) that DotPlace puts in the same byte.
QList<QPoint> DotsOfSameByte(const PanelLayout& layout, int x, int y, std::size_t byte) {
    QList<QPoint> dots;
    for (int v = std::max(y - kPageHeight, 0); v <= std::min(y + kPageHeight, layout.height - 1);
         ++v) {
        for (int u = std::max(x - kPageHeight, 0); u <= std::min(x + kPageHeight, layout.width - 1);
             ++u) {
            const std::optional<DotAddress> place = PlaceInFile(layout, u, v);
            if (place && place->byte == byte) {
                dots << QPoint(u, v);
            }
        }
    }
    return dots;
}

QString Hex(std::size_t value, int digits = 0) {
    return "0x" + QString::number(value, 16).toUpper().rightJustified(digits, '0');
}

} // namespace

Colour DotColour(const PanelLayout& layout, int x, int y, int level, bool opaque) {
    if (!opaque) {
        return (x + y) % 2 == 0 ? MakeColour(200, 208, 240) : MakeColour(160, 172, 220);
    }
    if (layout.colours != Colours::None) {
        switch (level) {
        case 0:
            return MakeColour(255, 255, 255);
        case 1:
            return MakeColour(0, 0, 0);
        default:
            return layout.colours == Colours::BlackRed ? MakeColour(255, 0, 0)
                                                       : MakeColour(255, 255, 0);
        }
    }
    if (layout.depth > 1) {
        const int top = TopLevel(layout);
        const int grey = 255 - std::clamp(level, 0, top) * 255 / top;
        return MakeColour(grey, grey, grey);
    }
    return level != 0 ? kOnDotColour : kOffDotColour;
}

void DrawPanelBytes(PictureBox& box, const PanelLayout& layout,
                    std::span<const std::uint8_t> bytes) {
    if (layout.plain()) {
        const MonoPicture dots = UnpackPanel(layout, bytes);
        for (int y = 0; y < layout.height; ++y) {
            for (int x = 0; x < layout.width; ++x) {
                box.setPoint(x, y, dots.at(x, y) ? kOnDotColour : kOffDotColour);
            }
        }
        return;
    }
    const PanelDots dots = UnpackDots(layout, bytes);
    if (dots.width != layout.width || dots.height != layout.height) {
        return; // a layout CheckLayout refuses: nothing to draw
    }
    for (int y = 0; y < layout.height; ++y) {
        for (int x = 0; x < layout.width; ++x) {
            const bool opaque = dots.opaque.empty() || dots.opaque[dots.index(x, y)] != 0;
            box.setPoint(x, y, DotColour(layout, x, y, dots.level(x, y), opaque));
        }
    }
}

PreviewWindow::PreviewWindow(ConversionState& state, MessageBox& messages, TwipsScale scale,
                             QWidget* owner)
    : QDialog(owner), state_(state), messages_(messages), scale_(scale) {
    setObjectName("Form2");
    setWindowTitle("LCD Preview");
    setWindowIcon(ProgramIcon());

    LcdPic = new PictureBox(this);
    LcdPic->setObjectName("LcdPic");
    LcdPic->setMouseTracking(true);
    LcdPic->installEventFilter(this);

    ShowButton = new QPushButton("Show", this);
    ShowButton->setObjectName("ShowButton");
    ShowButton->setAutoDefault(false);
    ClickOnEnter(*ShowButton);
    connect(ShowButton, &QPushButton::clicked, this, &PreviewWindow::LoadPreviewFile);

    StatusLine = new QLabel(this);
    StatusLine->setObjectName("StatusLine");
    StatusLine->setTextFormat(Qt::PlainText);
    StatusLine->hide();

    PlayButton = new QPushButton("&Play", this);
    PlayButton->setObjectName("PlayButton");
    PlayButton->setAutoDefault(false);
    ClickOnEnter(*PlayButton);
    connect(PlayButton, &QPushButton::clicked, this, &PreviewWindow::playOrPause);
    FrameSlider = new QSlider(Qt::Horizontal, this);
    FrameSlider->setObjectName("FrameSlider");
    FrameSlider->setAccessibleName("Frame");
    FrameSlider->setPageStep(1);
    connect(FrameSlider, &QSlider::valueChanged, this, &PreviewWindow::showFrame);
    FrameLabel = new QLabel(this);
    FrameLabel->setObjectName("FrameLabel");
    FrameLabel->setTextFormat(Qt::PlainText);
    PlayTimer = new QTimer(this);
    PlayTimer->setObjectName("PlayTimer");
    PlayTimer->setSingleShot(true);
    connect(PlayTimer, &QTimer::timeout, this, [this] {
        showFrame((shownFrame() + 1) % frameCount());
        const PanelFrame& frame = frames_[static_cast<std::size_t>(shownFrame())];
        PlayTimer->start(frameDelays_ && frame.delayMs > 0 ? frame.delayMs : kUntimedFrameMs);
    });
    for (QWidget* control : {static_cast<QWidget*>(PlayButton), static_cast<QWidget*>(FrameSlider),
                             static_cast<QWidget*>(FrameLabel)}) {
        control->hide();
    }

    setTabOrder(LcdPic, ShowButton);
    setTabOrder(ShowButton, PlayButton);
    setTabOrder(PlayButton, FrameSlider);
    ShowButton->setFocus(); // Show is what the window is opened for

    connect(LcdPic, &PictureBox::pointed, this, &PreviewWindow::pointAt);
    connect(LcdPic, &PictureBox::pressed, this,
            [this](QPoint dot) { selectDot(dot.x(), dot.y()); });
    connect(LcdPic, &PictureBox::leftBox, this, [this] { pointAt(QPoint(-1, -1)); });
    connect(LcdPic, &PictureBox::zoomWheel, this, [this](int steps) { setZoom(zoom_ + steps); });
    const auto shortcut = [this](const QKeySequence& keys, auto action) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, action);
    };
    shortcut(QKeySequence::ZoomIn, [this] { setZoom(zoom_ + 1); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Equal), [this] { setZoom(zoom_ + 1); });
    shortcut(QKeySequence::ZoomOut, [this] { setZoom(zoom_ - 1); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_0), [this] { setZoom(1); });
    relayout();
}

void PreviewWindow::useSettings(QSettings* settings) {
    settings_ = settings;
    if (settings_ == nullptr) {
        return;
    }
    setZoom(settings_->value("preview/zoom", 1).toInt());
    const QVariant stored = settings_->value("preview/position");
    if (stored.isValid()) {
        QRect frame(stored.toPoint(), size() + QSize(0, kFrameAllowance));
        if (const QScreen* screen = this->screen()) {
            frame = PlaceInside(frame, screen->availableGeometry());
        }
        move(frame.topLeft());
    }
}

bool PreviewWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == LcdPic && event->type() == QEvent::KeyPress && shown_) {
        const auto* key = static_cast<QKeyEvent*>(event);
        QPoint step;
        switch (key->key()) {
        case Qt::Key_Left:
            step = {-1, 0};
            break;
        case Qt::Key_Right:
            step = {1, 0};
            break;
        case Qt::Key_Up:
            step = {0, -1};
            break;
        case Qt::Key_Down:
            step = {0, 1};
            break;
        default:
            return QDialog::eventFilter(watched, event);
        }
        // The first arrow selects the top-left dot; later ones move the selection.
        const QPoint next = selected_ ? selectedDot_ + step : QPoint(0, 0);
        selectDot(std::clamp(next.x(), 0, shown_->layout.width - 1),
                  std::clamp(next.y(), 0, shown_->layout.height - 1));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void PreviewWindow::done(int result) {
    stopPlaying();
    if (settings_ != nullptr) {
        settings_->setValue("preview/position", pos());
    }
    QDialog::done(result);
}

void PreviewWindow::setZoom(int zoom) {
    zoom = std::clamp(zoom, 1, kMaxZoom);
    const PanelLayout panel = shown_ ? shown_->layout : fallback();
    if (const QScreen* screen = this->screen()) {
        // No larger than the screen: the whole panel always stays in view.
        const QSize room = screen->availableGeometry().size() - QSize(32, 3 * kFrameAllowance);
        while (zoom > 1 &&
               (panel.width * zoom > room.width() || panel.height * zoom > room.height())) {
            --zoom;
        }
    }
    if (zoom == zoom_) {
        return;
    }
    zoom_ = zoom;
    if (settings_ != nullptr) {
        settings_->setValue("preview/zoom", zoom_);
    }
    relayout();
}

void PreviewWindow::relayout() {
    // At zoom 1, for a panel that fits, the window is laid out in twips as it always was; it
    // grows by what a larger panel or zoom needs and by the status line once there is a
    // panel to explain.
    const QRect box = scale_.rect(120, 0, 4095, 2775);
    const QRect show = scale_.rect(1440, 3000, 1575, 375);
    const QSize base = scale_.size(4350, 3480);
    const PanelLayout panel = shown_ ? shown_->layout : fallback();
    const int border = 2 * LcdPic->frameWidth();
    QSize needed(panel.width * zoom_ + border, panel.height * zoom_ + border);
    if (const QScreen* screen = this->screen(); screen != nullptr && zoom_ == 1) {
        // A panel larger than the box (200 x 200 e-paper) grows it as far as the screen goes.
        needed =
            needed.boundedTo(screen->availableGeometry().size() - QSize(32, 3 * kFrameAllowance));
    }
    const QSize grown = box.size().expandedTo(needed);
    const QSize extra = grown - box.size();
    LcdPic->setGeometry(QRect(box.topLeft(), grown));
    LcdPic->setZoom(zoom_);
    ShowButton->setGeometry(show.translated(extra.width() / 2, extra.height()));
    // Levels, planes and masks take more words: a line each more, wrapped.
    const int statusLines = !shown_ ? 0 : panel.plain() ? 1 : panel.mask == MaskForm::None ? 2 : 3;
    const int status = scale_.toPixels(kStatusTwips * statusLines);
    StatusLine->setWordWrap(statusLines > 1); // one line stays one line, however long
    StatusLine->setAlignment(statusLines > 1 ? Qt::AlignLeft | Qt::AlignTop
                                             : Qt::AlignLeft | Qt::AlignVCenter);
    StatusLine->setGeometry(box.x(), base.height() + extra.height(),
                            base.width() + extra.width() - 2 * box.x(), status);
    StatusLine->setVisible(shown_.has_value());
    const int framesRow = frames_.empty() ? 0 : scale_.toPixels(kFramesTwips);
    if (framesRow > 0) {
        const int top = base.height() + extra.height() + status;
        const int width = base.width() + extra.width() - 2 * box.x();
        const int height = scale_.toPixels(375);
        const int play = scale_.toPixels(1200);
        // Room for the longest the label can say of this file.
        const QString longest =
            QString("%1 of %1").arg(frameCount()) + (frameDelays_ ? ", 65535 ms" : "");
        const int label = std::min(
            std::max(scale_.toPixels(1290),
                     FrameLabel->fontMetrics().horizontalAdvance(longest) + scale_.toPixels(60)),
            width / 2);
        const int gap = scale_.toPixels(90);
        PlayButton->setGeometry(box.x(), top, play, height);
        FrameSlider->setGeometry(box.x() + play + gap, top, width - play - label - 2 * gap, height);
        FrameLabel->setGeometry(box.x() + width - label, top, label, height);
    }
    for (QWidget* control : {static_cast<QWidget*>(PlayButton), static_cast<QWidget*>(FrameSlider),
                             static_cast<QWidget*>(FrameLabel)}) {
        control->setVisible(framesRow > 0);
    }
    setFixedSize(base + extra + QSize(0, status + framesRow));
}

void PreviewWindow::setFramesFile(std::string path, const PanelLayout& fallback) {
    file_ = std::move(path);
    fallback_ = fallback;
    relayout();
}

int PreviewWindow::shownFrame() const {
    return frames_.empty() ? 0 : FrameSlider->value();
}

bool PreviewWindow::playing() const {
    return PlayTimer->isActive();
}

void PreviewWindow::stopPlaying() {
    PlayTimer->stop();
    PlayButton->setText("&Play");
}

void PreviewWindow::playOrPause() {
    if (frames_.empty()) {
        return;
    }
    if (playing()) {
        stopPlaying();
        return;
    }
    const PanelFrame& frame = frames_[static_cast<std::size_t>(shownFrame())];
    PlayTimer->start(frameDelays_ && frame.delayMs > 0 ? frame.delayMs : kUntimedFrameMs);
    PlayButton->setText("&Pause");
}

void PreviewWindow::showFrame(int frame) {
    if (frames_.empty() || !shown_ || frame < 0 || frame >= frameCount()) {
        return;
    }
    if (FrameSlider->value() != frame) {
        FrameSlider->setValue(frame); // comes back here through valueChanged
        return;
    }
    const PanelFrame& shown = frames_[static_cast<std::size_t>(frame)];
    DrawPanelBytes(*LcdPic, shown_->layout, shown.bytes);
    shown_->bytes = shown.bytes;
    QString text = QString("%1 of %2").arg(frame + 1).arg(frameCount());
    if (frameDelays_) {
        text += QString(", %1 ms").arg(shown.delayMs);
    }
    FrameLabel->setText(text);
    if (selected_) {
        // The byte outlined is the same byte of another frame: its value is told afresh.
        StatusLine->setText(describeDot(selectedDot_.x(), selectedDot_.y()));
    }
}

void PreviewWindow::loadFrames(const std::string& text, const Syntax& syntax) {
    ReadFrames read = ReadFramesText(text, syntax, fallback());
    std::string error = read.error;
    if (error.empty() && read.frames.empty()) {
        error = "it holds no frames";
    }
    if (!error.empty()) {
        relayout();
        StatusLine->clear();
        messages_.show(this, windowTitle(),
                       QString::fromStdString(path() + " cannot be shown: " + error));
        return;
    }
    shown_ = PanelText{nullptr, read.layout.value_or(fallback()), {}, {}};
    frames_ = std::move(read.frames);
    frameDelays_ = read.delays;
    {
        const QSignalBlocker quiet(FrameSlider);
        FrameSlider->setRange(0, frameCount() - 1);
        FrameSlider->setValue(0);
    }
    relayout();
    StatusLine->clear();
    showFrame(0);
}

void PreviewWindow::setWrittenPanel(const PanelLayout& layout, const Syntax& syntax,
                                    const Packing& packing) {
    written_ = layout;
    writtenSyntax_ = &syntax;
    writtenPacking_ = packing;
    relayout();
}

void PreviewWindow::loadPacked(const SourceFile& source) {
    const std::string& path = this->path();
    std::string error = source.error;
    ReadFrames read;
    if (error.empty()) {
        read = ReadPackedText(source.bytes, *writtenSyntax_, *written_, writtenPacking_, false);
        error = read.error;
    }
    const PanelLayout layout = read.layout.value_or(*written_);
    if (error.empty() &&
        (read.frames.size() != 1 || read.frames.front().bytes.size() != layout.byteCount())) {
        error = "it unpacks to no whole " + std::to_string(layout.width) + " x " +
                std::to_string(layout.height) + " panel";
    }
    if (error.empty()) {
        shown_ = PanelText{writtenSyntax_, layout, std::move(read.frames.front().bytes), {}};
    }
    relayout();
    StatusLine->clear();
    if (!error.empty()) {
        messages_.show(this, windowTitle(), QString::fromStdString(path + ": " + error));
        return;
    }
    DrawPanelBytes(*LcdPic, layout, shown_->bytes);
}

void PreviewWindow::LoadPreviewFile() {
    stopPlaying();
    LcdPic->clear();
    selected_.reset();
    shown_.reset();
    frames_.clear();
    const std::string& path = this->path();
    const SourceFile source = ReadSourceFile(path);
    // Frames by their mark; a frames file given by name may be bin or ihex, which have none.
    const bool marked = source.ok() && ClaimsFrames(source.bytes);
    if (marked || (source.ok() && file_)) {
        const Syntax& syntax = FramesSyntaxOfText(source.bytes, path);
        if (marked || !MarksFrames(syntax)) {
            loadFrames(source.bytes, syntax);
            return;
        }
    }
    const bool written = written_ && !file_;
    if (written && writtenPacking_.packs()) {
        loadPacked(source); // the dots are the packed bytes unpacked
        return;
    }
    // The same text explains the dots: the layout it states and its bytes; its levels are
    // coloured by that layout.
    if (source.ok()) {
        shown_ = ReadPanelText(source.bytes, fallback(), written ? writtenSyntax_ : nullptr, path);
    }
    PictureBoxDots dots(*LcdPic, shown_ ? shown_->layout : fallback());
    const PlotOutcome outcome = written
                                    ? PlotWrittenFile(path, source, *written_, writtenSyntax_, dots)
                                    : PlotLcdHexFile(state_, path, source, dots);
    relayout();
    StatusLine->clear();
    if (!outcome.ok()) {
        messages_.show(this, windowTitle(), QString::fromStdString(outcome.error));
    } else if (!outcome.shortfall.empty()) {
        // Drawn as far as it goes, as always; but a short panel is worth a word.
        messages_.show(this, windowTitle(),
                       QString::fromStdString(path + " is not a whole panel: " + outcome.shortfall +
                                              (outcome.shortOfPanel
                                                   ? "; the rest is drawn blank."
                                                   : "; the bytes beyond it are not drawn.")));
    }
}

QString PreviewWindow::describeDot(int x, int y) const {
    if (!shown_) {
        return {};
    }
    const PanelLayout& layout = shown_->layout;
    const std::optional<DotAddress> place = PlaceInFile(layout, x, y);
    if (!place) {
        return {};
    }
    const std::vector<std::uint8_t>& bytes = shown_->bytes;
    const auto value = [&bytes](std::size_t byte) {
        return byte < bytes.size() ? "value " + Hex(bytes[byte], 2) : QString("not in the file");
    };
    const bool planes = layout.arrangement == Arrangement::BitPlanes;
    const int depth = layout.depth;
    QString bits = QString("bit %1").arg(place->bit);
    if (depth > 1 && !planes) {
        bits = QString("bits %1 to %2").arg(place->bit).arg(place->bit + depth - 1);
    }
    QString text =
        QString("x %1, y %2: byte %3 (%4)%5, %6, ")
            .arg(x)
            .arg(y)
            .arg(place->byte)
            .arg(Hex(place->byte))
            .arg(depth > 1 && planes ? QString(" and the next %1").arg(depth - 1) : QString())
            .arg(bits);
    text += value(place->byte);
    switch (layout.arrangement) {
    case Arrangement::Halves:
        text += QString(", %1 %2 page %3 column %4")
                    .arg(layout.blockCount() == 2 ? "half" : "block")
                    .arg(place->block)
                    .arg(place->page)
                    .arg(place->column);
        break;
    case Arrangement::Pages:
    case Arrangement::BitPlanes:
        text += QString(", page %1 column %2").arg(place->page).arg(place->column);
        break;
    case Arrangement::Rows:
        text += QString(", row %1 byte %2 of the row").arg(place->page).arg(place->column);
        break;
    }
    if (layout.plain()) {
        return text;
    }
    const auto bitAt = [&bytes](std::size_t byte, int bit) {
        return byte < bytes.size() ? bytes[byte] >> bit & 1 : 0;
    };
    if (layout.colours != Colours::None) {
        const std::size_t colour = place->byte + layout.planeBytes();
        const int ink = layout.inkIsZero ? 0 : 1;
        const bool black = bitAt(place->byte, place->bit) == ink;
        const bool coloured = !black && bitAt(colour, place->bit) == ink;
        text += QString("; colour plane byte %1 %2: %3")
                    .arg(colour)
                    .arg(value(colour))
                    .arg(black      ? "black"
                         : coloured ? (layout.colours == Colours::BlackRed ? "red" : "yellow")
                                    : "white");
    } else if (depth > 1) {
        int level = 0;
        for (int k = 0; k < depth; ++k) {
            level = planes
                        ? level << 1 | bitAt(place->byte + static_cast<std::size_t>(k), place->bit)
                        : level | bitAt(place->byte, place->bit + k) << k;
        }
        text += QString(", level %1 of %2").arg(level).arg(TopLevel(layout));
    }
    if (layout.mask != MaskForm::None) {
        std::size_t mask = place->byte + 1; // interleaved: the byte after the picture's
        int bit = place->bit;
        if (layout.mask == MaskForm::Plane) {
            PanelLayout mono = layout;
            mono.depth = 1;
            mono.colours = Colours::None;
            mono.mask = MaskForm::None;
            const LevelPlace at = PlaceOfLevel(mono, x, y);
            mask = layout.planeBytes() * (layout.colours == Colours::None ? 1 : 2) + at.byte;
            bit = at.shift;
        }
        text += QString("; mask byte %1 bit %2, %3")
                    .arg(mask)
                    .arg(bit)
                    .arg(mask >= bytes.size()    ? QString("not in the file")
                         : bitAt(mask, bit) != 0 ? QString("drawn")
                                                 : QString("left as it was"));
    }
    return text;
}

void PreviewWindow::pointAt(QPoint dot) {
    if (!shown_) {
        return;
    }
    const QString text = describeDot(dot.x(), dot.y());
    if (!text.isEmpty()) {
        StatusLine->setText(text);
    } else if (selected_) {
        StatusLine->setText(describeDot(selectedDot_.x(), selectedDot_.y()));
    } else {
        StatusLine->clear();
    }
}

void PreviewWindow::selectDot(int x, int y) {
    if (!shown_) {
        return;
    }
    const std::optional<DotAddress> place = PlaceInFile(shown_->layout, x, y);
    if (!place) {
        return;
    }
    selected_ = place->byte;
    selectedDot_ = QPoint(x, y);
    QList<QPoint> outlined;
    if (shown_->layout.plain()) {
        const ByteDots dots = DotsOfByte(shown_->layout, place->byte);
        for (int i = 0; i < dots.count; ++i) {
            outlined << QPoint(dots.x + i * dots.dx, dots.y + i * dots.dy);
        }
    } else {
        outlined = DotsOfSameByte(shown_->layout, x, y, place->byte); // the walk is for one bit
    }
    LcdPic->setHighlight(outlined);
    StatusLine->setText(describeDot(x, y));
}

} // namespace pelmora
