// The main window driven as a user drives it: through its named controls, with the
// mouse and the keyboard, reading what a user would see and the files on disk.

#include "core/conversion/plotter.h"
#include "preview/preview_window.h"
#include "support/fake_message_box.h"
#include "support/qt_helpers.h"
#include "support/test_pictures.h"
#include "ui/font_window.h"
#include "ui/main_window.h"
#include "ui/output_settings.h"
#include "ui/prepare_window.h"
#include "widgets/file_list.h"
#include "widgets/folder_list.h"
#include "widgets/picture_box.h"
#include "widgets/screen_fit.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QFontInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSettings>
#include <QShortcut>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace pelmora {
namespace {

using test::EncodeBmp;
using test::ExpectedLcdText;
using test::FakeMessageBox;
using test::Picture;
using test::ReadFile;
using test::ScratchFolder;
using test::WriteFile;

using test::Q;

struct Window {
    ScratchFolder folder;
    ConversionState state;
    FakeMessageBox messages;
    MainWindow form;

    explicit Window(double twipsPerPixel = 15) : form(state, messages, TwipsScale(twipsPerPixel)) {
        form.Init_Form(Q(folder.path()));
        form.show();
    }

    template <typename T = QWidget> T* get(const char* name) const {
        T* found = form.findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QString text(const char* name) const { return get<QLabel>(name)->text(); }
    bool enabled(const char* name) const { return get(name)->isEnabled(); }
    FileList* files() const { return get<FileList>("File1"); }

    void click(const char* name) { QTest::mouseClick(get(name), Qt::LeftButton); }

    // Opens the preview, presses Show and counts the dots that differ from a picture
    // converted Normal (palette entry 0 the dark dot) onto layout: a dark dot is black at
    // the top grey level and on e-paper, and dark on the panel's green at one bit; -1 when
    // no preview opened.
    int previewWrongDots(const Picture& picture, const PanelLayout& layout = {}) {
        const bool blackOnWhite = layout.depth > 1 || layout.colours != Colours::None;
        const Colour onColour = blackOnWhite ? MakeColour(0, 0, 0) : kOnDotColour;
        const Colour offColour = blackOnWhite ? MakeColour(255, 255, 255) : kOffDotColour;
        int wrong = -1;
        QTimer::singleShot(0, [&] {
            QWidget* preview = QApplication::activeModalWidget();
            ASSERT_NE(preview, nullptr);
            QTest::mouseClick(preview->findChild<QPushButton*>("ShowButton"), Qt::LeftButton);
            const auto* lcd = preview->findChild<PictureBox*>("LcdPic");
            wrong = 0;
            for (int y = 0; y < picture.height; ++y) {
                for (int x = 0; x < picture.width; ++x) {
                    const bool on = picture.at(x, y) == 0;
                    wrong += lcd->colourAt(x, y) != (on ? onColour : offColour);
                }
            }
            preview->close();
        });
        click("PreviewButton");
        return wrong;
    }

    // A double-click on a name in the file list, where the user would put the mouse.
    void doubleClick(const QString& name) {
        files()->setPath(files()->path()); // list files written since the folder was shown
        const QList<QListWidgetItem*> items = files()->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << name.toStdString();
        const QPoint centre = files()->visualItemRect(items.first()).center();
        QTest::mouseClick(files()->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(files()->viewport(), Qt::LeftButton, {}, centre);
    }

    void selectOnly(const QString& name) {
        files()->setPath(files()->path());
        ASSERT_TRUE(files()->selectFileName(name));
    }

    std::string outputText() const { return ReadFile(folder / "lcd_picture.txt"); }
};

void ExpectEmpty(const Window& w) {
    EXPECT_FALSE(w.enabled("ConvertButton"));
    EXPECT_FALSE(w.enabled("PreviewButton"));
    EXPECT_FALSE(w.enabled("InverseOption"));
    EXPECT_TRUE(w.get<QRadioButton>("NormalOption")->isChecked());
    EXPECT_FALSE(w.get<PictureBox>("PreviewPic")->hasPicture());
    for (const char* value :
         {"HeightValue", "WidthValue", "ColorValue", "StatusValue", "OutFileValue"}) {
        EXPECT_EQ(w.text(value), "") << value;
    }
    EXPECT_EQ(w.text("ProgressPer"), "0");
    EXPECT_EQ(w.state.outputPath, "");
}

void ExpectLoaded(const Window& w) {
    EXPECT_TRUE(w.enabled("ConvertButton"));
    EXPECT_FALSE(w.enabled("PreviewButton"));
    EXPECT_TRUE(w.enabled("InverseOption"));
    EXPECT_TRUE(w.get<QRadioButton>("NormalOption")->isChecked());
    EXPECT_EQ(w.text("HeightValue"), "64");
    EXPECT_EQ(w.text("WidthValue"), "128");
    EXPECT_EQ(w.text("ColorValue"), "1 Bits  (2 Colors)");
    EXPECT_EQ(w.text("StatusValue"), "");
    EXPECT_EQ(w.text("ProgressPer"), "0");
}

struct Place {
    const char* name;
    const char* container;
    QRect twips;
};

const Place kPlaces[] = {
    {"DriverLabel", "Form1", {360, 240, 615, 255}},
    {"Drive1", "Form1", {960, 240, 2295, 315}},
    {"DirLabel", "Form1", {360, 600, 975, 255}},
    {"Dir1", "Form1", {360, 900, 2895, 1665}},
    {"FileLabel", "Form1", {3480, 360, 1575, 255}},
    {"File1", "Form1", {3480, 720, 3135, 1845}},
    {"Frame1", "Form1", {360, 2640, 6255, 3015}},
    {"HeightLabel", "Frame1", {480, 240, 615, 255}},
    {"HeightValue", "Frame1", {1200, 240, 615, 285}},
    {"WidthLabel", "Frame1", {1920, 240, 615, 255}},
    {"WidthValue", "Frame1", {2640, 240, 615, 285}},
    {"ColorLabel", "Frame1", {3480, 240, 495, 255}},
    {"ColorValue", "Frame1", {4080, 240, 1935, 285}},
    {"Frame2", "Form1", {360, 5640, 6255, 1935}},
    {"Frame3", "Frame2", {240, 120, 4575, 735}},
    {"NormalOption", "Frame2", {480, 360, 975, 375}},
    {"InverseOption", "Frame2", {1560, 360, 975, 375}},
    {"ProgressLabel", "Frame2", {360, 1080, 735, 255}},
    {"ProgressPer", "Frame2", {1200, 1080, 375, 255}},
    {"PercentLabel", "Frame2", {1680, 1080, 255, 255}},
    {"StatusLabel", "Frame2", {2400, 1080, 615, 255}},
    {"StatusValue", "Frame2", {3120, 1080, 1095, 255}},
    {"OutFileLabel", "Frame2", {360, 1440, 855, 255}},
    {"OutFileValue", "Frame2", {1320, 1440, 4695, 375}},
    {"ConvertButton", "Form1", {3120, 6000, 855, 375}},
    {"PreviewButton", "Form1", {4080, 6000, 855, 375}},
    {"ResetButton", "Form1", {5520, 6000, 855, 375}},
    {"ExitButton", "Form1", {5520, 6480, 855, 375}},
    {"CopyRightLabel", "Form1", {360, 7680, 6255, 495}},
};

TEST(MainWindowLayout, EveryControlSitsInItsContainerWhereTheTwipsPutIt) {
    Window w;
    EXPECT_EQ(w.form.windowTitle(), "Pelmora-0.1");
    EXPECT_EQ(w.form.size(), QSize(466, 545));
    for (const Place& place : kPlaces) {
        QWidget* control = w.get(place.name);
        EXPECT_EQ(control->parentWidget()->objectName(), place.container) << place.name;
        const QRect& t = place.twips;
        EXPECT_EQ(control->geometry(),
                  QRect(t.x() / 15, t.y() / 15, t.width() / 15, t.height() / 15))
            << place.name;
    }
    EXPECT_EQ(w.get("PreviewPic")->geometry(), QRect(142, 76, 133, 69));
    // Later siblings are drawn above earlier ones.
    const QObjectList& top = w.form.children();
    EXPECT_GT(top.indexOf(w.get("ConvertButton")), top.indexOf(w.get("Frame2")));
    EXPECT_GT(top.indexOf(w.get("Frame2")), top.indexOf(w.get("Frame1")));
    EXPECT_EQ(w.get<QLabel>("HeightValue")->palette().color(QPalette::WindowText),
              QColor(0, 0, 192));
    EXPECT_EQ(w.get<QLabel>("OutFileValue")->palette().color(QPalette::WindowText),
              QColor(0, 128, 0));
    EXPECT_EQ(w.get<QLabel>("CopyRightLabel")->palette().color(QPalette::WindowText),
              QColor(64, 64, 64));
    EXPECT_EQ(w.text("CopyRightLabel").count("\r\n"), 1);
    ExpectEmpty(w);
}

TEST(MainWindowLayout, PreviewPicKeepsItsPixelSizeAndCentresAtOtherResolutions) {
    Window w(12);
    // Left 6255 / 2 - 133 x 12 / 2 = 2329.5; top (3015 + 300) / 2 - 69 x 12 / 2 = 1243.5.
    EXPECT_EQ(w.get("PreviewPic")->geometry(), QRect(194, 104, 133, 69));
    EXPECT_EQ(w.form.size(), QSize(583, 681));
}

TEST(MainWindowLayout, EveryCaptionAndValueFitsItsBox) {
    Window w;
    // The boxes were measured in the narrow font that the setup script installs.
    if (QFontInfo(w.form.font()).family() != "Liberation Sans Narrow") {
        GTEST_SKIP() << "fonts-liberation is not installed; the window uses "
                     << QFontInfo(w.form.font()).family().toStdString();
    }
    const std::map<std::string, QStringList> values = {{"HeightValue", {"64"}},
                                                       {"WidthValue", {"128"}},
                                                       {"ColorValue", {"1 Bits  (2 Colors)"}},
                                                       {"StatusValue", {"Successed", "Failed"}},
                                                       {"ProgressPer", {"100"}}};
    for (QLabel* label : w.form.findChildren<QLabel*>()) {
        const QStringList texts = values.count(label->objectName().toStdString())
                                      ? values.at(label->objectName().toStdString())
                                      : QStringList{label->text()};
        for (const QString& text : texts) {
            const QFontMetrics metrics(label->font());
            const QRect needed = metrics.boundingRect(QRect(0, 0, 10000, 10000), 0, text);
            EXPECT_LE(needed.width(), label->width()) << label->objectName().toStdString();
            EXPECT_LE(needed.height(), label->height()) << label->objectName().toStdString();
        }
    }
    for (QRadioButton* option : w.form.findChildren<QRadioButton*>()) {
        EXPECT_LE(option->sizeHint().width(), option->width()) << option->text().toStdString();
        EXPECT_FALSE(option->text().contains('&'));
    }
    for (QPushButton* button : w.form.findChildren<QPushButton*>()) {
        // Room for the caption inside the button's bevel.
        EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()) + 12, button->width())
            << button->text().toStdString();
        EXPECT_FALSE(button->text().contains('&'));
        EXPECT_FALSE(button->isDefault());
        EXPECT_FALSE(button->autoDefault());
    }
}

TEST(MainWindowLayout, TabGoesThroughTheControlsInTheirOrder) {
    Window w;
    for (const char* name : {"ConvertButton", "PreviewButton", "InverseOption"}) {
        w.get(name)->setEnabled(true); // disabled controls are skipped, as they should be
    }
    QApplication::setActiveWindow(&w.form);
    w.get("Drive1")->setFocus();
    QStringList order{w.get("Drive1")->objectName()};
    for (int i = 0; i < 9; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    // The two options are one group and so one stop; arrow keys move within it.
    EXPECT_EQ(order.mid(0, 8).join(' ').toStdString(),
              "Drive1 Dir1 File1 PreviewButton PreviewPic ConvertButton ResetButton ExitButton");
    EXPECT_TRUE(order[8] == "InverseOption" || order[8] == "NormalOption")
        << order[8].toStdString();
    EXPECT_EQ(order[9], "Drive1");
}

TEST(MainWindowWorkflow, TakeInConvertBothWaysAndPreview) {
    Window w;
    const Picture picture = test::RandomPicture(41);
    WriteFile(w.folder / "picture.bmp", EncodeBmp(picture, {.headerSize = 124}));
    w.doubleClick("picture.bmp");
    ExpectLoaded(w);
    EXPECT_TRUE(w.messages.texts.isEmpty());
    const auto* pic = w.get<PictureBox>("PreviewPic");
    EXPECT_EQ(pic->colourAt(0, 0), ColourOf(picture.at(0, 0) ? test::kWhite : test::kBlack));

    w.click("ConvertButton");
    EXPECT_EQ(w.outputText(), ExpectedLcdText(picture, 0));
    EXPECT_EQ(w.text("ProgressPer"), "100");
    EXPECT_EQ(w.text("StatusValue"), "Successed");
    EXPECT_EQ(w.text("OutFileValue"), Q(w.folder / "lcd_picture.txt"));
    EXPECT_TRUE(w.enabled("PreviewButton"));

    w.click("InverseOption");
    EXPECT_TRUE(w.get<QRadioButton>("InverseOption")->isChecked());
    EXPECT_FALSE(w.get<QRadioButton>("NormalOption")->isChecked());
    w.click("ConvertButton");
    EXPECT_EQ(w.outputText(), ExpectedLcdText(picture, 1));
    EXPECT_EQ(w.text("StatusValue"), "Successed");

    // Preview opens over the window, modally; Show plots the file just written.
    int wrong = -1;
    QString title;
    QTimer::singleShot(0, [&] {
        QWidget* preview = QApplication::activeModalWidget();
        ASSERT_NE(preview, nullptr);
        title = preview->windowTitle();
        QTest::mouseClick(preview->findChild<QPushButton*>("ShowButton"), Qt::LeftButton);
        const auto* lcd = preview->findChild<PictureBox*>("LcdPic");
        wrong = 0;
        for (int y = 0; y < kPanelHeight; ++y) {
            for (int x = 0; x < kPanelWidth; ++x) {
                wrong += lcd->colourAt(x, y) != (picture.at(x, y) ? kOnDotColour : kOffDotColour);
            }
        }
        preview->close();
    });
    w.click("PreviewButton");
    EXPECT_EQ(title, "LCD Preview");
    EXPECT_EQ(wrong, 0);

    w.click("ResetButton");
    ExpectEmpty(w);
}

// The preview is handed the panel and syntax that wrote the file: DB lines, raw bytes and
// Intel HEX state no layout, and the Output settings may have changed since.
TEST(MainWindowWorkflow, PreviewDrawsTheWrittenFileInEveryPanelAndSyntax) {
    std::vector<std::pair<std::string, PanelLayout>> panels;
    for (const PanelPreset& preset : PanelPresets()) {
        panels.emplace_back(preset.name, preset.layout);
    }
    panels.emplace_back("rows 100x30 lsb",
                        PanelLayout{100, 30, Arrangement::Rows, kBlockWidth, BitOrder::Lsb});
    panels.emplace_back("halves 192x64",
                        PanelLayout{192, 64, Arrangement::Halves, kBlockWidth, BitOrder::Lsb});
    Window w;
    unsigned seed = 40;
    for (const auto& [name, layout] : panels) {
        for (const Syntax* syntax : Syntaxes()) {
            if (syntax->onlyRowsLsb &&
                (layout.arrangement != Arrangement::Rows || layout.bitOrder != BitOrder::Lsb)) {
                continue;
            }
            SCOPED_TRACE(name + " in " + std::string(syntax->name));
            Picture picture;
            picture.width = layout.width;
            picture.height = layout.height;
            picture.index.assign(static_cast<std::size_t>(layout.width * layout.height), 0);
            std::mt19937 random(++seed);
            for (std::uint8_t& dot : picture.index) {
                dot = static_cast<std::uint8_t>(random() & 1);
            }
            test::BmpLayout size;
            size.width = layout.width;
            size.height = layout.height;
            WriteFile(w.folder / "picture.bmp", EncodeBmp(picture, size));
            w.form.setOutputChoice(OutputChoice{layout, syntax, {}, {}});
            w.messages.texts.clear(); // the last picture, of another size, refused
            w.doubleClick("picture.bmp");
            w.click("ConvertButton");
            ASSERT_EQ(w.text("StatusValue"), "Successed")
                << w.messages.texts.join("\n").toStdString();
            // Another choice since the conversion must not change what the file is read as.
            PanelLayout other = layout;
            other.bitOrder = layout.bitOrder == BitOrder::Lsb ? BitOrder::Msb : BitOrder::Lsb;
            w.form.setOutputChoice(
                OutputChoice{other, syntax->name == "db" ? FindSyntax("c") : nullptr, {}, {}});
            EXPECT_EQ(w.previewWrongDots(picture, layout), 0);
            EXPECT_TRUE(w.messages.texts.isEmpty()) << w.messages.texts.join("\n").toStdString();
        }
    }
}

void Press(QWidget& window, const QKeySequence& keys);

// Output settings' Compression choice drives Convert: the file is what pelmora-cli's
// --compress writes, the preview unpacks it (bin and ihex by the choice alone, as they
// carry no mark), and the choice outlives a restart.
TEST(MainWindowOutput, ConvertPacksAsChosenAndThePreviewUnpacksIt) {
    struct Row {
        const char* scheme;
        const char* preset;
    };
    const Row rows[] = {{"none", "ks0108"}, {"packbits", "ks0108"}, {"lzss", "ks0108"},
                        {"auto", "ks0108"}, {"lzss", "pcd8544"},    {"arduboy", "pcd8544"},
                        {"auto", "pcd8544"}};
    Window w;
    QSettings settings(Q(w.folder / "settings.ini"), QSettings::IniFormat);
    w.form.useSettings(&settings);
    std::filesystem::create_directory(w.folder / "cli");
    unsigned seed = 70;
    for (const Row& row : rows) {
        for (const char* syntax : {"c", "bin", "ihex"}) {
            SCOPED_TRACE(std::string(row.scheme) + " on " + row.preset + " in " + syntax);
            QTimer::singleShot(0, [&] {
                auto* dialog =
                    qobject_cast<OutputSettingsDialog*>(QApplication::activeModalWidget());
                ASSERT_NE(dialog, nullptr);
                auto* panel = dialog->findChild<QComboBox*>("PanelBox");
                panel->setCurrentIndex(panel->findData(row.preset));
                auto* syntaxBox = dialog->findChild<QComboBox*>("SyntaxBox");
                syntaxBox->setCurrentIndex(syntaxBox->findData(syntax));
                auto* compression = dialog->findChild<QComboBox*>("CompressionBox");
                ASSERT_NE(compression, nullptr);
                compression->setCurrentIndex(compression->findData(row.scheme));
                for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
                    if (button->text().remove('&') == "OK") {
                        EXPECT_TRUE(button->isEnabled());
                        QTest::mouseClick(button, Qt::LeftButton);
                    }
                }
            });
            Press(w.form, QKeySequence(Qt::CTRL | Qt::Key_Comma));
            ASSERT_EQ(NameOf(w.form.outputChoice().packing.scheme), row.scheme);
            const PanelLayout layout = w.form.outputChoice().panel();
            // Random dots in the left half and none in the right: something to pack.
            Picture picture;
            picture.width = layout.width;
            picture.height = layout.height;
            picture.index.assign(static_cast<std::size_t>(layout.width * layout.height), 1);
            std::mt19937 random(++seed);
            for (int y = 0; y < layout.height; ++y) {
                for (int x = 0; x < layout.width / 2; ++x) {
                    picture.index[static_cast<std::size_t>(y * layout.width + x)] =
                        static_cast<std::uint8_t>(random() & 1);
                }
            }
            test::BmpLayout size;
            size.width = layout.width;
            size.height = layout.height;
            WriteFile(w.folder / "picture.bmp", EncodeBmp(picture, size));
            w.messages.texts.clear(); // the last picture, of another size, refused
            w.doubleClick("picture.bmp");
            w.click("ConvertButton");
            ASSERT_EQ(w.text("StatusValue"), "Successed")
                << w.messages.texts.join("\n").toStdString();

            QProcess cli;
            cli.setWorkingDirectory(Q(w.folder.path()));
            cli.start(PELMORA_CLI,
                      {"convert", "--quiet", "--panel", row.preset, "--format", syntax,
                       "--compress", row.scheme, "--output-dir", "cli", "picture.bmp"});
            ASSERT_TRUE(cli.waitForFinished(30000));
            ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
            const std::filesystem::path written(w.state.outputPath);
            EXPECT_EQ(ReadFile(written), ReadFile(w.folder / "cli" / written.filename()));

            EXPECT_EQ(w.previewWrongDots(picture), 0);
            EXPECT_TRUE(w.messages.texts.isEmpty()) << w.messages.texts.join("\n").toStdString();
        }
    }
    // The packed file since cut short: the preview says so, naming the file.
    const std::string cut = ReadFile(w.state.outputPath).substr(0, 24) + "\n:00000001FF\n";
    WriteFile(w.state.outputPath, cut);
    QTimer::singleShot(0, [] {
        QWidget* preview = QApplication::activeModalWidget();
        ASSERT_NE(preview, nullptr);
        QTest::mouseClick(preview->findChild<QPushButton*>("ShowButton"), Qt::LeftButton);
        preview->close();
    });
    w.messages.texts.clear();
    w.click("PreviewButton");
    ASSERT_EQ(w.messages.texts.size(), 1);
    EXPECT_TRUE(w.messages.texts.front().startsWith(QString::fromStdString(w.state.outputPath)))
        << w.messages.texts.front().toStdString();
    settings.sync();
    Window again;
    again.form.useSettings(&settings);
    EXPECT_EQ(again.form.outputChoice().packing.scheme, Scheme::Auto);
    QString shown;
    QTimer::singleShot(0, [&shown] {
        auto* dialog = qobject_cast<OutputSettingsDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shown = dialog->findChild<QComboBox*>("CompressionBox")->currentData().toString();
        dialog->reject();
    });
    Press(again.form, QKeySequence(Qt::CTRL | Qt::Key_Comma));
    EXPECT_EQ(shown, "auto") << "after a restart";
}

TEST(MainWindowWorkflow, EnterInTheFileListTakesTheSelectedBitmapIn) {
    Window w;
    WriteFile(w.folder / "picture.bmp", EncodeBmp(Picture{}));
    w.selectOnly("picture.bmp");
    QTest::keyClick(w.files(), Qt::Key_Return);
    ExpectLoaded(w);
}

TEST(MainWindowWorkflow, ARejectedBitmapIsExplainedAndEmptiesTheWindow) {
    Window w;
    WriteFile(w.folder / "picture.bmp", EncodeBmp(Picture{}));
    WriteFile(w.folder / "deep.bmp", EncodeBmp(Picture{}, {.bitCount = 8}));
    w.doubleClick("picture.bmp");
    w.click("ConvertButton");
    w.doubleClick("deep.bmp");
    ASSERT_EQ(w.messages.texts.size(), 1);
    EXPECT_EQ(w.messages.titles.front(), "Picture Size Error");
    EXPECT_EQ(w.messages.texts.front(),
              "Picture Resolution is limit to 128 x 64 pixels (Width x Height) and \r\n"
              "2 Colors Bitmap.");
    ExpectEmpty(w);
}

TEST(MainWindowWorkflow, TheOutputIsNamedAfterThePictureTakenInNotTheSelection) {
    Window w;
    const Picture picture = test::RandomPicture(5);
    WriteFile(w.folder / "picture.bmp", EncodeBmp(picture));
    WriteFile(w.folder / "other.bmp", EncodeBmp(Picture{}));
    WriteFile(w.folder / "lcd_other.txt", "the other picture's own output");
    w.doubleClick("picture.bmp");
    w.selectOnly("other.bmp");
    w.click("ConvertButton");
    EXPECT_EQ(w.outputText(), ExpectedLcdText(picture, 0));
    EXPECT_EQ(ReadFile(w.folder / "lcd_other.txt"), "the other picture's own output");

    // Nothing selected at all: still named after the picture.
    w.files()->clearSelection();
    w.click("ConvertButton");
    EXPECT_FALSE(std::filesystem::exists(w.folder / "lcd_"));
    EXPECT_EQ(w.text("StatusValue"), "Successed");
}

TEST(MainWindowWorkflow, ConvertWritesIntoTheFolderShownNow) {
    Window w;
    const Picture picture = test::RandomPicture(6);
    WriteFile(w.folder / "picture.bmp", EncodeBmp(picture));
    std::filesystem::create_directory(w.folder / "elsewhere");
    w.doubleClick("picture.bmp");
    ASSERT_TRUE(w.get<FolderList>("Dir1")->setPath(Q(w.folder / "elsewhere")));
    ExpectLoaded(w); // changing folders alone changes nothing else
    w.click("ConvertButton");
    EXPECT_EQ(ReadFile(w.folder / "elsewhere" / "lcd_picture.txt"), ExpectedLcdText(picture, 0));
    EXPECT_EQ(w.text("OutFileValue"), Q(w.folder / "elsewhere" / "lcd_picture.txt"));
}

TEST(MainWindowWorkflow, AFileThatCannotBeReadLeavesTheWindowAsItWas) {
    Window w;
    WriteFile(w.folder / "picture.bmp", EncodeBmp(Picture{}));
    WriteFile(w.folder / "vanishing.bmp", EncodeBmp(Picture{}));
    w.doubleClick("picture.bmp");
    w.selectOnly("vanishing.bmp");
    std::filesystem::remove(w.folder / "vanishing.bmp");
    QTest::keyClick(w.files(), Qt::Key_Return);
    ASSERT_EQ(w.messages.texts.size(), 1);
    EXPECT_EQ(w.messages.texts.front(), "vanishing.bmp cannot be read: No such file or directory");
    ExpectLoaded(w);
    EXPECT_TRUE(w.get<PictureBox>("PreviewPic")->hasPicture());
    EXPECT_EQ(w.state.outputPath, (w.folder / "lcd_picture.txt").string());
}

TEST(MainWindowWorkflow, AFileThatCannotBeWrittenFailsAndKeepsWhatWasThere) {
    Window w;
    WriteFile(w.folder / "picture.bmp", EncodeBmp(Picture{}));
    w.doubleClick("picture.bmp");
    w.click("ConvertButton");
    const std::string first = w.outputText();
    std::filesystem::rename(w.folder / "lcd_picture.txt", w.folder / "kept.txt");
    std::filesystem::create_directory(w.folder / "lcd_picture.txt");

    w.click("ConvertButton");
    EXPECT_EQ(w.text("StatusValue"), "Failed");
    EXPECT_EQ(w.text("OutFileValue"), "");
    EXPECT_FALSE(w.enabled("PreviewButton"));
    ASSERT_EQ(w.messages.texts.size(), 1);
    EXPECT_EQ(w.messages.texts.front(), "The file " + Q(w.folder / "lcd_picture.txt") +
                                            " could not be written: Is a directory");
    EXPECT_EQ(ReadFile(w.folder / "kept.txt"), first);
    EXPECT_EQ(w.folder.names(),
              (std::vector<std::string>{"kept.txt", "lcd_picture.txt", "picture.bmp"}));
}

TEST(MainWindowBrowser, TheFileListFollowsTheFolderAndPicksUpNewBitmaps) {
    Window w;
    std::filesystem::create_directory(w.folder / "sub");
    WriteFile(w.folder / "sub" / "B.BMP", EncodeBmp(Picture{}));
    WriteFile(w.folder / "sub" / "a.bmp", EncodeBmp(Picture{}));
    WriteFile(w.folder / "sub" / "notes.txt", "not a bitmap");
    ASSERT_TRUE(w.get<FolderList>("Dir1")->setPath(Q(w.folder / "sub")));
    EXPECT_EQ(w.files()->path(), Q(w.folder / "sub"));
    EXPECT_EQ(w.files()->count(), 2);
    EXPECT_EQ(w.files()->item(0)->text(), "a.bmp");
    EXPECT_EQ(w.files()->item(1)->text(), "B.BMP");

    WriteFile(w.folder / "sub" / "c.Bmp", EncodeBmp(Picture{}));
    std::filesystem::remove(w.folder / "sub" / "a.bmp");
    for (int waited = 0; waited < 5000 && w.files()->findItems("c.Bmp", Qt::MatchExactly).isEmpty();
         waited += 20) {
        QTest::qWait(20);
    }
    EXPECT_EQ(w.files()->count(), 2);
    EXPECT_EQ(w.files()->item(1)->text(), "c.Bmp");
}

TEST(MainWindowBrowser, AnArgumentOrADropOpensAFolderOrTakesABitmapIn) {
    Window w;
    std::filesystem::create_directory(w.folder / "in");
    WriteFile(w.folder / "in" / "picture.bmp", EncodeBmp(Picture{}));
    w.form.OpenPath(Q(w.folder / "in"));
    EXPECT_EQ(w.files()->path(), Q(w.folder / "in"));
    ExpectEmpty(w);

    w.get<FolderList>("Dir1")->setPath(Q(w.folder.path()));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(Q(w.folder / "in" / "picture.bmp"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w.form, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w.form, &drop);
    EXPECT_EQ(w.files()->path(), Q(w.folder / "in"));
    EXPECT_EQ(w.files()->selectedFileName(), "picture.bmp");
    ExpectLoaded(w);

    w.form.OpenPath(Q(w.folder / "missing.bmp"));
    ASSERT_EQ(w.messages.texts.size(), 1);
    EXPECT_EQ(w.messages.texts.front(), Q(w.folder / "missing.bmp") + " does not exist.");
    ExpectLoaded(w);
}

TEST(MainWindowWorkflow, ExitClosesTheWindow) {
    Window w;
    ASSERT_TRUE(w.form.isVisible());
    w.click("ExitButton");
    EXPECT_FALSE(w.form.isVisible());
}

// Right click, Output settings..., a preset and a syntax: Convert writes that file, and the
// settings come back in the next window.
TEST(MainWindowOutput, TheChosenPanelAndSyntaxAreWhatConvertWritesAndAreRemembered) {
    Window w;
    const QString store = Q(w.folder / "settings.ini");
    QSettings settings(store, QSettings::IniFormat);
    w.form.useSettings(&settings);
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<OutputSettingsDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QComboBox*>("PanelBox")->setCurrentText("PCD8544 84 x 48");
        auto* syntax = dialog->findChild<QComboBox*>("SyntaxBox");
        syntax->setCurrentIndex(syntax->findData("c"));
        EXPECT_TRUE(dialog->findChild<QLabel*>("ExampleValue")->text().contains("0xff"));
        dialog->accept();
    });
    // Offscreen windows never become active, so the key press cannot reach the shortcut:
    // find the shortcut by its keys and fire it as the key would.
    QShortcut* shortcut = nullptr;
    for (auto* candidate : w.form.findChildren<QShortcut*>()) {
        if (candidate->key() == QKeySequence(Qt::CTRL | Qt::Key_Comma))
            shortcut = candidate;
    }
    ASSERT_NE(shortcut, nullptr);
    emit shortcut->activated();
    ASSERT_EQ(w.form.outputChoice().syntaxOrDefault().name, "c");

    Picture picture;
    picture.width = 84;
    picture.height = 48;
    picture.index.assign(84 * 48, 1);
    picture.set(0, 0, 0);
    WriteFile(w.folder / "picture.bmp", EncodeBmp(picture, {.width = 84, .height = 48}));
    w.doubleClick("picture.bmp");
    ASSERT_TRUE(w.enabled("ConvertButton")) << w.messages.texts.join("|").toStdString();
    w.click("ConvertButton");
    EXPECT_EQ(w.text("StatusValue"), "Successed");
    const std::string header = ReadFile(w.folder / "lcd_picture.h");
    EXPECT_NE(header.find("const uint8_t lcd_picture[504] PROGMEM = {\n    0x01, 0x00,"),
              std::string::npos);
    EXPECT_TRUE(w.text("OutFileValue").endsWith("lcd_picture.h"));

    Window again;
    again.form.useSettings(&settings);
    EXPECT_EQ(again.form.outputChoice().layout->width, 84);
    EXPECT_EQ(again.form.outputChoice().syntaxOrDefault().name, "c");
}

// A picture taken in for one panel meets another once Output settings change: it is
// refused as a bitmap of the wrong size is, and nothing is written.
TEST(MainWindowOutput, APanelOfAnotherSizeRefusesThePictureTakenIn) {
    const PanelLayout pcd8544{84, 48, Arrangement::Pages, 84, BitOrder::Lsb};
    const PanelLayout halves;
    struct Case {
        const char* name;
        PanelLayout before;
        PanelLayout after;
        const char* refusal;
    };
    for (const Case& c : {
             Case{"two halves, then a PCD8544", halves, pcd8544,
                  "Picture Resolution is limit to 84 x 48 pixels (Width x Height) and \r\n"
                  "2 Colors Bitmap."},
             Case{"a PCD8544, then two halves", pcd8544, halves,
                  "Picture Resolution is limit to 128 x 64 pixels (Width x Height) and \r\n"
                  "2 Colors Bitmap."},
             Case{"192 columns", halves,
                  PanelLayout{192, 64, Arrangement::Halves, 64, BitOrder::Lsb},
                  "Picture Resolution is limit to 192 x 64 pixels (Width x Height) and \r\n"
                  "2 Colors Bitmap."},
         }) {
        SCOPED_TRACE(c.name);
        Window w;
        OutputChoice choice;
        choice.layout = c.before;
        w.form.setOutputChoice(choice);
        Picture picture;
        picture.width = c.before.width;
        picture.height = c.before.height;
        picture.index.assign(static_cast<std::size_t>(picture.width * picture.height), 1);
        WriteFile(w.folder / "picture.bmp",
                  EncodeBmp(picture, {.width = picture.width, .height = picture.height}));
        w.doubleClick("picture.bmp");
        w.click("ConvertButton");
        ASSERT_EQ(w.text("StatusValue"), "Successed");
        const std::string written = w.outputText();

        choice.layout = c.after;
        w.form.setOutputChoice(choice);
        ASSERT_EQ(w.messages.texts.size(), 1);
        EXPECT_EQ(w.messages.titles.front(), "Picture Size Error");
        EXPECT_EQ(w.messages.texts.front().toStdString(), c.refusal);
        ExpectEmpty(w);
        EXPECT_EQ(w.outputText(), written);
    }
}

// Fires the window's shortcut for keys: offscreen windows never become active, so a key
// press cannot reach it.
void Press(QWidget& window, const QKeySequence& keys) {
    for (auto* shortcut : window.findChildren<QShortcut*>()) {
        if (shortcut->key() == keys) {
            emit shortcut->activated();
            return;
        }
    }
    ADD_FAILURE() << "no shortcut " << keys.toString().toStdString();
}

// A 1280 x 800 screen at each scale, as the windows lay themselves out on it: the main
// window keeps its twips in proportion and fits, and every dialog fits with its buttons.
TEST(MainWindowScreen, EveryWindowFitsA1280By800ScreenAtEveryScale) {
    struct Scale {
        const char* name;
        double factor;
    };
    for (const Scale& scale : {Scale{"1", 1.0}, Scale{"1.5", 1.5}, Scale{"2", 2.0}}) {
        SCOPED_TRACE(scale.name);
        const QRect available(0, 0, static_cast<int>(1280 / scale.factor),
                              static_cast<int>(800 / scale.factor));
        const QSize room = available.size() - QSize(16, kFrameAllowance);
        const TwipsScale fitted = ScaleToFit(TwipsScale(15), MainWindow::twipsSize(), room);
        ConversionState state;
        FakeMessageBox messages;
        MainWindow form(state, messages, fitted);
        EXPECT_LE(form.width(), room.width());
        EXPECT_LE(form.height(), room.height());
        for (const Place& place : kPlaces) {
            const QRect& t = place.twips;
            EXPECT_EQ(form.findChild<QWidget*>(place.name)->geometry(),
                      fitted.rect(t.x(), t.y(), t.width(), t.height()))
                << place.name;
        }
        if (scale.factor == 1.0) {
            EXPECT_EQ(form.size(), QSize(466, 545)) << "the twips as they were where they fit";
        }
        // Placed in the middle, or where it was left, it lies wholly on the screen.
        for (const QPoint& left : {QPoint(-300, -56), QPoint(2000, 900), QPoint(10, 10)}) {
            const QRect frame(left, form.size() + QSize(0, kFrameAllowance));
            EXPECT_TRUE(available.contains(PlaceInside(frame, available)))
                << left.x() << "," << left.y();
        }

        // Each dialog at its smallest: within the room, every button inside it.
        const auto fits = [&](QWidget& dialog, const char* name) {
            dialog.resize(dialog.minimumSizeHint().expandedTo(dialog.minimumSize()));
            dialog.show();
            EXPECT_LE(dialog.width(), room.width()) << name;
            EXPECT_LE(dialog.height(), room.height()) << name;
            for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) {
                if (button->isVisibleTo(&dialog) &&
                    !button->parentWidget()->inherits("QScrollArea") &&
                    qobject_cast<QDialogButtonBox*>(button->parentWidget()) != nullptr) {
                    const QRect place(button->mapTo(&dialog, QPoint()), button->size());
                    EXPECT_TRUE(dialog.rect().contains(place))
                        << name << " " << button->text().toStdString();
                }
            }
        };
        OutputSettingsDialog settings(OutputChoice{});
        fits(settings, "Output settings");
        RgbaPicture photo;
        photo.width = 640;
        photo.height = 480;
        photo.rgba.assign(640U * 480U * 4U, 200);
        PrepareWindow prepare("/tmp/photo.png", photo, 128, 64, PrepareOptions{}, messages);
        fits(prepare, "Prepare picture");
        PreviewWindow preview(state, messages, fitted);
        EXPECT_LE(preview.width(), room.width());
        EXPECT_LE(preview.height(), room.height());
    }
}

// The menu key opens the context menu: every action there, each with its shortcut, none
// with an access key; Copy output only once there is output, the recent pictures below.
TEST(MainWindowKeyboard, TheMenuKeyReachesEveryActionWithItsShortcut) {
    Window w;
    WriteFile(w.folder / "picture.bmp", EncodeBmp(Picture{}));
    w.doubleClick("picture.bmp");
    w.click("ConvertButton");
    QStringList entries;
    QStringList recent;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions()) {
            if (action->isSeparator()) {
                continue;
            }
            EXPECT_FALSE(action->text().contains('&')) << action->text().toStdString();
            entries << action->text() + (action->isEnabled() ? "" : " (off)") +
                           (action->shortcut().isEmpty()
                                ? QString()
                                : " " + action->shortcut().toString(QKeySequence::PortableText));
            if (action->menu() != nullptr) {
                for (QAction* picture : action->menu()->actions()) {
                    recent << picture->text();
                }
            }
        }
        menu->close();
    });
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(10, 10),
                          w.form.mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(&w.form, &key);
    EXPECT_EQ(entries.join(" | ").toStdString(),
              "Output settings… Ctrl+, | Open picture… Ctrl+O | Prepare picture… Ctrl+P "
              "| Make font… Ctrl+F | Recent pictures | Copy output Ctrl+Shift+C | About Pelmora");
    EXPECT_EQ(recent, QStringList{Q(w.folder / "picture.bmp")});
}

TEST(MainWindowKeyboard, CtrlFOpensMakeFontForThePanelOfOutputSettings) {
    Window w;
    bool opened = false;
    QTimer::singleShot(0, [&opened] {
        auto* window = qobject_cast<FontWindow*>(QApplication::activeModalWidget());
        opened = window != nullptr;
        if (window != nullptr) {
            window->reject();
        }
    });
    Press(w.form, QKeySequence(Qt::CTRL | Qt::Key_F));
    EXPECT_TRUE(opened);
}

// Tab goes round each dialog through controls that show their focus: no scroll area or
// label takes it unseen; each opens with the focus on its first choice.
TEST(MainWindowKeyboard, EveryTabStopOfTheDialogsIsAControlThatShowsItsFocus) {
    FakeMessageBox messages;
    OutputSettingsDialog settings(OutputChoice{});
    RgbaPicture photo;
    photo.width = 40;
    photo.height = 30;
    photo.rgba.assign(40U * 30U * 4U, 128);
    PrepareWindow prepare("/tmp/photo.png", photo, 128, 64, PrepareOptions{}, messages);
    struct Dialog {
        const char* name;
        QDialog* dialog;
        const char* first;
    };
    for (const Dialog& d : {Dialog{"Output settings", &settings, "SyntaxBox"},
                            Dialog{"Prepare picture", &prepare, "FitBox"}}) {
        SCOPED_TRACE(d.name);
        d.dialog->show();
        QApplication::setActiveWindow(d.dialog);
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), d.first);
        QStringList seen;
        for (int i = 0; i < 30; ++i) {
            QWidget* focused = QApplication::focusWidget();
            ASSERT_NE(focused, nullptr);
            EXPECT_FALSE(focused->inherits("QAbstractScrollArea") || focused->inherits("QLabel") ||
                         QString(focused->metaObject()->className()) == "QWidget")
                << focused->metaObject()->className();
            seen << focused->metaObject()->className();
            QTest::keyClick(focused, Qt::Key_Tab);
        }
        EXPECT_TRUE(seen.contains("QPushButton")) << seen.join(' ').toStdString();
        d.dialog->hide();
    }
}

TEST(MainWindowKeyboard, EnterOnAFocusedButtonPressesIt) {
    Window w;
    const Picture picture = test::RandomPicture(12);
    WriteFile(w.folder / "picture.bmp", EncodeBmp(picture));
    w.doubleClick("picture.bmp");
    QTest::keyClick(w.get("ConvertButton"), Qt::Key_Return);
    EXPECT_EQ(w.text("StatusValue"), "Successed");
    EXPECT_EQ(w.outputText(), ExpectedLcdText(picture, 0));
    QTest::keyClick(w.get("ResetButton"), Qt::Key_Enter);
    ExpectEmpty(w);
    // A disabled button stays so.
    QTest::keyClick(w.get("ConvertButton"), Qt::Key_Return);
    EXPECT_EQ(w.text("StatusValue"), "");
}

TEST(MainWindowKeyboard, TheFileListStartsWithTheFocusAndFindsANameAsItIsTyped) {
    Window w;
    for (const char* name : {"apple.bmp", "banana.bmp", "berry.bmp"}) {
        WriteFile(w.folder / name, EncodeBmp(Picture{}));
    }
    w.files()->setPath(w.files()->path());
    EXPECT_EQ(w.form.focusWidget(), w.files());
    QTest::keyClicks(w.files(), "be");
    ASSERT_NE(w.files()->currentItem(), nullptr);
    EXPECT_EQ(w.files()->currentItem()->text(), "berry.bmp");
}

TEST(MainWindowClipboard, CopyOutputPutsTheWrittenTextAndItsFileOnTheClipboard) {
    Window w;
    const Picture picture = test::RandomPicture(13);
    WriteFile(w.folder / "picture.bmp", EncodeBmp(picture));
    w.doubleClick("picture.bmp");
    QGuiApplication::clipboard()->clear();
    Press(w.form, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "") << "nothing before a conversion";
    w.click("ConvertButton");
    Press(w.form, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text().toStdString(), w.outputText());
    ASSERT_EQ(data->urls().size(), 1);
    EXPECT_EQ(data->urls().first(), QUrl::fromLocalFile(Q(w.folder / "lcd_picture.txt")));
}

// What a user chose comes back in the next window: the folder (while it exists), the recent
// pictures and the place on the screen; a first start has none of them. Inverse does not:
// a picture taken in is converted Normal until Inverse is chosen for it.
TEST(MainWindowRemembers, FolderRecentPicturesAndPlaceButNotInverseAcrossARestart) {
    ScratchFolder store;
    QSettings settings(Q(store / "settings.ini"), QSettings::IniFormat);
    const Picture picture = test::RandomPicture(14);
    std::string sub;
    {
        Window w;
        w.form.useSettings(&settings);
        EXPECT_EQ(w.form.rememberedFolder(), "") << "a first start opens the start folder";
        std::filesystem::create_directory(w.folder / "sub");
        sub = (w.folder / "sub").string();
        WriteFile(w.folder / "sub" / "picture.bmp", EncodeBmp(picture));
        ASSERT_TRUE(w.get<FolderList>("Dir1")->setPath(Q(w.folder / "sub")));
        w.doubleClick("picture.bmp");
        w.click("InverseOption");
        w.click("ConvertButton");
        EXPECT_EQ(ReadFile(w.folder / "sub" / "lcd_picture.txt"), ExpectedLcdText(picture, 1));
        w.form.move(40, 30);
        w.form.close();
        settings.sync();

        Window again;
        again.form.useSettings(&settings);
        EXPECT_EQ(again.form.rememberedFolder(), QString::fromStdString(sub));
        again.form.Init_Form(again.form.rememberedFolder());
        EXPECT_EQ(again.files()->path(), QString::fromStdString(sub));
        EXPECT_EQ(again.form.recentPictures(), QStringList{Q(w.folder / "sub" / "picture.bmp")});
        again.doubleClick("picture.bmp");
        EXPECT_TRUE(again.get<QRadioButton>("NormalOption")->isChecked());
        again.click("ConvertButton");
        EXPECT_EQ(ReadFile(w.folder / "sub" / "lcd_picture.txt"), ExpectedLcdText(picture, 0));
        // Nor does Inverse chosen for one picture carry over to the next taken in.
        again.click("InverseOption");
        again.doubleClick("picture.bmp");
        EXPECT_TRUE(again.get<QRadioButton>("NormalOption")->isChecked());
        again.form.placeOnScreen();
        EXPECT_EQ(again.form.pos(), QPoint(40, 30));
    }
    // The folder is gone: the start folder again, not an error.
    Window later;
    later.form.useSettings(&settings);
    EXPECT_EQ(later.form.rememberedFolder(), "");
}

TEST(MainWindowRemembers, RecentPicturesKeepTheLastEightNewestFirst) {
    Window w;
    QSettings settings(Q(w.folder / "settings.ini"), QSettings::IniFormat);
    w.form.useSettings(&settings);
    for (int i = 0; i < 10; ++i) {
        WriteFile(w.folder / ("p" + std::to_string(i) + ".bmp"), EncodeBmp(Picture{}));
    }
    for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 3}) {
        w.doubleClick(QString("p%1.bmp").arg(i));
    }
    QStringList expected;
    for (int i : {3, 9, 8, 7, 6, 5, 4, 2}) {
        expected << Q(w.folder / ("p" + std::to_string(i) + ".bmp"));
    }
    EXPECT_EQ(w.form.recentPictures(), expected);
}

// ST7565 and SSD1306 share a layout: the name tells them apart; changing a value makes it
// Custom; the dialog keeps its size and shows the whole first line it writes.
TEST(MainWindowOutput, PresetsAreToldApartCustomFollowsAChangeAndTheDialogKeepsItsSize) {
    Window w;
    QSettings settings(Q(w.folder / "settings.ini"), QSettings::IniFormat);
    w.form.useSettings(&settings);
    QString shownAgain;
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<OutputSettingsDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* panel = dialog->findChild<QComboBox*>("PanelBox");
        panel->setCurrentIndex(panel->findData("st7565"));
        const QSize size = dialog->size();
        auto* syntax = dialog->findChild<QComboBox*>("SyntaxBox");
        for (int i = 0; i < syntax->count(); ++i) {
            syntax->setCurrentIndex(i);
            QApplication::processEvents();
            EXPECT_EQ(dialog->size(), size) << syntax->currentText().toStdString();
            const QString example = dialog->findChild<QLabel*>("ExampleValue")->text();
            EXPECT_FALSE(example.contains(QChar(0x2026))) << example.toStdString();
        }
        syntax->setCurrentIndex(syntax->findData("c"));
        EXPECT_EQ(panel->currentData().toString(), "st7565");
        dialog->accept();
    });
    Press(w.form, QKeySequence(Qt::CTRL | Qt::Key_Comma));
    QTimer::singleShot(0, [&shownAgain] {
        auto* dialog = qobject_cast<OutputSettingsDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* panel = dialog->findChild<QComboBox*>("PanelBox");
        shownAgain = panel->currentData().toString();
        dialog->findChild<QSpinBox*>("WidthBox")->setValue(120);
        EXPECT_EQ(panel->currentText(), "Custom");
        dialog->findChild<QSpinBox*>("WidthBox")->setValue(128);
        EXPECT_EQ(panel->currentText(), "Custom") << "Custom, once it is, stays";
        dialog->reject();
    });
    Press(w.form, QKeySequence(Qt::CTRL | Qt::Key_Comma));
    EXPECT_EQ(shownAgain, "st7565");
    settings.sync();
    EXPECT_EQ(LoadPanelPresetName(settings), "st7565");
    Window again;
    again.form.useSettings(&settings);
    QTimer::singleShot(0, [&shownAgain] {
        auto* dialog = qobject_cast<OutputSettingsDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shownAgain = dialog->findChild<QComboBox*>("PanelBox")->currentData().toString();
        dialog->reject();
    });
    Press(again.form, QKeySequence(Qt::CTRL | Qt::Key_Comma));
    EXPECT_EQ(shownAgain, "st7565") << "after a restart too";
}

} // namespace
} // namespace pelmora
