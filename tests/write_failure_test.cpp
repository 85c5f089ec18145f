// A conversion whose file cannot be written must lose nothing: the previous file stays
// byte for byte, no temporary file is left, and the result is not a success. These
// ways of failing hold when the tests run as root, where permission bits prove nothing.

#include "core/conversion/encoder.h"
#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>

#ifdef __linux__
#include <sys/resource.h>
#endif

namespace pelmora {
namespace {

using test::Picture;
using test::PictureAsSurface;
using test::ReadFile;
using test::RecordingProgress;
using test::ScratchFolder;
using test::WriteFile;

struct Attempt {
    WriteOutcome outcome;
    ResultFlag resultFlag = ResultFlag::Unset;
    std::vector<std::string> progress;
};

Attempt Convert(const std::filesystem::path& outputPath) {
    ConversionState state;
    state.infoHeader.biWidth = kPanelWidth;
    state.infoHeader.biHeight = kPanelHeight;
    ComputePanelGeometry(state);
    state.outputPath = outputPath.string();
    const Picture picture = test::RandomPicture(5);
    const PictureAsSurface surface(picture, test::kBlack, test::kWhite);
    RecordingProgress progress;
    Attempt attempt;
    attempt.outcome = WritePageModeFile(state, surface, progress, 0, attempt.resultFlag);
    attempt.progress = progress.shown;
    return attempt;
}

void ExpectFailed(const Attempt& attempt, const std::string& reason) {
    EXPECT_FALSE(attempt.outcome.ok);
    EXPECT_EQ(attempt.outcome.reason, reason);
    EXPECT_EQ(attempt.resultFlag, ResultFlag::Failed);
    EXPECT_TRUE(attempt.progress.empty() || attempt.progress.back() != "100");
}

TEST(FailedWrite, TargetIsAFolder) {
    ScratchFolder folder;
    std::filesystem::create_directory(folder / "lcd_x.txt");
    WriteFile(folder / "lcd_x.txt" / "inside", "kept");
    ExpectFailed(Convert(folder / "lcd_x.txt"), "Is a directory");
    EXPECT_EQ(ReadFile(folder / "lcd_x.txt" / "inside"), "kept");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"lcd_x.txt"});
}

TEST(FailedWrite, OutputFolderIsMissingOrAFile) {
    ScratchFolder folder;
    WriteFile(folder / "plain", "kept");
    ExpectFailed(Convert(folder / "plain" / "lcd_x.txt"), "Not a directory");
    ExpectFailed(Convert(folder / "gone" / "lcd_x.txt"), "No such file or directory");
    EXPECT_EQ(ReadFile(folder / "plain"), "kept");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"plain"});
}

TEST(FailedWrite, NameTooLongForTheFileSystem) {
    ScratchFolder folder;
    ExpectFailed(Convert(folder / ("lcd_" + std::string(300, 'n') + ".txt")), "File name too long");
    EXPECT_TRUE(folder.names().empty());
}

#ifdef __linux__
// The device fills up part way through: the file size limit makes the write itself fail.
TEST(FailedWrite, WriteErrorPartWayKeepsThePreviousFile) {
    ScratchFolder folder;
    WriteFile(folder / "lcd_x.txt", "previous output\r\n");
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const Attempt attempt = Convert(folder / "lcd_x.txt");
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    ExpectFailed(attempt, "File too large");
    EXPECT_EQ(ReadFile(folder / "lcd_x.txt"), "previous output\r\n");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"lcd_x.txt"});
}
#endif

TEST(FailedWrite, ASuccessfulWriteReplacesThePreviousFileWhole) {
    ScratchFolder folder;
    WriteFile(folder / "lcd_x.txt", std::string(20000, 'x'));
    const Attempt attempt = Convert(folder / "lcd_x.txt");
    ASSERT_TRUE(attempt.outcome.ok);
    EXPECT_EQ(attempt.resultFlag, ResultFlag::Succeeded);
    EXPECT_EQ(ReadFile(folder / "lcd_x.txt"), test::ExpectedLcdText(test::RandomPicture(5), 0));
    EXPECT_EQ(folder.names(), std::vector<std::string>{"lcd_x.txt"});
}

} // namespace
} // namespace pelmora
