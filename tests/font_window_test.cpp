// The Make font window: the sample drawn from the very file it would save, Save writing
// what pelmora-cli font writes for the same choices, its problems and its memory.

#include "core/font/font_drawing.h"
#include "support/fake_message_box.h"
#include "support/qt_helpers.h"
#include "support/test_pictures.h"
#include "ui/font_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace pelmora {
namespace {

using test::FakeMessageBox;
using test::Q;
using test::ReadFile;
using test::ScratchFolder;

const std::filesystem::path kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const std::filesystem::path kTerminus12 = "/usr/share/fonts/X11/misc/ter-u12n_unicode.pcf.gz";
const QString kSample = QString::fromUtf8("Hello, 12\u00B0C");

const QString kChars = "32-126,0xB0";

PanelLayout Panel(int width, int height) {
    PanelLayout panel;
    panel.width = width;
    panel.height = height;
    return panel;
}

// The choices a user makes, and the same as pelmora-cli font's options.
struct Choices {
    int size = 12;
    QString chars = kChars;
    QString format = "gfxfont";
    QString cell;               // empty: automatic
    QString hinting = "normal"; // as the option names it

    QStringList options() const {
        QStringList list{"--size", QString::number(size), "--chars", chars, "--format",
                         format,   "--hinting",           hinting};
        if (!cell.isEmpty()) {
            list << "--cell" << cell;
        }
        return list;
    }
};

struct Window {
    ScratchFolder folder;
    FakeMessageBox messages;
    QSettings settings{Q(folder / "settings.ini"), QSettings::IniFormat};
    PanelLayout panel; // 128 x 64, as Output settings has it by default
    std::unique_ptr<FontWindow> window;

    explicit Window(PanelLayout shownPanel = {}) : panel(shownPanel) { open(); }

    void open() {
        window = std::make_unique<FontWindow>(panel, &settings, messages);
        window->resize(700, 560);
        window->show();
    }
    template <typename T> T* find(const char* name) const {
        T* child = window->findChild<T*>(name);
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    // What the window shows once a burst of changes has been drawn.
    void settle() const {
        auto* timer = find<QTimer>("RedrawTimer");
        for (int i = 0; i < 100 && timer->isActive(); ++i) {
            QTest::qWait(20);
        }
        ASSERT_FALSE(timer->isActive());
    }
    void choose(const std::filesystem::path& font, const Choices& c) const {
        find<QLineEdit>("FontPathEdit")->setText(Q(font));
        find<QSpinBox>("SizeBox")->setValue(c.size);
        find<QLineEdit>("CharsEdit")->setText(c.chars);
        auto* format = find<QComboBox>("FormatBox");
        format->setCurrentIndex(format->findData(c.format));
        find<QCheckBox>("CellAutoCheck")->setChecked(c.cell.isEmpty());
        if (!c.cell.isEmpty()) {
            find<QSpinBox>("CellWidthBox")->setValue(c.cell.section('x', 0, 0).toInt());
            find<QSpinBox>("CellHeightBox")->setValue(c.cell.section('x', 1, 1).toInt());
        }
        const QStringList hintings{"normal", "light", "none"};
        find<QComboBox>("HintingBox")->setCurrentIndex(hintings.indexOf(c.hinting));
        settle();
    }
    QString text(const char* name) const { return find<QLabel>(name)->text(); }
    bool saveEnabled() const { return find<QPushButton>("SaveButton")->isEnabled(); }

    // The panel's dots as the sample view paints them.
    MonoPicture shownDots() const {
        const QImage image = find<QWidget>("SampleView")->grab().toImage();
        const int dot = std::min(image.width() / panel.width, image.height() / panel.height);
        const int left = (image.width() - panel.width * dot) / 2;
        const int top = (image.height() - panel.height * dot) / 2;
        MonoPicture dots(panel.width, panel.height);
        for (int y = 0; y < panel.height; ++y) {
            for (int x = 0; x < panel.width; ++x) {
                const QRgb shown = image.pixel(left + x * dot + dot / 2, top + y * dot + dot / 2);
                EXPECT_TRUE(shown == qRgb(0, 0, 0) || shown == qRgb(0, 128, 0)) << x << "," << y;
                dots.set(x, y, shown == qRgb(0, 0, 0));
            }
        }
        return dots;
    }
};

struct Ran {
    int status;
    std::string out;
    std::string err;
};

Ran RunCli(const std::filesystem::path& folder, const QStringList& arguments) {
    QProcess cli;
    cli.setWorkingDirectory(Q(folder));
    cli.start(PELMORA_CLI, arguments);
    EXPECT_TRUE(cli.waitForFinished(30000));
    return {cli.exitCode(), cli.readAllStandardOutput().toStdString(),
            cli.readAllStandardError().toStdString()};
}

// The text drawn from a font file as the firmware would, placed on the panel from its top
// left corner.
MonoPicture FirmwareDrawing(const std::string& fontText, const Choices& choices,
                            const PanelLayout& panel, const QString& text) {
    std::optional<PanelLayout> cell; // for a table that states none
    if (!choices.cell.isEmpty()) {
        cell = PanelLayout{.arrangement = Arrangement::Pages};
        cell->width = choices.cell.section('x', 0, 0).toInt();
        cell->height = choices.cell.section('x', 1, 1).toInt();
    }
    const FontRead read = ReadFontData(fontText, choices.format.toStdString(), cell);
    EXPECT_EQ(read.error, "");
    const DrawnText drawn = DrawFontText(read.set, text.toStdString());
    MonoPicture dots(panel.width, panel.height);
    for (int y = 0; y < std::min(drawn.picture.height, panel.height); ++y) {
        for (int x = 0; x < std::min(drawn.picture.width, panel.width); ++x) {
            dots.set(x, y, drawn.picture.at(x, y));
        }
    }
    return dots;
}

int OnDots(const MonoPicture& dots) {
    int on = 0;
    for (const std::uint8_t dot : dots.dots) {
        on += dot;
    }
    return on;
}

// Answers the file dialog that Save or Browse opens.
void WhenFileDialogOpens(std::function<void(QFileDialog&)> act) {
    QTimer::singleShot(0, [act = std::move(act)] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
    });
}

// Whether the folder holds no file but that one (settings are written when they like).
bool NothingBut(const ScratchFolder& folder, const std::string& name) {
    const std::vector<std::string> names = folder.names();
    return names.empty() || names == std::vector<std::string>{name};
}

bool Installed(const std::filesystem::path& font) {
    return std::filesystem::exists(font);
}

TEST(FontWindowTest, TheSampleIsWhatTheFirmwareDrawsFromTheFile) {
    if (!Installed(kDejaVu)) {
        GTEST_SKIP() << kDejaVu << " is not installed (fonts-dejavu-core)";
    }
    struct Case {
        const char* name;
        Choices choices;
        PanelLayout panel;
    };
    const Case cases[] = {
        {"gfxfont on 128 x 64", {}, {}},
        {"u8g2, light hinting", {12, kChars, "u8g2", "", "light"}, {}},
        {"C table, automatic cell", {12, kChars, "c", "", "normal"}, {}},
        // J reaches left of the pen: no given cell holds it. DB lines name no codes, so the
        // codes run on from the first without a gap.
        {"DB table, given cell", {12, "32-73", "db", "14x18", "normal"}, {}},
        {"gfxfont at 20 px, clipped by an 84 x 48 panel",
         {20, kChars, "gfxfont", "", "normal"},
         Panel(84, 48)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Window w(c.panel);
        w.choose(kDejaVu, c.choices);
        EXPECT_TRUE(w.saveEnabled()) << w.text("ProblemLabel").toStdString();
        QStringList arguments{"font", "--stdout"};
        arguments << c.choices.options() << Q(kDejaVu);
        const Ran cli = RunCli(w.folder.path(), arguments);
        ASSERT_EQ(cli.status, 0) << cli.err;
        const MonoPicture expected = FirmwareDrawing(cli.out, c.choices, c.panel, kSample);
        EXPECT_GT(OnDots(expected), 40);
        const MonoPicture shown = w.shownDots();
        EXPECT_EQ(shown.dots, expected.dots);

        // Every keystroke in the sample is drawn.
        w.find<QLineEdit>("SampleEdit")->setText("Hi");
        w.settle();
        EXPECT_EQ(w.shownDots().dots, FirmwareDrawing(cli.out, c.choices, c.panel, "Hi").dots);
    }
}

TEST(FontWindowTest, SaveWritesWhatTheCommandLineWrites) {
    if (!Installed(kDejaVu)) {
        GTEST_SKIP() << kDejaVu << " is not installed (fonts-dejavu-core)";
    }
    struct Case {
        const char* name;
        Choices choices;
        const char* suggested; // the name pelmora-cli font gives the file
    };
    const Case cases[] = {
        {"gfxfont", {}, "DejaVuSans_12.h"},
        {"u8g2 at 16 px, no hinting", {16, kChars, "u8g2", "", "none"}, "DejaVuSans_16.h"},
        {"assembler table, automatic cell", {12, kChars, "asm", "", "normal"}, "DejaVuSans_12.asm"},
        {"Intel HEX table, given cell",
         {12, "0x30-0x39", "ihex", "8x16", "normal"},
         "DejaVuSans_12.hex"},
        {"raw bytes, light hinting", {10, kChars, "bin", "", "light"}, "DejaVuSans_10.bin"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Window w;
        // Beside a copy of the font, so that the suggested folder is writable.
        std::filesystem::copy_file(kDejaVu, w.folder / "DejaVuSans.ttf");
        w.choose(w.folder / "DejaVuSans.ttf", c.choices);
        ASSERT_TRUE(w.saveEnabled()) << w.text("ProblemLabel").toStdString();
        QString suggested;
        WhenFileDialogOpens([&](QFileDialog& dialog) {
            suggested = dialog.selectedFiles().value(0);
            dialog.selectFile(Q(w.folder / "window.out"));
            static_cast<QDialog&>(dialog).accept(); // QFileDialog's own checks
        });
        QTest::mouseClick(w.find<QPushButton>("SaveButton"), Qt::LeftButton);
        EXPECT_EQ(suggested, Q(w.folder / c.suggested));

        QStringList arguments{"font", "-o", "cli.out"};
        arguments << c.choices.options() << "DejaVuSans.ttf";
        const Ran cli = RunCli(w.folder.path(), arguments);
        ASSERT_EQ(cli.status, 0) << cli.err;
        const std::string written = ReadFile(w.folder / "window.out");
        EXPECT_GT(written.size(), 50U);
        EXPECT_TRUE(written == ReadFile(w.folder / "cli.out"));
        EXPECT_TRUE(w.messages.texts.isEmpty()) << w.messages.texts.join("|").toStdString();
    }
}

TEST(FontWindowTest, AWriteThatFailsIsToldInOneMessage) {
    if (!Installed(kDejaVu)) {
        GTEST_SKIP() << kDejaVu << " is not installed (fonts-dejavu-core)";
    }
    Window w;
    // A full device of the test's own: every write to it fails with no space left.
    const std::filesystem::path full = w.folder / "full";
    if (mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) {
        GTEST_SKIP() << "mknod is refused here";
    }
    w.choose(kDejaVu, {});
    WhenFileDialogOpens([&](QFileDialog& dialog) {
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.selectFile(Q(full));
        static_cast<QDialog&>(dialog).accept(); // QFileDialog's own checks
    });
    QTest::mouseClick(w.find<QPushButton>("SaveButton"), Qt::LeftButton);
    ASSERT_EQ(w.messages.texts.size(), 1);
    EXPECT_TRUE(w.messages.texts[0].contains("could not be written"))
        << w.messages.texts[0].toStdString();
    EXPECT_TRUE(w.window->isVisible()); // the choices stay for another try
}

TEST(FontWindowTest, ProblemsAreShownAndSaveIsDisabled) {
    if (!Installed(kDejaVu)) {
        GTEST_SKIP() << kDejaVu << " is not installed (fonts-dejavu-core)";
    }
    struct Case {
        const char* name;
        Choices choices;
        const char* problem; // a part of the problem line
    };
    const Case cases[] = {
        {"malformed set", {12, "32-x", "gfxfont", "", "normal"}, "code points and ranges"},
        {"reversed range", {12, "126-32", "gfxfont", "", "normal"}, "code points and ranges"},
        {"beyond Unicode", {12, "0x110000", "gfxfont", "", "normal"}, "code points and ranges"},
        {"a surrogate", {12, "0xD800", "gfxfont", "", "normal"}, "is a surrogate, no character"},
        {"empty set", {12, "", "gfxfont", "", "normal"}, "code points and ranges"},
        {"unreadable @FILE",
         {12, "@no-such-file.txt", "gfxfont", "", "normal"},
         "no-such-file.txt"},
        {"gfxfont's 255-pixel limit", {400, "87", "gfxfont", "", "normal"}, "255"},
        {"u8g2's signed-byte width",
         {150, "87", "u8g2", "", "normal"},
         "glyph U+0057 'W': its width 138 is outside 0..127"},
        {"u8g2's signed-byte advance", {130, "87", "u8g2", "", "normal"}, "its advance 129"},
        {"a glyph outside the given cell", {12, kChars, "c", "12x16", "normal"}, "does not fit"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Window w;
        w.choose(kDejaVu, c.choices);
        EXPECT_FALSE(w.saveEnabled());
        EXPECT_TRUE(w.find<QLabel>("ProblemLabel")->isVisible());
        EXPECT_TRUE(w.text("ProblemLabel").contains(c.problem))
            << w.text("ProblemLabel").toStdString();
        // Enter does not save what cannot be written.
        QTest::keyClick(w.find<QLineEdit>("CharsEdit"), Qt::Key_Return);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

        // Mended, it can be saved again.
        w.choose(kDejaVu, {});
        EXPECT_TRUE(w.saveEnabled());
        EXPECT_FALSE(w.find<QLabel>("ProblemLabel")->isVisible());
    }
    Window noFont;
    EXPECT_FALSE(noFont.saveEnabled());
    EXPECT_TRUE(noFont.text("ProblemLabel").contains("font file"));
}

TEST(FontWindowTest, CharactersTheFontLacksAreNamed) {
    if (!Installed(kDejaVu)) {
        GTEST_SKIP() << kDejaVu << " is not installed (fonts-dejavu-core)";
    }
    Window w;
    // U+10FFFD is a private code no font draws; the sample's e acute is not asked for.
    w.choose(kDejaVu, {12, "32-126,0x10FFFD", "gfxfont", "", "normal"});
    EXPECT_TRUE(w.saveEnabled());
    EXPECT_TRUE(w.text("StatusLabel").contains("Not in the font: U+10FFFD"))
        << w.text("StatusLabel").toStdString();
    w.find<QLineEdit>("SampleEdit")->setText(QString::fromUtf8("caf\u00E9 12\u00B0"));
    w.settle();
    EXPECT_TRUE(w.text("StatusLabel").contains("U+00E9, U+00B0 are not in the file"))
        << w.text("StatusLabel").toStdString();
}

TEST(FontWindowTest, ABitmapFontOffersItsStrike) {
    if (!Installed(kTerminus12)) {
        GTEST_SKIP() << kTerminus12 << " is not installed (xfonts-terminus)";
    }
    Window w;
    w.choose(kTerminus12, {16, kChars, "gfxfont", "", "normal"});
    auto* size = w.find<QSpinBox>("SizeBox");
    EXPECT_EQ(size->value(), 12) << "a size the font lacks gives way to its strike";
    EXPECT_TRUE(w.text("StrikesLabel").contains("12"));
    EXPECT_TRUE(w.saveEnabled());
    size->setValue(14);
    w.settle();
    EXPECT_FALSE(w.saveEnabled());
    EXPECT_TRUE(w.text("ProblemLabel").contains("only 12")) << w.text("ProblemLabel").toStdString();
    size->setFocus();
    QTest::keyClick(size, Qt::Key_Down); // to the strike below: the font's only one
    w.settle();
    EXPECT_EQ(size->value(), 12);
    EXPECT_TRUE(w.saveEnabled());
    EXPECT_GT(OnDots(w.shownDots()), 40);
}

TEST(FontWindowTest, ChoicesAreRememberedAndEscapeSavesNothing) {
    if (!Installed(kDejaVu)) {
        GTEST_SKIP() << kDejaVu << " is not installed (fonts-dejavu-core)";
    }
    Window w;
    const Choices chosen{14, "0x30-0x39", "arduino", "16x20", "light"};
    w.choose(kDejaVu, chosen);
    w.find<QLineEdit>("SampleEdit")->setText("T 21");
    QTest::keyClick(w.window.get(), Qt::Key_Escape);
    EXPECT_FALSE(w.window->isVisible());
    EXPECT_TRUE(NothingBut(w.folder, "settings.ini"));

    w.open();
    w.settle();
    EXPECT_EQ(w.find<QLineEdit>("FontPathEdit")->text(), Q(kDejaVu));
    EXPECT_EQ(w.find<QSpinBox>("SizeBox")->value(), 14);
    EXPECT_EQ(w.find<QLineEdit>("CharsEdit")->text(), "0x30-0x39");
    EXPECT_EQ(w.find<QComboBox>("FormatBox")->currentData().toString(), "arduino");
    EXPECT_FALSE(w.find<QCheckBox>("CellAutoCheck")->isChecked());
    EXPECT_EQ(w.find<QSpinBox>("CellWidthBox")->value(), 16);
    EXPECT_EQ(w.find<QSpinBox>("CellHeightBox")->value(), 20);
    EXPECT_EQ(w.find<QComboBox>("HintingBox")->currentIndex(), 1);
    EXPECT_EQ(w.find<QLineEdit>("SampleEdit")->text(), "T 21");
    EXPECT_TRUE(w.saveEnabled());
}

// A remembered value that no longer reads as pelmora-cli font's option would is its default,
// the others kept, and nothing is said.
TEST(FontWindowTest, ARememberedValueThatNoLongerReadsIsItsDefaultAlone) {
    struct Row {
        const char* key;
        const char* value;
    };
    const Row rows[] = {{"font/size", "9999"},
                        {"font/format", "xbm"},
                        {"font/hinting", "sharp"},
                        {"font/cell", "0x20"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        Window w;
        w.settings.setValue("font/size", 14);
        w.settings.setValue("font/format", "arduino");
        w.settings.setValue("font/hinting", "light");
        w.settings.setValue("font/cell", "16x20");
        w.settings.setValue(row.key, row.value);
        w.open();
        const std::string key = row.key;
        EXPECT_EQ(w.find<QSpinBox>("SizeBox")->value(), key == "font/size" ? 12 : 14);
        EXPECT_EQ(w.find<QComboBox>("FormatBox")->currentData().toString(),
                  key == "font/format" ? "gfxfont" : "arduino");
        EXPECT_EQ(w.find<QComboBox>("HintingBox")->currentIndex(), key == "font/hinting" ? 0 : 1);
        EXPECT_EQ(w.find<QCheckBox>("CellAutoCheck")->isChecked(), key == "font/cell");
        EXPECT_TRUE(w.messages.texts.isEmpty());
    }
}

TEST(FontWindowTest, TheKeyboardReachesEveryControl) {
    if (!Installed(kDejaVu)) {
        GTEST_SKIP() << kDejaVu << " is not installed (fonts-dejavu-core)";
    }
    Window w;
    EXPECT_EQ(w.window->focusWidget(), w.find<QPushButton>("BrowseButton"))
        << "with no font yet, Browse first";
    w.choose(kDejaVu, {12, "0x30-0x39", "c", "14x18", "normal"});
    w.find<QLineEdit>("FontPathEdit")->setFocus();
    QStringList visited;
    for (int i = 0; i < 12; ++i) {
        visited << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    const QStringList expected{"FontPathEdit", "BrowseButton",  "SizeBox",      "CharsEdit",
                               "FormatBox",    "CellAutoCheck", "CellWidthBox", "CellHeightBox",
                               "HintingBox",   "SampleEdit",    "SaveButton",   "CancelButton"};
    EXPECT_EQ(visited, expected);

    // Enter saves: the file dialog opens, and its Cancel writes nothing.
    bool asked = false;
    WhenFileDialogOpens([&](QFileDialog& dialog) {
        asked = true;
        dialog.reject();
    });
    QTest::keyClick(w.find<QLineEdit>("SampleEdit"), Qt::Key_Return);
    EXPECT_TRUE(asked);
    EXPECT_TRUE(w.window->isVisible());
    EXPECT_TRUE(NothingBut(w.folder, "settings.ini"));
}

TEST(FontWindowTest, FitsASmallScreenAtTwiceTheScale) {
    Window w;
    const QSize minimum = w.window->minimumSizeHint().expandedTo(w.window->minimumSize());
    // 1280 x 800 at QT_SCALE_FACTOR=2, less a title bar and a panel.
    EXPECT_LE(minimum.width(), 640);
    EXPECT_LE(minimum.height(), 360);
}

} // namespace
} // namespace pelmora
