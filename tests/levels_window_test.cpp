// The windows with panels beyond one bit: Output settings' depth, colours, mask and RAM,
// Convert and Prepare picture on such panels, and the preview drawing levels, e-paper
// colours and masks from the file written.

#include "core/frames/frames.h"
#include "core/panel/panel_dots.h"
#include "core/panel/presets.h"
#include "picture_helper/picture_source.h"
#include "preview/preview_window.h"
#include "support/fake_message_box.h"
#include "support/qt_helpers.h"
#include "support/test_pictures.h"
#include "ui/main_window.h"
#include "ui/output_settings.h"
#include "ui/prepare_window.h"
#include "widgets/file_list.h"
#include "widgets/folder_list.h"
#include "widgets/picture_box.h"

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace pelmora {
namespace {

using test::EncodeBmp;
using test::FakeMessageBox;
using test::Picture;
using test::Q;
using test::ReadFile;
using test::ScratchFolder;
using test::WriteFile;

// The colour a dot at level must show, from the definitions: evenly spaced greys from
// white, e-paper white, black and red or yellow, one bit dark on the panel's green.
Colour Expected(const PanelLayout& layout, int level) {
    if (layout.colours != Colours::None) {
        const Colour ink =
            layout.colours == Colours::BlackRed ? MakeColour(255, 0, 0) : MakeColour(255, 255, 0);
        return level == 0 ? MakeColour(255, 255, 255) : level == 1 ? MakeColour(0, 0, 0) : ink;
    }
    if (layout.depth > 1) {
        const int top = (1 << layout.depth) - 1;
        const int grey = 255 - level * 255 / top;
        return MakeColour(grey, grey, grey);
    }
    return level != 0 ? MakeColour(0, 0, 0) : MakeColour(0, 128, 0);
}

OutputSettingsDialog* OpenDialog() {
    return qobject_cast<OutputSettingsDialog*>(QApplication::activeModalWidget());
}

QPushButton* OkOf(QWidget& dialog) {
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->text().remove('&') == "OK") {
            return button;
        }
    }
    ADD_FAILURE() << "no OK";
    return nullptr;
}

void Press(QWidget& window, const QKeySequence& keys) {
    for (auto* shortcut : window.findChildren<QShortcut*>()) {
        if (shortcut->key() == keys) {
            emit shortcut->activated();
            return;
        }
    }
    ADD_FAILURE() << "no shortcut " << keys.toString().toStdString();
}

struct Window {
    ScratchFolder folder;
    ConversionState state;
    FakeMessageBox messages;
    MainWindow form{state, messages, TwipsScale(15)};
    QSettings settings{Q(folder / "settings.ini"), QSettings::IniFormat};

    Window() {
        form.Init_Form(Q(folder.path()));
        form.useSettings(&settings);
        form.show();
    }
    template <typename T = QWidget> T* get(const char* name) const {
        T* found = form.findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    // Output settings opened by Ctrl+comma, the preset picked from its list, the syntax
    // chosen and OK clicked.
    void choose(const char* preset, const char* syntax) {
        QTimer::singleShot(0, [&] {
            OutputSettingsDialog* dialog = OpenDialog();
            ASSERT_NE(dialog, nullptr);
            auto* panel = dialog->findChild<QComboBox*>("PanelBox");
            panel->setCurrentIndex(panel->findData(preset));
            auto* syntaxBox = dialog->findChild<QComboBox*>("SyntaxBox");
            syntaxBox->setCurrentIndex(syntaxBox->findData(syntax));
            QPushButton* ok = OkOf(*dialog);
            ASSERT_TRUE(ok != nullptr && ok->isEnabled())
                << dialog->findChild<QLabel*>("ProblemValue")->text().toStdString();
            QTest::mouseClick(ok, Qt::LeftButton);
        });
        Press(form, QKeySequence(Qt::CTRL | Qt::Key_Comma));
    }
    void takeIn(const std::string& name) {
        auto* files = get<FileList>("File1");
        files->setPath(files->path());
        ASSERT_TRUE(files->selectFileName(QString::fromStdString(name)));
        form.TakeInBitmap();
    }
    // The preview opened, Show pressed, and each of its dots' colours, row by row.
    std::vector<Colour> previewColours(const PanelLayout& layout) {
        std::vector<Colour> colours;
        QTimer::singleShot(0, [&] {
            QWidget* preview = QApplication::activeModalWidget();
            ASSERT_NE(preview, nullptr);
            QTest::mouseClick(preview->findChild<QPushButton*>("ShowButton"), Qt::LeftButton);
            const auto* lcd = preview->findChild<PictureBox*>("LcdPic");
            for (int y = 0; y < layout.height; ++y) {
                for (int x = 0; x < layout.width; ++x) {
                    colours.push_back(lcd->colourAt(x, y));
                }
            }
            preview->close();
        });
        QTest::mouseClick(get("PreviewButton"), Qt::LeftButton);
        return colours;
    }
};

// Every preset beyond one bit fills every field; OK keeps it, the byte count names the
// planes; the choice outlives a restart, preset name and all.
TEST(LevelsOutputSettings, PresetsFillEveryFieldAndAreRemembered) {
    const char* const names[] = {"ssd1322", "ssd1325",   "ssd1327",         "st7528",
                                 "uc1610",  "gxepd2-3c", "adafruit-epd-3c", "sh1106-ram"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const PanelPreset* preset = FindPanelPreset(name);
        ASSERT_NE(preset, nullptr);
        ScratchFolder folder;
        QSettings settings(Q(folder / "settings.ini"), QSettings::IniFormat);
        {
            ConversionState state;
            FakeMessageBox messages;
            MainWindow form(state, messages, TwipsScale(15));
            form.useSettings(&settings);
            QString bytes;
            QTimer::singleShot(0, [&] {
                OutputSettingsDialog* dialog = OpenDialog();
                ASSERT_NE(dialog, nullptr);
                auto* panel = dialog->findChild<QComboBox*>("PanelBox");
                panel->setCurrentIndex(panel->findData(name));
                EXPECT_EQ(dialog->choice().panel(), preset->layout);
                bytes = dialog->findChild<QLabel*>("BytesValue")->text();
                QTest::mouseClick(OkOf(*dialog), Qt::LeftButton);
            });
            Press(form, QKeySequence(Qt::CTRL | Qt::Key_Comma));
            EXPECT_EQ(form.outputChoice().panel(), preset->layout);
            EXPECT_TRUE(bytes.startsWith(QString("%1 bytes").arg(preset->layout.byteCount())))
                << bytes.toStdString();
            if (preset->layout.colours != Colours::None) {
                EXPECT_TRUE(
                    bytes.contains(QString("%1 black, %1 colour").arg(preset->layout.planeBytes())))
                    << bytes.toStdString();
            }
        }
        settings.sync();
        ConversionState state;
        FakeMessageBox messages;
        MainWindow again(state, messages, TwipsScale(15));
        again.useSettings(&settings);
        EXPECT_EQ(again.outputChoice().panel(), preset->layout) << "after a restart";
        QString shown;
        QTimer::singleShot(0, [&] {
            OutputSettingsDialog* dialog = OpenDialog();
            ASSERT_NE(dialog, nullptr);
            shown = dialog->presetName();
            dialog->reject();
        });
        Press(again, QKeySequence(Qt::CTRL | Qt::Key_Comma));
        EXPECT_EQ(shown, name);
    }
}

// Combinations the panel cannot take say why, as CheckLayout or the syntax puts it, and
// OK stays disabled; the ink's polarity is offered only with planes; the new controls
// are reached by Tab in the order shown and by their access keys.
TEST(LevelsOutputSettings, RefusedCombinationsSayWhyAndTheKeyboardReachesEveryControl) {
    struct Row {
        const char* name;
        int depth;       // DepthBox index
        int colours;     // ColoursBox index
        int mask;        // MaskBox index
        int arrangement; // LayoutBox index
        int ramWidth;
        int xOffset;
        const char* syntax;
        const char* problem; // a part of the reason; empty where OK is enabled
    };
    const Row rows[] = {
        {"16 greys in rows", 2, 0, 0, 2, 0, 0, "c", ""},
        {"4 greys and a mask plane", 1, 0, 1, 1, 0, 0, "c", ""},
        {"e-paper and a mask plane", 0, 2, 1, 2, 0, 0, "c", ""},
        {"16 greys in bit planes", 2, 0, 0, 3, 0, 0, "c", ""},
        {"tri-colour at 4 bits", 2, 1, 0, 2, 0, 0, "c", "tri-colour"},
        {"interleaved mask in rows", 0, 0, 2, 2, 0, 0, "c", "interleaved"},
        {"interleaved mask in pages", 0, 0, 2, 1, 0, 0, "c", ""},
        {"picture past the RAM", 0, 0, 0, 1, 130, 4, "c", "does not fit"},
        {"RAM of halves", 0, 0, 0, 0, 132, 2, "c", "halves"},
        {"greys in an X bitmap", 1, 0, 0, 2, 0, 0, "xbm", "X bitmap"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        OutputSettingsDialog dialog(OutputChoice{});
        dialog.show();
        auto* syntax = dialog.findChild<QComboBox*>("SyntaxBox");
        syntax->setCurrentIndex(syntax->findData(row.syntax));
        dialog.findChild<QComboBox*>("LayoutBox")->setCurrentIndex(row.arrangement);
        dialog.findChild<QComboBox*>("DepthBox")->setCurrentIndex(row.depth);
        dialog.findChild<QComboBox*>("ColoursBox")->setCurrentIndex(row.colours);
        dialog.findChild<QComboBox*>("MaskBox")->setCurrentIndex(row.mask);
        dialog.findChild<QSpinBox*>("RamWidthBox")->setValue(row.ramWidth);
        dialog.findChild<QSpinBox*>("XOffsetBox")->setValue(row.xOffset);
        const QString problem = dialog.findChild<QLabel*>("ProblemValue")->text();
        EXPECT_EQ(problem.contains(row.problem), true) << problem.toStdString();
        EXPECT_EQ(OkOf(dialog)->isEnabled(), std::string(row.problem).empty())
            << problem.toStdString();
        EXPECT_EQ(dialog.findChild<QComboBox*>("InkBox")->isEnabled(), row.colours != 0);
        if (std::string(row.problem).empty()) {
            const PanelLayout layout = dialog.choice().panel();
            EXPECT_EQ(CheckLayout(layout), "");
            EXPECT_EQ(layout.depth, 1 << row.depth);
            // Every byte written, and where there are several planes, each one's share.
            const QString bytes = dialog.findChild<QLabel*>("BytesValue")->text();
            EXPECT_TRUE(bytes.startsWith(QString("%1 bytes").arg(layout.byteCount())))
                << bytes.toStdString();
            if (layout.mask == MaskForm::Plane) {
                EXPECT_TRUE(bytes.endsWith(QString("%1 mask").arg(layout.maskBytes())))
                    << bytes.toStdString();
            }
        }
    }

    OutputSettingsDialog dialog(OutputChoice{});
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    const char* const order[] = {"BlockWidthBox", "DepthBox",    "ColoursBox",
                                 "MaskBox",       "RamWidthBox", "XOffsetBox"};
    dialog.findChild<QComboBox*>("ColoursBox")->setCurrentIndex(1); // the ink box joins in
    dialog.findChild<QWidget*>(order[0])->setFocus();
    std::vector<std::string> reached;
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached.push_back(QApplication::focusWidget()->objectName().toStdString());
    }
    EXPECT_EQ(reached, (std::vector<std::string>{"DepthBox", "ColoursBox", "InkBox", "MaskBox",
                                                 "RamWidthBox", "XOffsetBox"}));
    for (const auto& [key, name] : {std::pair{Qt::Key_D, "DepthBox"},
                                    {Qt::Key_O, "ColoursBox"},
                                    {Qt::Key_M, "MaskBox"},
                                    {Qt::Key_R, "RamWidthBox"},
                                    {Qt::Key_X, "XOffsetBox"}}) {
        QTest::keyClick(&dialog, key, Qt::AltModifier);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), name);
    }
}

// A one-bit BMP converted for 16 greys and for tri-colour e-paper: the file holds the
// dark dots at the top level, in the black plane, as worked out here from the layouts'
// definitions; the preview draws the file's dots black on white.
TEST(LevelsConvert, OneBitPictureOnGreyAndTriColourPanels) {
    Window w;
    for (const char* name : {"ssd1327", "gxepd2-3c", "adafruit-epd-3c"}) {
        SCOPED_TRACE(name);
        const PanelLayout layout = FindPanelPreset(name)->layout;
        w.choose(name, "bin");
        Picture picture;
        picture.width = layout.width;
        picture.height = layout.height;
        picture.index.assign(static_cast<std::size_t>(layout.width * layout.height), 0);
        std::mt19937 random(7);
        for (std::uint8_t& dot : picture.index) {
            dot = static_cast<std::uint8_t>(random() & 1);
        }
        test::BmpLayout size;
        size.width = layout.width;
        size.height = layout.height;
        WriteFile(w.folder / "picture.bmp", EncodeBmp(picture, size)); // index 0 is black
        w.messages.texts.clear();
        w.takeIn("picture.bmp");
        QTest::mouseClick(w.get("ConvertButton"), Qt::LeftButton);
        ASSERT_EQ(w.get<QLabel>("StatusValue")->text(), "Successed")
            << w.messages.texts.join("\n").toStdString();

        std::string expected;
        if (layout.depth == 4) { // rows, two dots a byte, the left one in the high nibble
            for (int y = 0; y < layout.height; ++y) {
                for (int x = 0; x < layout.width; x += 2) {
                    expected += static_cast<char>((picture.at(x, y) == 0 ? 0xF0 : 0) |
                                                  (picture.at(x + 1, y) == 0 ? 0x0F : 0));
                }
            }
        } else { // the black plane in rows msb, then a blank colour plane
            const int ink = layout.inkIsZero ? 0 : 1;
            for (int y = 0; y < layout.height; ++y) {
                for (int x = 0; x < layout.width; x += 8) {
                    int byte = layout.inkIsZero ? 0xFF : 0;
                    for (int i = 0; i < 8; ++i) {
                        if (picture.at(x + i, y) == 0) {
                            byte = ink != 0 ? byte | 0x80 >> i : byte & ~(0x80 >> i);
                        }
                    }
                    expected += static_cast<char>(byte);
                }
            }
            expected += std::string(expected.size(), layout.inkIsZero ? '\xFF' : '\0');
        }
        EXPECT_EQ(ReadFile(w.state.outputPath), expected);

        const std::vector<Colour> shown = w.previewColours(layout);
        ASSERT_EQ(shown.size(), picture.index.size());
        int wrong = 0;
        for (std::size_t i = 0; i < shown.size(); ++i) {
            const int top = layout.colours != Colours::None ? 1 : 15;
            wrong += shown[i] != Expected(layout, picture.index[i] == 0 ? top : 0);
        }
        EXPECT_EQ(wrong, 0);
        EXPECT_TRUE(w.messages.texts.isEmpty()) << w.messages.texts.join("\n").toStdString();
    }
}

// A file of levels, colours and masks as a conversion writes it (raw bytes by the layout's
// definitions): the preview draws every level's grey, red and yellow, a checker where the
// mask leaves dots undrawn, and tells and outlines the byte under the pointer.
TEST(LevelsPreview, DrawsLevelsColoursAndMasksAndNamesTheirBytes) {
    struct Row {
        const char* name;
        PanelLayout layout;
        int dotsInAByte;
    };
    const auto with = [](PanelLayout layout, auto change) {
        change(layout);
        return layout;
    };
    const Row rows[] = {
        {"ssd1322", FindPanelPreset("ssd1322")->layout, 2},
        {"st7528", FindPanelPreset("st7528")->layout, 8},
        {"uc1610", FindPanelPreset("uc1610")->layout, 4},
        {"black-yellow",
         with(FindPanelPreset("gxepd2-3c")->layout,
              [](PanelLayout& l) { l.colours = Colours::BlackYellow; }),
         8},
        {"black-red, masked",
         with(FindPanelPreset("adafruit-epd-3c")->layout,
              [](PanelLayout& l) { l.mask = MaskForm::Plane; }),
         8},
        {"4 greys masked",
         with(FindPanelPreset("uc1610")->layout, [](PanelLayout& l) { l.mask = MaskForm::Plane; }),
         4},
        {"interleaved",
         with(FindPanelPreset("ssd1306")->layout,
              [](PanelLayout& l) { l.mask = MaskForm::Interleaved; }),
         8},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const PanelLayout& layout = row.layout;
        const bool masked = layout.mask != MaskForm::None;
        const int top = TopLevel(layout);
        PanelDots dots(layout.width, layout.height, masked);
        std::mt19937 random(11);
        for (std::size_t i = 0; i < dots.levels.size(); ++i) {
            dots.levels[i] = static_cast<std::uint8_t>(random() % static_cast<unsigned>(top + 1));
            if (masked) {
                dots.opaque[i] = static_cast<std::uint8_t>(random() % 4 != 0);
            }
        }
        const std::vector<std::uint8_t> bytes = PackDots(dots, layout);
        ASSERT_EQ(bytes.size(), layout.byteCount());
        ScratchFolder folder;
        ConversionState state;
        state.outputPath = (folder / "lcd_dots.bin").string();
        WriteFile(state.outputPath, std::string(bytes.begin(), bytes.end()));
        FakeMessageBox messages;
        PreviewWindow preview(state, messages, TwipsScale(15));
        preview.setWrittenPanel(layout, *FindSyntax("bin"));
        preview.show();
        QTest::mouseClick(preview.findChild<QPushButton*>("ShowButton"), Qt::LeftButton);
        EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join("\n").toStdString();
        const auto* lcd = preview.findChild<PictureBox*>("LcdPic");
        std::set<Colour> levelColours;
        for (int level = 0; level <= top; ++level) {
            levelColours.insert(Expected(layout, level));
        }
        int wrong = 0;
        for (int y = 0; y < layout.height; ++y) {
            for (int x = 0; x < layout.width; ++x) {
                const Colour shown = lcd->colourAt(x, y);
                if (!masked || dots.opaque[dots.index(x, y)] != 0) {
                    wrong += shown != Expected(layout, dots.level(x, y));
                } else {
                    // Undrawn: like no level, and a checker against an undrawn neighbour.
                    wrong += levelColours.contains(shown);
                    if (x + 1 < layout.width && dots.opaque[dots.index(x + 1, y)] == 0) {
                        wrong += shown == lcd->colourAt(x + 1, y);
                    }
                }
            }
        }
        EXPECT_EQ(wrong, 0);

        // The pointer over a dot: its byte in the file, with the dots sharing it outlined.
        const int x = layout.width / 2 + 1;
        const int y = layout.height / 2 + 1;
        std::size_t byte = 0;
        if (layout.mask == MaskForm::Interleaved) {
            byte = 2 + 2 * (static_cast<std::size_t>(y / 8) * layout.width + x);
        } else if (layout.arrangement == Arrangement::Rows) {
            byte = static_cast<std::size_t>(y) * layout.rowBytes() + x * layout.depth / 8;
        } else {
            const int columnBytes = layout.arrangement == Arrangement::BitPlanes ? layout.depth : 1;
            byte =
                (static_cast<std::size_t>(y / layout.pageRows()) * layout.width + x) * columnBytes;
        }
        const QString said = preview.describeDot(x, y);
        EXPECT_TRUE(said.startsWith(QString("x %1, y %2: byte %3 ").arg(x).arg(y).arg(byte)))
            << said.toStdString();
        preview.selectDot(x, y);
        EXPECT_EQ(preview.selectedByte(), byte);
        EXPECT_EQ(lcd->highlight().size(), row.dotsInAByte);
        EXPECT_TRUE(lcd->highlight().contains(QPoint(x, y)));
    }
}

// Prepare picture for 16 greys: its view shows the dots' greys, Use hands the dots (no
// one-bit BMP) to the main window, whose Convert writes exactly those dots and whose
// preview draws them.
TEST(LevelsPrepare, PreparedDotsOfGreysReachConvertAndThePreview) {
    Window w;
    w.choose("ssd1325", "c");
    const PanelLayout layout = FindPanelPreset("ssd1325")->layout;
    QImage bands(128, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 128; ++x) {
            const int grey = 255 - (x / 8) * 17; // the 16 levels' own greys, 8 columns each
            bands.setPixel(x, y, qRgb(grey, grey, grey));
        }
    }
    ASSERT_TRUE(bands.save(Q(w.folder / "bands.png")));
    PanelDots prepared;
    QTimer::singleShot(0, [&] {
        PrepareWindow* window = w.form.preparingWindow();
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(window->preparesDots());
        EXPECT_TRUE(window->findChild<QPushButton*>("SaveButton")->isEnabled());
        prepared = window->dots();
        ASSERT_EQ(prepared.width, 128);
        int offLevel = 0; // the bands' greys are the levels' own: each band its level
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 128; ++x) {
                offLevel += prepared.level(x, y) != x / 8;
            }
        }
        EXPECT_EQ(offLevel, 0);
        const QPixmap view = window->findChild<QLabel*>("PanelView")->pixmap();
        const QImage image = view.toImage();
        const int dot = image.width() / 128;
        int wrong = 0;
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 128; ++x) {
                const QRgb pixel = image.pixel(x * dot, y * dot);
                wrong += MakeColour(qRed(pixel), qGreen(pixel), qBlue(pixel)) !=
                         Expected(layout, prepared.level(x, y));
            }
        }
        EXPECT_EQ(wrong, 0);
        QTest::mouseClick(window->findChild<QPushButton*>("UseButton"), Qt::LeftButton);
    });
    w.form.PreparePicture(Q(w.folder / "bands.png"));
    EXPECT_FALSE(std::filesystem::exists(w.folder / "bands_128x64.bmp"));
    ASSERT_TRUE(w.form.takenInDots().has_value());
    QTest::mouseClick(w.get("ConvertButton"), Qt::LeftButton);
    ASSERT_EQ(w.get<QLabel>("StatusValue")->text(), "Successed")
        << w.messages.texts.join("\n").toStdString();
    EXPECT_EQ(std::filesystem::path(w.state.outputPath).filename(), "lcd_bands_128x64.h");
    OutputChoice choice = w.form.outputChoice();
    choice.symbol = SymbolFor(w.state.outputPath);
    EXPECT_EQ(ReadFile(w.state.outputPath), EncodePanelDots(prepared, choice).text);
    const std::vector<Colour> shown = w.previewColours(layout);
    int wrong = 0;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        wrong += shown[i] != Expected(layout, prepared.levels[i]);
    }
    EXPECT_EQ(wrong, 0);

    // Another bit order keeps the dots; another depth, which would read their levels as
    // other greys, lets them go with a word.
    w.messages.texts.clear();
    PanelLayout lsb = layout;
    lsb.bitOrder = BitOrder::Lsb;
    w.form.setOutputChoice(OutputChoice{lsb, FindSyntax("c"), {}, {}});
    EXPECT_TRUE(w.form.takenInDots().has_value());
    EXPECT_TRUE(w.messages.texts.isEmpty());
    PanelLayout fourGreys = layout;
    fourGreys.depth = 2;
    w.form.setOutputChoice(OutputChoice{fourGreys, FindSyntax("c"), {}, {}});
    EXPECT_FALSE(w.form.takenInDots().has_value());
    EXPECT_EQ(w.messages.texts.size(), 1);
    EXPECT_FALSE(w.get("ConvertButton")->isEnabled());
}

// An animated GIF prepared for 4 greys and a mask: Save frames writes each frame's dots as
// the window shows them, and Preview frames draws them at their greys, the undrawn checkered.
TEST(LevelsPrepare, SavedFramesHoldTheDotsShownAndPlayAtTheirGreys) {
    ScratchFolder folder;
    QStringList arguments;
    for (const int left : {0, 12, 24}) { // a grey square and a clear corner each frame
        arguments
            << QString("( -size 32x16 xc:white -alpha set -fill gray33 -draw").split(' ')
            << QString("rectangle %1,4 %2,11").arg(left).arg(left + 7)
            << QString("-region 4x4+28+0 -alpha transparent +region -set delay 10 )").split(' ');
    }
    arguments << "-loop"
              << "0" << Q(folder / "a.gif");
    ASSERT_EQ(QProcess::execute("convert", arguments), 0);
    SourcePicture source = ReadPicture(Q(folder / "a.gif"));
    ASSERT_TRUE(source.ok()) << source.error;
    OutputChoice choice;
    choice.layout = PanelLayout{.width = 32, .height = 16, .arrangement = Arrangement::Pages};
    choice.layout->depth = 2;
    choice.layout->mask = MaskForm::Plane;
    choice.syntax = FindSyntax("c");
    const PanelLayout layout = *choice.layout;
    FakeMessageBox messages;
    PrepareWindow window(Q(folder / "a.gif"), std::move(source.picture), 32, 16, PrepareOptions{},
                         messages, nullptr, choice);
    ASSERT_EQ(window.frameCount(), 3);
    std::vector<PanelDots> shown;
    for (int n = 0; n < 3; ++n) {
        window.findChild<QSlider*>("FrameSlider")->setValue(n);
        shown.push_back(window.dots());
    }
    const QString saved = Q(folder / "lcd_a.h");
    window.setFramesNameAsker([&](const QString&) { return saved; });
    QTest::mouseClick(window.findChild<QPushButton*>("SaveFramesButton"), Qt::LeftButton);
    ASSERT_TRUE(messages.texts.isEmpty()) << messages.texts.join("\n").toStdString();
    const ReadFrames read = ReadFramesText(ReadFile(folder / "lcd_a.h"), *FindSyntax("c"), layout);
    ASSERT_EQ(read.error, "");
    ASSERT_EQ(read.frames.size(), 3U);
    for (std::size_t n = 0; n < 3; ++n) {
        EXPECT_EQ(read.frames[n].bytes, PackDots(shown[n], layout)) << "frame " << n;
    }

    ConversionState state;
    PreviewWindow preview(state, messages, TwipsScale(15));
    preview.setFramesFile(saved.toStdString(), layout);
    preview.show();
    QTest::mouseClick(preview.findChild<QPushButton*>("ShowButton"), Qt::LeftButton);
    ASSERT_TRUE(messages.texts.isEmpty()) << messages.texts.join("\n").toStdString();
    const auto* lcd = preview.findChild<PictureBox*>("LcdPic");
    for (int n = 0; n < 3; ++n) {
        preview.showFrame(n);
        int wrong = 0;
        int undrawn = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 32; ++x) {
                const bool opaque = shown[static_cast<std::size_t>(n)].opaque[shown[0].index(x, y)];
                undrawn += !opaque;
                const Colour colour = lcd->colourAt(x, y);
                wrong += opaque ? colour != Expected(layout,
                                                     shown[static_cast<std::size_t>(n)].level(x, y))
                                : colour == lcd->colourAt(x ^ 1, y);
            }
        }
        EXPECT_EQ(wrong, 0) << "frame " << n;
        EXPECT_EQ(undrawn, 16) << "frame " << n; // the clear corner
    }
}

// Threshold with Automatic ticked: Otsu's method for one bit; between greys the slider's
// threshold, Automatic out of reach; e-paper takes each dot's nearest colour, neither.
TEST(LevelsPrepare, ThresholdControlsFollowTheLayout) {
    struct Row {
        const char* preset;
        bool slider;
        bool automatic;
        const char* said; // how the values line begins
    };
    const Row rows[] = {{"ks0108", false, true, "Threshold by Otsu"},
                        {"ssd1325", true, false, "Threshold 100,"},
                        {"gxepd2-3c", false, false, "Brightness"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.preset);
        const PanelLayout layout = FindPanelPreset(row.preset)->layout;
        RgbaPicture picture;
        picture.width = 40;
        picture.height = 30;
        picture.rgba.assign(40U * 30U * 4U, 200);
        PrepareOptions options;
        options.dither = Dither::Threshold;
        options.threshold = std::nullopt;
        FakeMessageBox messages;
        PrepareWindow window("/tmp/grey.png", picture, layout.width, layout.height, options,
                             messages, nullptr, OutputChoice{layout, nullptr, {}, {}});
        window.findChild<QSlider*>("ThresholdSlider")->setValue(100);
        EXPECT_EQ(window.findChild<QSlider*>("ThresholdSlider")->isEnabled(), row.slider);
        EXPECT_EQ(window.findChild<QWidget*>("AutoThresholdCheck")->isEnabled(), row.automatic);
        EXPECT_TRUE(window.findChild<QLabel*>("ValuesLabel")->text().startsWith(row.said))
            << window.findChild<QLabel*>("ValuesLabel")->text().toStdString();
    }
}

// Save BMP on a panel of greys or e-paper writes the 4-bit BMP of pelmora-cli prepare, byte
// for byte; with a mask there is no BMP to save.
TEST(LevelsPrepare, SaveBmpWritesWhatPrepareWrites) {
    struct Row {
        const char* preset;
        QStringList options; // pelmora-cli prepare's for the same panel
    };
    const Row rows[] = {{"ssd1325", {"--size", "128x64", "--depth", "4"}},
                        {"uc1610", {"--size", "160x104", "--depth", "2"}},
                        {"gxepd2-3c", {"--size", "200x200", "--colours", "black-red"}}};
    ScratchFolder folder;
    QImage photo(96, 72, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        for (int x = 0; x < photo.width(); ++x) {
            photo.setPixel(x, y, qRgb(255 - y * 3, 60 + x * 2, (x * y) % 256));
        }
    }
    ASSERT_TRUE(photo.save(Q(folder / "photo.png")));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.preset);
        const PanelLayout layout = FindPanelPreset(row.preset)->layout;
        SourcePicture source = ReadPicture(Q(folder / "photo.png"));
        ASSERT_TRUE(source.ok()) << source.error;
        FakeMessageBox messages;
        PrepareWindow window(Q(folder / "photo.png"), std::move(source.picture), layout.width,
                             layout.height, PrepareOptions{}, messages, nullptr,
                             OutputChoice{layout, nullptr, {}, {}});
        window.setSaveNameAsker([&](const QString&) { return Q(folder / "window.bmp"); });
        QTest::mouseClick(window.findChild<QPushButton*>("SaveButton"), Qt::LeftButton);
        ASSERT_TRUE(messages.texts.isEmpty()) << messages.texts.join("\n").toStdString();
        QProcess cli;
        cli.setWorkingDirectory(Q(folder.path()));
        cli.start(PELMORA_CLI, QStringList{"prepare", "--quiet"} + row.options +
                                   QStringList{"-o", "cli.bmp", "photo.png"});
        ASSERT_TRUE(cli.waitForFinished(30000));
        ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
        EXPECT_EQ(ReadFile(folder / "window.bmp"), ReadFile(folder / "cli.bmp"));
    }
    PanelLayout masked = FindPanelPreset("uc1610")->layout;
    masked.mask = MaskForm::Plane;
    SourcePicture source = ReadPicture(Q(folder / "photo.png"));
    FakeMessageBox messages;
    PrepareWindow window(Q(folder / "photo.png"), std::move(source.picture), masked.width,
                         masked.height, PrepareOptions{}, messages, nullptr,
                         OutputChoice{masked, nullptr, {}, {}});
    EXPECT_FALSE(window.findChild<QPushButton*>("SaveButton")->isEnabled());
}

} // namespace
} // namespace pelmora
