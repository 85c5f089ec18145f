// Every entry point fed the same bad inputs: the header reader with the image loader,
// pelmora-cli convert and show, the main window's take-in and the preview. Each case
// states its outcome; whatever it is, nothing crashes, nothing is left behind and no
// earlier output changes.

#include "core/conversion/intake.h"
#include "core/conversion/plotter.h"
#include "preview/preview_window.h"
#include "support/fake_message_box.h"
#include "support/qt_helpers.h"
#include "support/test_pictures.h"
#include "ui/main_window.h"
#include "widgets/file_list.h"
#include "widgets/folder_list.h"
#include "widgets/picture_box.h"

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <sstream>

namespace pelmora {
namespace {

namespace fs = std::filesystem;
using test::BmpLayout;
using test::EncodeBmp;
using test::ExpectedLcdText;
using test::Picture;
using test::ReadFile;
using test::ScratchFolder;
using test::WriteFile;

using test::Q;

enum class Outcome {
    Accepted,   // converted, bytes exact
    Rejected,   // the size and colour message, or the reason when the file is too short
    Unreadable, // the system's reason
    Refused     // passed the header check, the loader would not decode it whole
};

struct BadBitmap {
    std::string name;
    std::function<void(const fs::path&)> make; // writes the case at the given path
    Outcome outcome;
    std::string message; // the reason or the loader's words; empty for the other outcomes
};

const Picture& ThePicture() {
    static const Picture picture = test::RandomPicture(99);
    return picture;
}

std::function<void(const fs::path&)> Bytes(std::string bytes) {
    return [bytes](const fs::path& path) {
        WriteFile(path, bytes);
    };
}

std::function<void(const fs::path&)> Layout(BmpLayout layout) {
    return Bytes(EncodeBmp(ThePicture(), layout));
}

std::string Patched(std::size_t at, std::uint32_t value) {
    std::string bytes = EncodeBmp(ThePicture());
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
    }
    return bytes;
}

std::string CutShort(std::size_t holds) {
    return "the pixel data is cut short: the file holds " + std::to_string(holds) +
           " bytes of the 1086 that the picture needs";
}

const std::string kTooShort = "the file is shorter than its headers";
const std::string kUndecodable = "the picture could not be decoded (Unable to read image data)";

std::vector<BadBitmap> BadBitmaps() {
    std::vector<BadBitmap> cases;
    const std::string whole = EncodeBmp(ThePicture());
    for (std::size_t length = 0; length < 62; ++length) {
        cases.push_back({"cut" + std::to_string(length) + ".bmp", Bytes(whole.substr(0, length)),
                         Outcome::Rejected, kTooShort});
    }
    cases.push_back({"cut62.bmp", Bytes(whole.substr(0, 62)), Outcome::Refused, CutShort(62)});
    cases.push_back(
        {"pixels-short.bmp", Bytes(whole.substr(0, 1085)), Outcome::Refused, CutShort(1085)});
    cases.push_back({"offset-past-end.bmp", Bytes(Patched(10, 5000)), Outcome::Refused,
                     "the pixel data is cut short: the file holds 1086 bytes of the 6024 that "
                     "the picture needs"});
    for (int bits : {0, 4, 8, 24, 32, 65535}) {
        cases.push_back({"bits" + std::to_string(bits) + ".bmp",
                         Layout({.bitCount = static_cast<std::int16_t>(bits)}), Outcome::Rejected,
                         ""});
    }
    const std::pair<int, int> sizes[] = {{0, 64},       {128, 0},       {128, -64},
                                         {-128, 64},    {INT_MAX, 64},  {128, INT_MAX},
                                         {INT_MIN, 64}, {128, INT_MIN}, {64, 128}};
    for (const auto& [width, height] : sizes) {
        cases.push_back(
            {"size" + std::to_string(width) + "x" + std::to_string(height) + ".bmp",
             Bytes(
                 Patched(22, static_cast<std::uint32_t>(height))
                     .replace(18, 4, Patched(18, static_cast<std::uint32_t>(width)).substr(18, 4))),
             Outcome::Rejected, ""});
    }
    cases.push_back({"header12.bmp", Layout({.headerSize = 12}), Outcome::Refused, kUndecodable});
    cases.push_back({"header40.bmp", Layout({.headerSize = 40}), Outcome::Accepted, ""});
    cases.push_back({"header108.bmp", Layout({.headerSize = 108}), Outcome::Accepted, ""});
    cases.push_back({"header124.bmp", Layout({.headerSize = 124}), Outcome::Accepted, ""});
    cases.push_back(
        {"header-absurd.bmp", Bytes(Patched(14, 0xFFFFFFF0U)), Outcome::Rejected, kTooShort});
    cases.push_back(
        {"text.bmp", Bytes("This is a note, not a picture.\n"), Outcome::Rejected, kTooShort});
    cases.push_back(
        {"png.bmp",
         Bytes(std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x80\0\0\0@\x01\0\0\0", 29) +
               std::string(64, '\0')),
         Outcome::Rejected, ""});
    std::mt19937 random(7);
    std::string junk(2000, '\0');
    for (char& c : junk) {
        c = static_cast<char>(random());
    }
    cases.push_back({"random.bmp", Bytes(junk), Outcome::Rejected, ""});
    cases.push_back({"folder.bmp", [](const fs::path& p) { fs::create_directory(p); },
                     Outcome::Unreadable, "Is a directory"});
    cases.push_back(
        {"missing.bmp", [](const fs::path&) {}, Outcome::Unreadable, "No such file or directory"});
    cases.push_back({"with space.bmp", Layout({}), Outcome::Accepted, ""});
    cases.push_back({"\xc3\xbcn\xc3\xaf c\xc3\xb8"
                     "d\xc3\xa9.bmp",
                     Layout({}), Outcome::Accepted, ""});
    cases.push_back({"-dash.bmp", Layout({}), Outcome::Accepted, ""});
    cases.push_back({"link.bmp",
                     [](const fs::path& p) {
                         WriteFile(p.parent_path() / "target.data", EncodeBmp(ThePicture()));
                         fs::create_symlink("target.data", p);
                     },
                     Outcome::Accepted, ""});
    cases.push_back({"dangling.bmp",
                     [](const fs::path& p) { fs::create_symlink("nowhere.data", p); },
                     Outcome::Unreadable, "No such file or directory"});
    return cases;
}

// The outputs a user made earlier, which no failure may touch.
const std::string kEarlier = "earlier output\r\n";

std::string OutputName(const std::string& bitmap) {
    return "lcd_" + bitmap.substr(0, bitmap.size() - 4) + ".txt";
}

struct Cases {
    ScratchFolder folder;
    std::vector<BadBitmap> cases = BadBitmaps();
    Cases() {
        fs::create_directory(folder / "in");
        fs::create_directory(folder / "out");
        for (const BadBitmap& c : cases) {
            c.make(folder / "in" / c.name);
            WriteFile(folder / "out" / OutputName(c.name), kEarlier);
        }
    }
    fs::path in(const BadBitmap& c) const { return folder / "in" / c.name; }
    fs::path out(const BadBitmap& c) const { return folder / "out" / OutputName(c.name); }

    // Accepted cases hold the exact text, every other earlier output is untouched, and
    // nothing else appeared.
    void expectOutputs(const std::function<bool(const BadBitmap&)>& converted) const {
        for (const BadBitmap& c : cases) {
            EXPECT_EQ(ReadFile(out(c)), converted(c) ? ExpectedLcdText(ThePicture(), 0) : kEarlier)
                << c.name;
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(folder / "out"), fs::directory_iterator{}),
                  static_cast<long>(cases.size()));
    }
};

TEST(BadBitmaps, HeaderReaderAndLoaderGiveEachCaseItsOutcome) {
    Cases all;
    for (const BadBitmap& c : all.cases) {
        SCOPED_TRACE(c.name);
        const TakenIn taken = TakeInBitmapFile(all.in(c).string());
        const BitmapCheck& check = taken.check;
        Outcome outcome = Outcome::Rejected;
        std::string message = check.error;
        if (check.verdict == BitmapVerdict::Unreadable) {
            outcome = Outcome::Unreadable;
        } else if (check.accepted()) {
            outcome = taken.usable() ? Outcome::Accepted : Outcome::Refused;
            message = taken.error;
            if (outcome == Outcome::Accepted) {
                const BitmapPixels& surface = taken.pixels;
                for (int x = 0; x < kPanelWidth; x += 9) {
                    EXPECT_EQ(surface.colourAt(x, 5),
                              ColourOf(ThePicture().at(x, 5) ? test::kWhite : test::kBlack));
                }
            }
        }
        EXPECT_EQ(outcome, c.outcome);
        EXPECT_EQ(message, c.message);
    }
}

// A top-down bitmap is refused by the acceptance rule; the decoder, handed one by a caller
// that skipped the rule, refuses it too rather than read it some way up.
TEST(BadBitmaps, ATopDownBitmapIsRefusedByTheRuleAndByTheDecoder) {
    const std::string topDown = EncodeBmp(ThePicture(), {.height = -kPanelHeight});
    const auto bytes = AsBytes(topDown);
    BitmapCheck check = CheckBitmapBytes(bytes, kPanelWidth, kPanelHeight);
    ASSERT_TRUE(check.headersRead);
    EXPECT_EQ(check.infoHeader.biHeight, -kPanelHeight);
    EXPECT_FALSE(check.accepted());
    check.verdict = BitmapVerdict::Accepted;
    const DecodedBitmap decoded = DecodeBitmapPixels(bytes, check);
    EXPECT_FALSE(decoded.ok());
    EXPECT_EQ(decoded.error,
              "the picture is stored top-down (a negative height), which is not read");
    // The same picture bottom-up decodes.
    const std::string bottomUp = EncodeBmp(ThePicture());
    EXPECT_TRUE(
        DecodeBitmapPixels(AsBytes(bottomUp), CheckBitmapBytes(AsBytes(bottomUp), 128, 64)).ok());
}

TEST(BadBitmaps, CommandLineConvertsWhatItCanAndNamesEveryOtherFile) {
    Cases all;
    QStringList arguments{"convert", "--quiet", "--output-dir", Q(all.folder / "out"), "--"};
    std::string expectedErrors;
    for (const BadBitmap& c : all.cases) {
        arguments << Q(all.in(c));
        const std::string prefix = "pelmora-cli: " + all.in(c).string() + ": ";
        if (c.outcome == Outcome::Rejected) {
            expectedErrors +=
                prefix + (c.message.empty() ? RejectionTextOneLine() : c.message) + "\n" + prefix +
                "to convert any picture, prepare it: add --dither floyd-steinberg (or "
                "any other preparation option)\n";
        } else if (c.outcome != Outcome::Accepted) {
            expectedErrors += prefix + c.message + "\n";
        }
    }
    QProcess cli;
    cli.start(PELMORA_CLI, arguments);
    ASSERT_TRUE(cli.waitForFinished(60000));
    EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(cli.exitCode(), 1);
    EXPECT_EQ(cli.readAllStandardError().toStdString(), expectedErrors);
    all.expectOutputs([](const BadBitmap& c) { return c.outcome == Outcome::Accepted; });
}

TEST(BadBitmaps, TheWindowExplainsEachAndKeepsOrEmptiesAsItShould) {
    Cases all;
    ConversionState state;
    test::FakeMessageBox messages;
    MainWindow window(state, messages, TwipsScale(15));
    window.Init_Form(Q(all.folder / "in"));
    window.show();
    auto* files = window.findChild<FileList*>("File1");
    auto* folders = window.findChild<FolderList*>("Dir1");
    auto* convert = window.findChild<QPushButton*>("ConvertButton");
    auto* pic = window.findChild<PictureBox*>("PreviewPic");
    WriteFile(all.folder / "good.bmp", EncodeBmp(ThePicture()));

    std::set<std::string> converted;
    for (const BadBitmap& c : all.cases) {
        SCOPED_TRACE(c.name);
        // Start from a loaded picture so that both keeping and emptying show.
        window.OpenPath(Q(all.folder / "good.bmp"));
        ASSERT_TRUE(convert->isEnabled());
        folders->setPath(Q(all.folder / "in"));
        messages.texts.clear();
        messages.titles.clear();
        if (!files->selectFileName(QString::fromStdString(c.name))) {
            // Folders, missing files and dangling links are never offered.
            EXPECT_EQ(c.outcome, Outcome::Unreadable);
            continue;
        }
        window.TakeInBitmap();
        switch (c.outcome) {
        case Outcome::Accepted:
            EXPECT_TRUE(messages.texts.isEmpty());
            folders->setPath(Q(all.folder / "out"));
            QTest::mouseClick(convert, Qt::LeftButton);
            converted.insert(c.name);
            break;
        case Outcome::Rejected:
            ASSERT_EQ(messages.titles.size(), 1);
            if (c.message.empty()) {
                EXPECT_EQ(messages.titles.front(), "Picture Size Error");
            } else {
                EXPECT_TRUE(messages.texts.front().endsWith(QString::fromStdString(c.message)));
            }
            EXPECT_FALSE(convert->isEnabled());
            EXPECT_FALSE(pic->hasPicture());
            break;
        case Outcome::Refused:
        case Outcome::Unreadable:
            ASSERT_EQ(messages.texts.size(), 1);
            EXPECT_TRUE(messages.texts.front().endsWith(QString::fromStdString(c.message)))
                << messages.texts.front().toStdString();
            EXPECT_EQ(convert->isEnabled(), c.outcome == Outcome::Unreadable);
            EXPECT_EQ(pic->hasPicture(), c.outcome == Outcome::Unreadable);
            break;
        }
    }
    all.expectOutputs([&](const BadBitmap& c) { return converted.count(c.name) > 0; });
}

// Preview files: what each does to the reader, the command line and the window.
struct BadText {
    std::string name;
    std::string text;
    std::string error;     // after "PATH, "; empty when the file reads to its end
    std::string shortfall; // read to its end, but not the 1024 bytes of the panel
};

const std::string kNoBytes = "it holds no bytes where the 128 x 64 panel takes 1024";

std::vector<BadText> BadTexts() {
    const std::string line = "        DB 5AH;";
    std::vector<BadText> cases{{"empty", "", "", kNoBytes},
                               {"only-empty-lines", "\r\n\n\r\n\r\n", "", kNoBytes}};
    for (std::size_t length = 1; length <= 14; ++length) {
        cases.push_back({"length" + std::to_string(length), line.substr(0, length) + "\r\n",
                         length < 13 ? "line 1: the line is " + std::to_string(length) +
                                           " characters long, shorter than a data line's 13 of "
                                           "prefix and ending"
                                     : "",
                         length < 13 ? "" : kNoBytes}); // a lone digit is half a byte, never drawn
    }
    cases.push_back({"not-hex", "        DB 00H,0xH;\r\n",
                     "line 1: 'x' at column 17 is not a hexadecimal digit", ""});
    std::string many;
    for (int i = 0; i < 100000; ++i) {
        many += "        DB FFH,00H,FFH,00H,FFH,00H,FFH,00H;\r\n";
    }
    cases.push_back({"hundred-thousand-lines", many, "",
                     "it holds 800000 bytes where the 128 x 64 panel takes 1024"});
    cases.push_back({"half-the-lines", ExpectedLcdText(ThePicture(), 0).substr(0, 45 * 40), "",
                     "it holds 320 bytes where the 128 x 64 panel takes 1024"});
    cases.push_back({"no-final-end", ExpectedLcdText(ThePicture(), 0).substr(0, 5803), "", ""});
    std::mt19937 random(3);
    std::string junk(4096, '\0');
    for (char& c : junk) {
        c = static_cast<char>(random());
    }
    cases.push_back({"junk", junk, "line 1: 'k' at column 12 is not a hexadecimal digit", ""});
    return cases;
}

TEST(BadTexts, ReaderCommandLineAndPreviewAgreeOnEachFile) {
    ScratchFolder folder;
    ConversionState state;
    state.infoHeader.biWidth = kPanelWidth;
    state.infoHeader.biHeight = kPanelHeight;
    ComputePanelGeometry(state);
    test::FakeMessageBox messages;
    PreviewWindow preview(state, messages, TwipsScale(15));
    preview.show();

    for (const BadText& c : BadTexts()) {
        SCOPED_TRACE(c.name);
        const fs::path path = folder / (c.name + ".txt");
        WriteFile(path, c.text);
        const std::string expected = c.error.empty() ? "" : path.string() + ", " + c.error;

        struct Count : PointSink {
            void setPoint(int, int, bool) override { ++points; }
            int points = 0;
        } sink;
        EXPECT_EQ(PlotLcdHexFile(state, path.string(), sink).error, expected);

        QProcess cli;
        cli.start(PELMORA_CLI, {"show", Q(path)});
        ASSERT_TRUE(cli.waitForFinished(60000));
        // The command line refuses a text that is no whole panel; the preview draws what
        // it holds and says so.
        const std::string shortfall =
            c.shortfall.empty() ? "" : path.string() + ": not a whole panel: " + c.shortfall;
        EXPECT_EQ(cli.exitCode(), c.error.empty() && c.shortfall.empty() ? 0 : 1);
        EXPECT_EQ(cli.readAllStandardError().toStdString(),
                  !c.error.empty()     ? "pelmora-cli: " + expected + "\n"
                  : !shortfall.empty() ? "pelmora-cli: " + shortfall + "\n"
                                       : "");

        state.outputPath = path.string();
        messages.texts.clear();
        QTest::mouseClick(preview.findChild<QPushButton*>("ShowButton"), Qt::LeftButton);
        const std::string drawn = c.name == "hundred-thousand-lines"
                                      ? "; the bytes beyond it are not drawn."
                                      : "; the rest is drawn blank.";
        EXPECT_EQ(messages.texts.join("").toStdString(),
                  !c.shortfall.empty()
                      ? path.string() + " is not a whole panel: " + c.shortfall + drawn
                      : expected);
        EXPECT_EQ(ReadFile(path), c.text) << "the reader never writes";
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator{}),
              static_cast<long>(BadTexts().size()));
}

} // namespace
} // namespace pelmora
