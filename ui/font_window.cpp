#include "ui/font_window.h"

#include "ui/named_choices.h"

#include "asset_making/font_making.h"
#include "core/conversion/plotter.h"
#include "core/font/cell_table.h"
#include "core/font/character_set.h"
#include "core/font/font_drawing.h"
#include "core/io/atomic_text_file.h"
#include "core/io/source_file.h"
#include "core/io/utf8_path.h"
#include "freetype/font_raster.h"
#include "freetype/font_strikes.h"
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
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace pelmora {

namespace {

constexpr int kDefaultSize = 12;
constexpr std::size_t kMostMissingNamed = 20;
constexpr int kRedrawDelayMs = 100;   // a burst of keystrokes draws once
constexpr int kMinimumViewSide = 128; // screen pixels: a 128 x 64 panel at one pixel a dot
constexpr int kPreferredDot = 4;      // screen pixels a side for one dot, room allowing
constexpr int kMinimumWidth = 520;
const char* const kDefaultChars = "32-126,0xB0"; // the default sample's degree sign
const char* const kDefaultSample = "Hello, 12\u00B0C";
struct HintingChoice {
    const char* name; // as --hinting and the settings name it
    const char* label;
};
constexpr HintingChoice kHintings[] = {{"normal", "Normal"}, {"light", "Light"}, {"none", "None"}};

QRgb Rgb(Colour colour) {
    return qRgb(static_cast<int>(colour & 0xFF), static_cast<int>(colour >> 8 & 0xFF),
                static_cast<int>(colour >> 16 & 0xFF));
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// "U+00B0, U+2022 and 3 more": the first few named, the rest counted.
QString CodeNames(const std::vector<char32_t>& codes) {
    QStringList names;
    for (std::size_t i = 0; i < codes.size() && i < kMostMissingNamed; ++i) {
        const std::string quoted = QuotedAscii(codes[i]);
        names << Q(CodeName(codes[i]) + (quoted.empty() ? "" : " " + quoted));
    }
    if (codes.size() > kMostMissingNamed) {
        names << QString("%1 more").arg(codes.size() - kMostMissingNamed);
    }
    return names.join(", ");
}

// Why the characters asked for name none to draw; empty when they do.
QString CharactersProblem(const std::string& set, const CharacterSet& chars) {
    if (chars.problem == CharacterSetProblem::Malformed && !chars.reason.empty()) {
        return "Characters " + Q(set) + ": " + Q(chars.reason) + ".";
    }
    if (chars.problem == CharacterSetProblem::Malformed) {
        return "Characters: code points and ranges such as 32-126,0xB0, or @FILE.";
    }
    if (chars.problem == CharacterSetProblem::Unreadable) {
        return "Characters " + Q(set) + ": " + Q(chars.reason);
    }
    if (chars.problem == CharacterSetProblem::NotUtf8) {
        return "Characters " + Q(set) + ": the file is not UTF-8 text.";
    }
    if (chars.problem == CharacterSetProblem::Empty) {
        return "Characters " + Q(set) + " names no character.";
    }
    return {};
}

QString FormatLabel(std::string_view name) {
    switch (FontKindNamed(name)) {
    case FontKind::GfxFont:
        return "GFXfont C header";
    case FontKind::U8g2:
        return "u8g2 font array";
    case FontKind::Table:
        break;
    }
    const Syntax* syntax = FindSyntax(name);
    return syntax != nullptr ? Q(std::string(syntax->label)) + ": a table of cells" : QString();
}

// A size box that steps from strike to strike where the font has only some sizes.
class StrikeSpinBox : public QSpinBox {
  public:
    void setStrikes(std::vector<int> strikes) {
        strikes_ = std::move(strikes);
        std::sort(strikes_.begin(), strikes_.end());
    }

    void stepBy(int steps) override {
        if (strikes_.empty()) {
            QSpinBox::stepBy(steps);
            return;
        }
        int value = this->value();
        for (; steps > 0; --steps) {
            const auto next = std::upper_bound(strikes_.begin(), strikes_.end(), value);
            value = next != strikes_.end() ? *next : value;
        }
        for (; steps < 0; ++steps) {
            const auto next = std::lower_bound(strikes_.begin(), strikes_.end(), value);
            value = next != strikes_.begin() ? *(next - 1) : value;
        }
        setValue(value);
    }

  protected:
    StepEnabled stepEnabled() const override {
        if (strikes_.empty()) {
            return QSpinBox::stepEnabled();
        }
        StepEnabled enabled = StepNone;
        if (value() < strikes_.back()) {
            enabled |= StepUpEnabled;
        }
        if (value() > strikes_.front()) {
            enabled |= StepDownEnabled;
        }
        return enabled;
    }

  private:
    std::vector<int> strikes_;
};

} // namespace

// The panel's dots as the preview draws them, scaled up by whole pixels with sharp edges.
class SampleDots : public QWidget {
  public:
    explicit SampleDots(const PanelLayout& panel) : panel_(panel.width, panel.height) {
        setMinimumSize(std::min(panel.width, kMinimumViewSide * 2),
                       std::min(panel.height, kMinimumViewSide));
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

    void setDots(MonoPicture dots) {
        panel_ = std::move(dots);
        update();
    }

    QSize sizeHint() const override {
        return QSize(std::min(panel_.width * kPreferredDot, 1024),
                     std::min(panel_.height * kPreferredDot, 512));
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QImage image(panel_.width, panel_.height, QImage::Format_RGB32);
        const QRgb on = Rgb(kOnDotColour);
        const QRgb off = Rgb(kOffDotColour);
        for (int y = 0; y < panel_.height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < panel_.width; ++x) {
                line[x] = panel_.at(x, y) ? on : off;
            }
        }
        // Whole device pixels a dot where they fit, so that every dot is the same size.
        const qreal ratio = devicePixelRatioF();
        const int deviceWidth = static_cast<int>(width() * ratio);
        const int deviceHeight = static_cast<int>(height() * ratio);
        const int dot = std::min(deviceWidth / std::max(panel_.width, 1),
                                 deviceHeight / std::max(panel_.height, 1));
        QRectF target;
        if (dot >= 1) {
            const int shownWidth = panel_.width * dot;
            const int shownHeight = panel_.height * dot;
            target = QRectF((deviceWidth - shownWidth) / 2 / ratio,
                            (deviceHeight - shownHeight) / 2 / ratio, shownWidth / ratio,
                            shownHeight / ratio);
        } else {
            const QSizeF shown = QSizeF(image.size()).scaled(size(), Qt::KeepAspectRatio);
            target = QRectF(QPointF((width() - shown.width()) / 2, (height() - shown.height()) / 2),
                            shown);
        }
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(target, image);
    }

  private:
    MonoPicture panel_;
};

FontWindow::FontWindow(const PanelLayout& panel, QSettings* settings, MessageBox& messages,
                       QWidget* parent)
    : QDialog(parent), panel_(panel), settings_(settings), messages_(messages) {
    setObjectName("FontWindow");
    setWindowTitle("Make font");
    buildRedrawTimer();
    buildFontFields();
    buildCellFields();
    buildSampleViews();
    QFormLayout* form = layOutFields();
    QDialogButtonBox* buttons = buildButtons();
    placeAll(form, buttons);
    orderTabs();
    loadChoices();
    connectControls();
    fitToScreen();
    redraw();
    (FontPathEdit->text().isEmpty() ? static_cast<QWidget*>(BrowseButton)
                                    : static_cast<QWidget*>(CharsEdit))
        ->setFocus();
}

void FontWindow::buildRedrawTimer() {
    RedrawTimer = new QTimer(this);
    RedrawTimer->setObjectName("RedrawTimer");
    RedrawTimer->setSingleShot(true);
    RedrawTimer->setInterval(kRedrawDelayMs);
}

void FontWindow::buildFontFields() {
    FontPathEdit = new QLineEdit;
    FontPathEdit->setObjectName("FontPathEdit");
    FontPathEdit->setPlaceholderText("a TrueType, OpenType, BDF, PCF or OTB font");
    BrowseButton = new QPushButton("&Browse\u2026");
    BrowseButton->setObjectName("BrowseButton");
    BrowseButton->setAutoDefault(false);
    auto* sizeBox = new StrikeSpinBox;
    SizeBox = sizeBox;
    SizeBox->setObjectName("SizeBox");
    SizeBox->setRange(1, kMaxFontPixelSize);
    SizeBox->setValue(kDefaultSize);
    SizeBox->setSuffix(" px");
    StrikesLabel = new QLabel;
    StrikesLabel->setObjectName("StrikesLabel");
    CharsEdit = new QLineEdit(kDefaultChars);
    CharsEdit->setObjectName("CharsEdit");
    CharsEdit->setToolTip("Code points and ranges, such as 32-126,0xB0 or 0x20-0x7E,U+2022, or "
                          "@FILE for every character of a UTF-8 text");
    FormatBox = new QComboBox;
    FormatBox->setObjectName("FormatBox");
    for (const std::string_view name : FontFormatNames()) {
        FormatBox->addItem(Q(std::string(name)) + " \u2013 " + FormatLabel(name),
                           Q(std::string(name)));
    }
}

void FontWindow::buildCellFields() {
    CellAutoCheck = new QCheckBox("&Automatic");
    CellAutoCheck->setObjectName("CellAutoCheck");
    CellAutoCheck->setChecked(true);
    CellAutoCheck->setToolTip("The widest advance x the line height, glyphs clipped to it");
    CellWidthBox = new QSpinBox;
    CellWidthBox->setObjectName("CellWidthBox");
    CellHeightBox = new QSpinBox;
    CellHeightBox->setObjectName("CellHeightBox");
    for (QSpinBox* box : {CellWidthBox, CellHeightBox}) {
        box->setRange(1, kMaxPanelSide);
    }
    CellWidthBox->setValue(8);
    CellHeightBox->setValue(16);
    HintingBox = new QComboBox;
    HintingBox->setObjectName("HintingBox");
    for (const HintingChoice& choice : kHintings) {
        HintingBox->addItem(choice.label);
    }
}

void FontWindow::buildSampleViews() {
    SampleEdit = new QLineEdit(QString::fromUtf8(kDefaultSample));
    SampleEdit->setObjectName("SampleEdit");
    SampleView = new SampleDots(panel_);
    SampleView->setObjectName("SampleView");
    StatusLabel = new QLabel;
    StatusLabel->setObjectName("StatusLabel");
    StatusLabel->setWordWrap(true);
    StatusLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ProblemLabel = new QLabel;
    ProblemLabel->setObjectName("ProblemLabel");
    ProblemLabel->setWordWrap(true);
    ProblemLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ProblemLabel->setStyleSheet("color: #b00000");
}

QFormLayout* FontWindow::layOutFields() {
    auto* fontRow = new QHBoxLayout;
    fontRow->addWidget(FontPathEdit, 1);
    fontRow->addWidget(BrowseButton);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(SizeBox);
    sizeRow->addWidget(StrikesLabel, 1);
    auto* cellRow = new QHBoxLayout;
    cellRow->addWidget(CellAutoCheck);
    cellRow->addWidget(CellWidthBox);
    cellRow->addWidget(new QLabel("x"));
    cellRow->addWidget(CellHeightBox);
    cellRow->addStretch(1);
    auto* form = new QFormLayout;
    auto addRow = [form](const QString& text, QWidget* buddy, auto* field) {
        auto* label = new QLabel(text);
        label->setBuddy(buddy);
        form->addRow(label, field);
    };
    addRow("&Font file", FontPathEdit, fontRow);
    addRow("&Size", SizeBox, sizeRow);
    addRow("C&haracters", CharsEdit, CharsEdit);
    addRow("F&ormat", FormatBox, FormatBox);
    addRow("&Cell", CellAutoCheck, cellRow);
    addRow("H&inting", HintingBox, HintingBox);
    addRow("Sam&ple", SampleEdit, SampleEdit);
    return form;
}

QDialogButtonBox* FontWindow::buildButtons() {
    SaveButton = new QPushButton("&Save\u2026");
    SaveButton->setObjectName("SaveButton");
    CancelButton = new QPushButton("Cancel");
    CancelButton->setObjectName("CancelButton");
    CancelButton->setAutoDefault(false);
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(SaveButton, QDialogButtonBox::AcceptRole);
    buttons->addButton(CancelButton, QDialogButtonBox::RejectRole);
    return buttons;
}

void FontWindow::placeAll(QFormLayout* form, QDialogButtonBox* buttons) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SampleView, 1);
    layout->addWidget(StatusLabel);
    layout->addWidget(ProblemLabel);
    layout->addLayout(form);
    layout->addWidget(buttons);
    // Made the default once in the dialog, so that the dialog gives it back when a button
    // that took Enter for a while loses the focus.
    SaveButton->setDefault(true);
}

void FontWindow::orderTabs() {
    setTabOrder(FontPathEdit, BrowseButton);
    setTabOrder(BrowseButton, SizeBox);
    setTabOrder(SizeBox, CharsEdit);
    setTabOrder(CharsEdit, FormatBox);
    setTabOrder(FormatBox, CellAutoCheck);
    setTabOrder(CellAutoCheck, CellWidthBox);
    setTabOrder(CellWidthBox, CellHeightBox);
    setTabOrder(CellHeightBox, HintingBox);
    setTabOrder(HintingBox, SampleEdit);
    setTabOrder(SampleEdit, SaveButton);
    setTabOrder(SaveButton, CancelButton);
}

void FontWindow::connectControls() {
    for (QLineEdit* edit : {FontPathEdit, CharsEdit, SampleEdit}) {
        connect(edit, &QLineEdit::textChanged, this, &FontWindow::changed);
    }
    for (QSpinBox* box : {SizeBox, CellWidthBox, CellHeightBox}) {
        connect(box, &QSpinBox::valueChanged, this, &FontWindow::changed);
    }
    for (QComboBox* box : {FormatBox, HintingBox}) {
        connect(box, &QComboBox::currentIndexChanged, this, &FontWindow::changed);
    }
    connect(CellAutoCheck, &QCheckBox::toggled, this, &FontWindow::changed);
    connect(RedrawTimer, &QTimer::timeout, this, &FontWindow::redraw);
    connect(BrowseButton, &QPushButton::clicked, this, &FontWindow::browse);
    connect(SaveButton, &QPushButton::clicked, this, &FontWindow::save);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void FontWindow::fitToScreen() {
    // The form and the panel at a dot a pixel fit 1280 x 800 at twice the scale; the
    // panel takes what room the screen leaves.
    setMinimumWidth(kMinimumWidth);
    if (const QScreen* shown = screen()) {
        resize(sizeHint().boundedTo(shown->availableGeometry().size() * 9 / 10));
    }
}

void FontWindow::loadChoices() {
    if (settings_ == nullptr) {
        return;
    }
    QSettings& s = *settings_;
    FontPathEdit->setText(s.value("font/path").toString());
    CharsEdit->setText(s.value("font/chars", kDefaultChars).toString());
    // The rest under the command line's names; a value that no longer reads is its default.
    FontInput font;
    ReadForgiving({{"size", s.value("font/size", kDefaultSize).toString().toStdString()},
                   {"format", s.value("font/format", "gfxfont").toString().toStdString()},
                   {"hinting", s.value("font/hinting", "normal").toString().toStdString()}},
                  [&font](AssetReader& reader) {
                      font = FontInput{};
                      reader.readFont(AssetReader::FontFormats::Any, {}, font);
                  });
    SizeBox->setValue(font.pixelSize.value_or(kDefaultSize));
    FormatBox->setCurrentIndex(std::max(0, FormatBox->findData(Q(font.format.name))));
    HintingBox->setCurrentIndex(static_cast<int>(font.hinting));
    // Kept whatever the format, as the fields keep it.
    const std::optional<DotSize> cell =
        ReadDotSize(s.value("font/cell", "auto").toString().toStdString());
    CellAutoCheck->setChecked(!cell);
    if (cell) {
        CellWidthBox->setValue(cell->width);
        CellHeightBox->setValue(cell->height);
    }
    SampleEdit->setText(s.value("font/sample", QString::fromUtf8(kDefaultSample)).toString());
}

FontInput FontWindow::fontChoice() const {
    // The fields under the command line's names, read by the core's reader; a cell that
    // only a table takes is left out for the others.
    NamedValues values{{"size", std::to_string(SizeBox->value())},
                       {"format", FormatBox->currentData().toString().toStdString()},
                       {"hinting", kHintings[HintingBox->currentIndex()].name}};
    if (!CellAutoCheck->isChecked()) {
        values["cell"] =
            std::to_string(CellWidthBox->value()) + "x" + std::to_string(CellHeightBox->value());
    }
    FontInput font;
    ReadForgiving(std::move(values), [&font](AssetReader& reader) {
        font = FontInput{};
        reader.readFont(AssetReader::FontFormats::Any, {}, font);
    });
    return font;
}

void FontWindow::rememberChoices() {
    if (settings_ == nullptr) {
        return;
    }
    QSettings& s = *settings_;
    s.setValue("font/path", FontPathEdit->text());
    s.setValue("font/size", SizeBox->value());
    s.setValue("font/chars", CharsEdit->text());
    s.setValue("font/format", FormatBox->currentData());
    s.setValue("font/cell",
               CellAutoCheck->isChecked()
                   ? QString("auto")
                   : QString("%1x%2").arg(CellWidthBox->value()).arg(CellHeightBox->value()));
    s.setValue("font/hinting", kHintings[HintingBox->currentIndex()].name);
    s.setValue("font/sample", SampleEdit->text());
}

void FontWindow::done(int result) {
    rememberChoices();
    QDialog::done(result);
}

void FontWindow::changed() {
    RedrawTimer->start(); // Save draws what is still pending before it writes
}

void FontWindow::loadFont(const QString& path) {
    loadedPath_ = path;
    fontBytes_.clear();
    fontError_.clear();
    strikes_.clear();
    // "-" would be standard input to the reader: here it is a file of that name.
    const SourceFile source = ReadSourceFile(path == "-" ? "./-" : path.toStdString());
    if (source.ok()) {
        fontBytes_ = source.bytes;
        strikes_ = FontStrikes(fontBytes_);
    } else {
        fontError_ = source.error;
    }
    static_cast<StrikeSpinBox*>(SizeBox)->setStrikes(strikes_);
    if (!strikes_.empty() &&
        std::find(strikes_.begin(), strikes_.end(), SizeBox->value()) == strikes_.end()) {
        const QSignalBlocker quiet(SizeBox);
        SizeBox->setValue(strikes_.front());
    }
}

void FontWindow::redraw() {
    RedrawTimer->stop();
    made_ = FontFile{};
    symbol_.clear();
    MonoPicture shown(panel_.width, panel_.height);
    QStringList status;
    QString problem;
    const QString path = FontPathEdit->text();
    if (path != loadedPath_) {
        loadFont(path); // may move the size to a strike the font has
    }
    showStrikes();

    const FontInput chosen = fontChoice();
    const bool table = chosen.format.syntax != nullptr;
    CellWidthBox->setEnabled(table && !CellAutoCheck->isChecked());
    CellHeightBox->setEnabled(table && !CellAutoCheck->isChecked());
    CellAutoCheck->setEnabled(table);

    const std::string set = CharsEdit->text().toStdString();
    const CharacterSet chars = ParseCharacterSet(set);

    if (path.isEmpty()) {
        problem = "Choose a font file.";
    } else if (!fontError_.empty()) {
        problem = QDir::toNativeSeparators(path) + ": " + Q(fontError_);
    } else {
        problem = CharactersProblem(set, chars);
    }
    if (problem.isEmpty()) {
        problem = drawSample(path, chosen, chars.codes, shown, status);
    }
    SampleView->setDots(std::move(shown));
    StatusLabel->setText(status.join("\n"));
    ProblemLabel->setText(problem);
    ProblemLabel->setVisible(!problem.isEmpty());
    SaveButton->setEnabled(problem.isEmpty());
}

void FontWindow::showStrikes() {
    QStringList sizes;
    for (const int strike : strikes_) {
        sizes << QString::number(strike);
    }
    StrikesLabel->setText(strikes_.empty() ? QString()
                                           : "Strikes of this bitmap font: " + sizes.join(", "));
}

QString FontWindow::drawSample(const QString& path, const FontInput& font,
                               const std::vector<char32_t>& codes, MonoPicture& shown,
                               QStringList& status) {
    FontInput input = font;
    input.pixelSize = font.pixelSize.value_or(kDefaultSize);
    input.codes = codes;
    // Drawn and written as pelmora-cli font and build make it.
    MadeFont made = MakeFontFromBytes(input, {}, fontBytes_, path.toStdString());
    const RasterResult& raster = made.raster;
    if (!raster.missing.empty()) {
        status << "Not in the font: " + CodeNames(raster.missing) + ".";
    }
    if (!raster.warning.empty()) {
        QString warning = Q(raster.warning);
        warning[0] = warning[0].toUpper();
        status << warning + ".";
    }
    if (made.problem.fault == MakeFault::Input) {
        return QFileInfo(path).fileName() + ": " + Q(made.problem.error);
    }
    if (!made.problem.ok()) {
        return Q(font.format.name) + ": " + Q(made.problem.error);
    }
    return showFontFile(font.format, made, shown, status);
}

QString FontWindow::showFontFile(const FontFormat& format, MadeFont& made, MonoPicture& shown,
                                 QStringList& status) {
    const GlyphSet& glyphs = made.raster.set;
    const FontFile& file = made.file;
    // Read back as the firmware indexes it: the table's first code onwards.
    const FontRead read = format.syntax != nullptr
                              ? ReadCellTable(file.text, *format.syntax, FontCell(glyphs, format),
                                              glyphs.glyphs.front().code)
                              : ReadFontData(file.text, format.name, std::nullopt);
    if (!read.error.empty()) {
        return "The file reads back wrong: " + Q(read.error);
    }
    const DrawnText drawn = DrawFontText(read.set, SampleEdit->text().toStdString());
    if (!drawn.missing.empty()) {
        status << "The sample's " + CodeNames(drawn.missing) +
                      (drawn.missing.size() == 1 ? " is" : " are") + " not in the file.";
    }
    for (int y = 0; y < std::min(drawn.picture.height, shown.height); ++y) {
        for (int x = 0; x < std::min(drawn.picture.width, shown.width); ++x) {
            shown.set(x, y, drawn.picture.at(x, y));
        }
    }
    status.prepend(QString("%1 characters, %2 bytes as %3, on the %4 x %5 panel.")
                       .arg(glyphs.glyphs.size())
                       .arg(file.text.size())
                       .arg(Q(made.symbol + file.extension))
                       .arg(panel_.width)
                       .arg(panel_.height));
    made_ = std::move(made.file);
    symbol_ = std::move(made.symbol);
    return {};
}

QString FontWindow::suggestedPath() const {
    const QFileInfo font(FontPathEdit->text());
    return font.dir().filePath(Q(symbol_ + made_.extension));
}

void FontWindow::browse() {
    const QString chosen = QFileDialog::getOpenFileName(
        this, "Font file", FontPathEdit->text(),
        "Fonts (*.ttf *.otf *.bdf *.pcf *.pcf.gz *.otb);;All files (*)");
    if (!chosen.isEmpty()) {
        loadedPath_.clear(); // chosen again: read again, it may have changed
        FontPathEdit->setText(chosen);
        redraw();
    }
}

void FontWindow::save() {
    if (RedrawTimer->isActive()) {
        redraw();
    }
    if (!SaveButton->isEnabled()) {
        return;
    }
    const QString path =
        QFileDialog::getSaveFileName(this, "Save font", suggestedPath(),
                                     "Font files (*" + Q(made_.extension) + ");;All files (*)");
    if (path.isEmpty()) {
        return;
    }
    AtomicTextFile file(PathFromUtf8(path.toStdString()));
    if (!file.open() || !file.write(made_.text) || !file.commit()) {
        messages_.show(this, windowTitle(),
                       "The file " + QDir::toNativeSeparators(path) +
                           " could not be written: " + Q(file.error()));
        return;
    }
    accept();
}

} // namespace pelmora
