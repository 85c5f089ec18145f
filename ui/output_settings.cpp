#include "ui/output_settings.h"

#include "ui/named_choices.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace pelmora {

namespace {

QString FromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// "1056 bytes", or each plane's share where there are several.
QString BytesText(const PanelLayout& layout) {
    QString text = QString("%1 bytes").arg(layout.byteCount());
    const std::vector<PlaneRun> runs = PlaneRuns(layout);
    if (runs.size() > 1) {
        QStringList parts;
        for (const PlaneRun& run : runs) {
            // The runs' suffixes name them: "_black", "_mask"; the picture's own has none.
            const QString name =
                run.suffix.empty() ? QString("picture") : FromView(run.suffix.substr(1));
            parts << QString("%1 %2").arg(run.size).arg(name);
        }
        text += ": " + parts.join(", ");
    } else if (layout.mask == MaskForm::Interleaved) {
        text += ": width, height, then picture and mask bytes in turn";
    }
    if (layout.ramColumns() != layout.width) {
        text += QString(", %1 columns a %2")
                    .arg(layout.ramColumns())
                    .arg(layout.arrangement == Arrangement::Rows ? "row" : "page");
    }
    return text;
}

// A box for a side or a column of the panel, in dots.
QSpinBox* SideBox(const char* name, int value) {
    auto* box = new QSpinBox;
    box->setObjectName(name);
    box->setRange(1, kMaxPanelSide);
    box->setValue(value);
    return box;
}

QComboBox* ListBox(const char* name, const QStringList& items, int current) {
    auto* box = new QComboBox;
    box->setObjectName(name);
    box->addItems(items);
    box->setCurrentIndex(current);
    return box;
}

} // namespace

OutputChoice LoadOutputChoice(QSettings& settings) {
    // The remembered fields under the command line's names; anything stored that no longer
    // reads is its default, not obeyed.
    const PanelLayout defaults;
    const auto stored = [&settings](const char* key, const QVariant& otherwise) {
        return settings.value(QString("output/") + key, otherwise).toString().toStdString();
    };
    const int arrangement = settings.value("output/arrangement", 0).toInt();
    const int mask = settings.value("output/mask", 0).toInt();
    const std::string colours = stored("colours", "none");
    NamedValues values{
        {"format", stored("syntax", "db")},
        {"layout", arrangement >= 0 && arrangement < 4
                       ? std::string(NameOf(static_cast<Arrangement>(arrangement)))
                       : std::to_string(arrangement)},
        {"bit-order", settings.value("output/bitOrder", 0).toInt() != 0 ? "msb" : "lsb"},
        {"size", stored("width", defaults.width) + "x" + stored("height", defaults.height)},
        {"depth", stored("depth", 1)},
        {"x-offset", stored("xOffset", 0)}};
    if (values["layout"] == NameOf(Arrangement::Halves)) {
        values["block-width"] = stored("blockWidth", defaults.blockWidth);
    }
    if (colours != NameOf(Colours::None)) {
        values["colours"] = colours;
        values["ink"] = settings.value("output/inkIsZero", false).toBool() ? "0" : "1";
    }
    if (mask != 0) {
        values["mask"] = mask == 1 ? "plane" : mask == 2 ? "interleaved" : std::to_string(mask);
    }
    if (const std::string ramWidth = stored("ramWidth", 0); ramWidth != "0") {
        values["ram-width"] = ramWidth;
    }
    OutputChoice choice;
    ReadForgiving(std::move(values), [&choice](AssetReader& reader) {
        choice = OutputChoice{};
        reader.readPanel(choice);
    });
    return choice;
}

void SaveOutputChoice(QSettings& settings, const OutputChoice& choice) {
    const PanelLayout layout = choice.layout.value_or(PanelLayout{});
    settings.setValue("output/syntax", QString::fromUtf8(choice.syntaxOrDefault().name.data(),
                                                         choice.syntaxOrDefault().name.size()));
    settings.setValue("output/width", layout.width);
    settings.setValue("output/height", layout.height);
    settings.setValue("output/arrangement", static_cast<int>(layout.arrangement));
    settings.setValue("output/blockWidth", layout.blockWidth);
    settings.setValue("output/bitOrder", layout.bitOrder == BitOrder::Msb ? 1 : 0);
    settings.setValue("output/depth", layout.depth);
    settings.setValue("output/ramWidth", layout.ramWidth);
    settings.setValue("output/xOffset", layout.xOffset);
    settings.setValue("output/colours", FromView(NameOf(layout.colours)));
    settings.setValue("output/inkIsZero", layout.inkIsZero);
    settings.setValue("output/mask", static_cast<int>(layout.mask));
}

QString LoadPanelPresetName(QSettings& settings) {
    return settings.value("output/panel").toString();
}

void SavePanelPresetName(QSettings& settings, const QString& name) {
    settings.setValue("output/panel", name);
}

Packing LoadPacking(QSettings& settings) {
    // Read for the output remembered beside it; anything else stored is ignored, not obeyed.
    const OutputChoice choice = LoadOutputChoice(settings);
    Packing packing;
    ReadForgiving(
        {{"compress", settings.value("output/compress", "none").toString().toStdString()}},
        [&](AssetReader& reader) {
            packing = Packing{};
            reader.readPacking(choice, false, packing);
        });
    return packing;
}

void SavePacking(QSettings& settings, const Packing& packing) {
    settings.setValue("output/compress", FromView(NameOf(packing.scheme)));
}

OutputSettingsDialog::OutputSettingsDialog(const OutputChoice& choice, QWidget* parent,
                                           const QString& preset,
                                           const std::optional<Packing>& packing)
    : QDialog(parent) {
    setObjectName("OutputSettings");
    setWindowTitle("Output settings");
    buildSyntaxAndPanelBoxes(choice);
    buildLayoutFields(choice.layout.value_or(PanelLayout{}));
    buildCompressionBox(packing);
    QScrollArea* example = buildResultLabels();
    QWidget* fields = layOutFields(example);
    placeFieldsAndButtons(fields);
    showMatchingPreset(preset);
    connectControls();
    update();
}

void OutputSettingsDialog::buildSyntaxAndPanelBoxes(const OutputChoice& choice) {
    SyntaxBox = new QComboBox;
    SyntaxBox->setObjectName("SyntaxBox");
    for (const Syntax* syntax : Syntaxes()) {
        SyntaxBox->addItem(FromView(syntax->label), FromView(syntax->name));
    }
    SyntaxBox->setCurrentIndex(SyntaxBox->findData(QString::fromUtf8(
        choice.syntaxOrDefault().name.data(), choice.syntaxOrDefault().name.size())));
    PanelBox = new QComboBox;
    PanelBox->setObjectName("PanelBox");
    for (const PanelPreset& preset : PanelPresets()) {
        PanelBox->addItem(FromView(preset.label), FromView(preset.name));
    }
    PanelBox->addItem("Custom"); // leaves the layout open
}

void OutputSettingsDialog::buildLayoutFields(const PanelLayout& layout) {
    WidthBox = SideBox("WidthBox", layout.width);
    HeightBox = SideBox("HeightBox", layout.height);
    BlockWidthBox = SideBox("BlockWidthBox", layout.blockWidth);
    LayoutBox = ListBox("LayoutBox", {"halves", "pages", "rows", "bit planes"},
                        static_cast<int>(layout.arrangement));
    BitOrderBox = ListBox("BitOrderBox", {"lsb", "msb"}, layout.bitOrder == BitOrder::Msb ? 1 : 0);
    DepthBox =
        ListBox("DepthBox", {"1 bit a dot", "2 bits a dot: 4 greys", "4 bits a dot: 16 greys"},
                layout.depth == kMaxDepth ? 2 : layout.depth - 1);
    ColoursBox = ListBox("ColoursBox", {"None", "Black and red", "Black and yellow"},
                         static_cast<int>(layout.colours));
    InkBox = ListBox("InkBox", {"1 is ink", "0 is ink"}, layout.inkIsZero ? 1 : 0);
    InkBox->setToolTip("Which bit value marks ink in the black and colour planes");
    MaskBox =
        ListBox("MaskBox", {"None", "A plane after the picture", "Interleaved with the picture"},
                static_cast<int>(layout.mask));
    MaskBox->setToolTip("A plane of the opaque dots (alpha 128 or more)");
    RamWidthBox = SideBox("RamWidthBox", layout.ramWidth);
    RamWidthBox->setRange(0, kMaxPanelSide);
    RamWidthBox->setValue(layout.ramWidth);
    RamWidthBox->setSpecialValueText("the panel's width");
    RamWidthBox->setToolTip("Columns written for each page or row: the controller's whole RAM");
    XOffsetBox = SideBox("XOffsetBox", layout.xOffset);
    XOffsetBox->setRange(0, kMaxPanelSide);
    XOffsetBox->setValue(layout.xOffset);
    XOffsetBox->setToolTip("The RAM column, in dots, where the picture starts");
}

void OutputSettingsDialog::buildCompressionBox(const std::optional<Packing>& packing) {
    // A caller that packs nothing is offered no choice.
    CompressionBox = packing ? new QComboBox : nullptr;
    if (CompressionBox == nullptr) {
        return;
    }
    CompressionBox->setObjectName("CompressionBox");
    for (const SchemeInfo& scheme : Schemes()) {
        CompressionBox->addItem(FromView(scheme.name), FromView(scheme.name));
        CompressionBox->setItemData(CompressionBox->count() - 1, FromView(scheme.description),
                                    Qt::ToolTipRole);
    }
    CompressionBox->setCurrentIndex(CompressionBox->findData(FromView(NameOf(packing->scheme))));
}

QScrollArea* OutputSettingsDialog::buildResultLabels() {
    BytesValue = new QLabel;
    BytesValue->setObjectName("BytesValue");
    BytesValue->setTextFormat(Qt::PlainText);
    BytesValue->setWordWrap(true);
    BytesValue->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    ExampleValue = new QLabel;
    ExampleValue->setObjectName("ExampleValue");
    ExampleValue->setTextFormat(Qt::PlainText);
    ExampleValue->setFont(QFont("monospace"));
    ExampleValue->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // The whole line, scrolled sideways where it is long: the dialog keeps its width.
    auto* example = new QScrollArea;
    example->setObjectName("ExampleScroll");
    example->setWidget(ExampleValue);
    example->setWidgetResizable(true);
    example->setFrameShape(QFrame::NoFrame);
    example->setFocusPolicy(Qt::NoFocus);
    example->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    example->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    example->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    example->setMinimumWidth(300);
    example->setFixedHeight(ExampleValue->fontMetrics().height() * 2 + 8);
    ProblemValue = new QLabel;
    ProblemValue->setObjectName("ProblemValue");
    ProblemValue->setWordWrap(true);
    ProblemValue->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    // Two lines kept for a reason, so that one never runs into the buttons at any scale.
    ProblemValue->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ProblemValue->setMinimumHeight(ProblemValue->fontMetrics().lineSpacing() * 2 + 4);
    return example;
}

QWidget* OutputSettingsDialog::layOutFields(QScrollArea* example) {
    auto* form = new QFormLayout;
    form->addRow("&Syntax:", SyntaxBox);
    form->addRow("&Panel:", PanelBox);
    form->addRow("&Width:", WidthBox);
    form->addRow("&Height:", HeightBox);
    form->addRow("&Layout:", LayoutBox);
    form->addRow("&Bit order:", BitOrderBox);
    form->addRow("Bloc&k width:", BlockWidthBox);
    form->addRow("&Depth:", DepthBox);
    auto* colours = new QHBoxLayout;
    colours->addWidget(ColoursBox, 1);
    colours->addWidget(InkBox);
    auto* coloursLabel = new QLabel("C&olours:");
    coloursLabel->setBuddy(ColoursBox);
    form->addRow(coloursLabel, colours);
    form->addRow("&Mask:", MaskBox);
    auto* ram = new QHBoxLayout;
    ram->addWidget(RamWidthBox, 1);
    auto* offsetLabel = new QLabel("&x offset:");
    offsetLabel->setBuddy(XOffsetBox);
    ram->addWidget(offsetLabel);
    ram->addWidget(XOffsetBox, 1);
    auto* ramLabel = new QLabel("&RAM width:");
    ramLabel->setBuddy(RamWidthBox);
    form->addRow(ramLabel, ram);
    if (CompressionBox != nullptr) {
        form->addRow("&Compression:", CompressionBox);
    }
    form->addRow("Bytes:", BytesValue);
    form->addRow("Writes:", example);
    form->addRow("", ProblemValue);
    auto* fields = new QWidget;
    fields->setLayout(form);
    return fields;
}

void OutputSettingsDialog::placeFieldsAndButtons(QWidget* fields) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    OkButton = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // The fields scroll on a small screen, at a large scale; the buttons stay in reach.
    auto* scroll = new QScrollArea;
    scroll->setObjectName("SettingsScroll");
    scroll->setWidget(fields);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus); // the fields take the focus, not the area
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Room for the scroll bar beside the fields, which are never narrower than they need.
    const int bar = scroll->verticalScrollBar()->sizeHint().width();
    fields->layout()->setContentsMargins(0, 0, 0, 0);
    scroll->setMinimumSize(fields->minimumSizeHint().width() + bar, 120);
    auto* column = new QVBoxLayout(this);
    column->addWidget(scroll, 1);
    column->addWidget(buttons);
    resizeToFields(fields->sizeHint() + QSize(0, buttons->sizeHint().height()), column, bar);
}

void OutputSettingsDialog::resizeToFields(QSize wanted, const QVBoxLayout* column, int bar) {
    wanted += QSize(column->contentsMargins().left() + column->contentsMargins().right(),
                    column->contentsMargins().top() + column->contentsMargins().bottom() +
                        column->spacing());
    if (const QScreen* screen = this->screen()) {
        const QSize room = screen->availableGeometry().size() - QSize(16, 40);
        if (wanted.height() > room.height()) {
            wanted.rwidth() += bar; // the fields scroll
        }
        wanted = wanted.boundedTo(room);
    }
    resize(wanted);
}

void OutputSettingsDialog::connectControls() {
    connect(PanelBox, &QComboBox::currentIndexChanged, this, &OutputSettingsDialog::presetChosen);
    for (QComboBox* box : {SyntaxBox, LayoutBox, BitOrderBox, DepthBox, ColoursBox, InkBox, MaskBox,
                           CompressionBox}) {
        if (box != nullptr) {
            connect(box, &QComboBox::currentIndexChanged, this, &OutputSettingsDialog::update);
        }
    }
    for (QSpinBox* box : {WidthBox, HeightBox, BlockWidthBox, RamWidthBox, XOffsetBox}) {
        connect(box, &QSpinBox::valueChanged, this, &OutputSettingsDialog::update);
    }
}

void OutputSettingsDialog::showMatchingPreset(const QString& preferred) {
    const PanelLayout layout = *choice().layout;
    const std::span<const PanelPreset> presets = PanelPresets();
    const auto matches = [&](int index) {
        return index >= 0 && index < static_cast<int>(presets.size()) &&
               presets[static_cast<std::size_t>(index)].layout == layout;
    };
    if (preferred.isEmpty() && PanelBox->currentIndex() == static_cast<int>(presets.size())) {
        return; // Custom, once chosen, stays
    }
    // The preset named, else the one shown, else the first of that layout, else Custom.
    int shown = PanelBox->findData(preferred);
    if (!matches(shown)) {
        shown = PanelBox->currentIndex();
    }
    for (int i = 0; !matches(shown) && i < static_cast<int>(presets.size()); ++i) {
        shown = i;
    }
    if (!matches(shown)) {
        shown = static_cast<int>(presets.size());
    }
    const QSignalBlocker quiet(PanelBox);
    PanelBox->setCurrentIndex(shown);
}

Packing OutputSettingsDialog::packing() const {
    Packing packing;
    if (CompressionBox != nullptr) {
        packing.scheme = FindScheme(CompressionBox->currentData().toString().toStdString())
                             .value_or(Scheme::None);
    }
    return packing;
}

QString OutputSettingsDialog::presetName() const {
    return PanelBox->currentData().toString();
}

void OutputSettingsDialog::presetChosen(int index) {
    const std::span<const PanelPreset> presets = PanelPresets();
    if (index < 0 || index >= static_cast<int>(presets.size())) {
        update(); // Custom keeps what the fields hold
        return;
    }
    const PanelPreset& preset = presets[static_cast<std::size_t>(index)];
    filling_ = true;
    WidthBox->setValue(preset.layout.width);
    HeightBox->setValue(preset.layout.height);
    LayoutBox->setCurrentIndex(static_cast<int>(preset.layout.arrangement));
    BitOrderBox->setCurrentIndex(preset.layout.bitOrder == BitOrder::Msb ? 1 : 0);
    BlockWidthBox->setValue(preset.layout.blockWidth);
    DepthBox->setCurrentIndex(preset.layout.depth == kMaxDepth ? 2 : preset.layout.depth - 1);
    ColoursBox->setCurrentIndex(static_cast<int>(preset.layout.colours));
    InkBox->setCurrentIndex(preset.layout.inkIsZero ? 1 : 0);
    MaskBox->setCurrentIndex(static_cast<int>(preset.layout.mask));
    RamWidthBox->setValue(preset.layout.ramWidth);
    XOffsetBox->setValue(preset.layout.xOffset);
    if (!preset.syntax.empty()) {
        SyntaxBox->setCurrentIndex(SyntaxBox->findData(FromView(preset.syntax)));
    }
    filling_ = false;
    update();
}

OutputChoice OutputSettingsDialog::choice() const {
    OutputChoice choice;
    choice.syntax = FindSyntax(SyntaxBox->currentData().toString().toStdString());
    PanelLayout layout;
    layout.width = WidthBox->value();
    layout.height = HeightBox->value();
    layout.arrangement = static_cast<Arrangement>(LayoutBox->currentIndex());
    layout.bitOrder = BitOrderBox->currentIndex() == 1 ? BitOrder::Msb : BitOrder::Lsb;
    layout.blockWidth = BlockWidthBox->value();
    layout.depth = 1 << DepthBox->currentIndex();
    layout.colours = static_cast<Colours>(ColoursBox->currentIndex());
    // The ink's polarity means nothing without planes: kept as the default there.
    layout.inkIsZero = layout.colours != Colours::None && InkBox->currentIndex() == 1;
    layout.mask = static_cast<MaskForm>(MaskBox->currentIndex());
    layout.ramWidth = RamWidthBox->value();
    layout.xOffset = XOffsetBox->value();
    choice.layout = layout;
    return choice;
}

void OutputSettingsDialog::update() {
    if (filling_) {
        return;
    }
    const OutputChoice current = choice();
    const PanelLayout layout = *current.layout;
    std::string problem = CheckLayout(layout);
    if (problem.empty()) {
        problem = SyntaxLayoutProblem(current.syntaxOrDefault(), layout);
    }
    if (problem.empty()) {
        problem = PackingProblem(current.syntaxOrDefault(), layout, packing(), false);
    }
    BlockWidthBox->setEnabled(layout.arrangement == Arrangement::Halves);
    InkBox->setEnabled(layout.colours != Colours::None);
    BytesValue->setText(problem.empty() ? BytesText(layout) : QString());
    showMatchingPreset({}); // Custom once a preset's values are changed
    ProblemValue->setText(QString::fromStdString(problem));
    OkButton->setEnabled(problem.empty());
    if (!problem.empty()) {
        ExampleValue->clear();
        return;
    }
    // The first line of data that the choice writes for a panel whose dots are all on; packed,
    // the whole panel's, since packing depends on all of it.
    const Packing packs = packing();
    const std::vector<std::uint8_t> bytes(
        packs.packs() ? layout.byteCount() : std::min<std::size_t>(layout.byteCount(), 16), 0xFF);
    const PackedText packed =
        packs.packs()
            ? WritePackedPicture(current.syntaxOrDefault(), layout, bytes, "lcd_picture",
                                 packs.scheme)
            : PackedText{current.syntaxOrDefault().write(layout, bytes, "lcd_picture"), {}};
    std::string example;
    ForEachLine(packed.text, [&](long, std::string_view line) {
        const std::string_view trimmed =
            line.substr(std::min(line.find_first_not_of(" \t"), line.size()));
        // Packed C text carries its decoder first, whose code has hex in it too; a comment
        // may name a size such as 200x200.
        const bool comment = trimmed.starts_with("/*") || trimmed.starts_with("//") ||
                             trimmed.starts_with(";") || trimmed.starts_with("#") ||
                             trimmed.starts_with("*");
        const bool data =
            packs.packs()
                ? trimmed.starts_with("0x") || trimmed.starts_with("DB") ||
                      trimmed.starts_with(".byte") || trimmed.starts_with(":")
                : !comment && (line.find("DB") != std::string_view::npos ||
                               line.find("0x") != std::string_view::npos || line.starts_with(":"));
        if (current.syntaxOrDefault().rawBytes) {
            return false;
        }
        if (data) {
            line.remove_prefix(std::min(line.find_first_not_of(' '), line.size()));
            example = std::string(line);
        }
        return !data;
    });
    if (current.syntaxOrDefault().rawBytes) {
        example = packs.packs() ? std::to_string(packed.packedBytes) + " packed bytes, " +
                                      std::to_string(layout.byteCount()) + " unpacked"
                                : std::to_string(layout.byteCount()) + " raw bytes";
    }
    ExampleValue->setText(QString::fromStdString(example));
}

} // namespace pelmora
