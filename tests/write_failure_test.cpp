// A conversion whose file cannot be written must lose nothing: the previous file stays
// byte for byte, no temporary file is left, and the result is not a success. These
// ways of failing hold when the tests run as root, where permission bits prove nothing.
// Then where a save lands: through links, straight into devices and FIFOs, keeping a
// replaced file's mode and owner, under any name the file system takes, and what a
// signal leaves.

#include "core/conversion/encoder.h"
#include "core/io/atomic_text_file.h"
#include "core/io/source_file.h"
#include "core/io/temporary_files.h"
#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pelmora {
namespace {

using test::KindOf;
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
    EXPECT_FALSE(attempt.outcome.ok());
    EXPECT_EQ(attempt.outcome.error, reason);
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

TEST(FailedWrite, ASuccessfulWriteReplacesThePreviousFileWhole) {
    ScratchFolder folder;
    WriteFile(folder / "lcd_x.txt", std::string(20000, 'x'));
    const Attempt attempt = Convert(folder / "lcd_x.txt");
    ASSERT_TRUE(attempt.outcome.ok());
    EXPECT_EQ(attempt.resultFlag, ResultFlag::Succeeded);
    EXPECT_EQ(ReadFile(folder / "lcd_x.txt"), test::ExpectedLcdText(test::RandomPicture(5), 0));
    EXPECT_EQ(folder.names(), std::vector<std::string>{"lcd_x.txt"});
}

namespace fs = std::filesystem;

mode_t ModeOf(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(stat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

// Names with a six-character random ending: what a save leaves beside its target.
std::vector<std::string> Temporaries(const fs::path& folder) {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        const std::size_t dot = name.find_last_of('.');
        if (dot != std::string::npos && name.size() - dot == 7) {
            found.push_back(name);
        }
    }
    return found;
}

std::string ExpectedText() {
    return test::ExpectedLcdText(test::RandomPicture(5), 0);
}

// Where a save lands, row by row: through links to the file they name, straight into
// devices and FIFOs (a node of the test's own: 1,3 takes everything, 1,7 is always full).
struct TargetCase {
    const char* name;
    std::function<void(const ScratchFolder&)> make;
    std::string target;
    std::string reason; // empty for a success
    std::function<void(const ScratchFolder&)> check;
};

TEST(SaveTarget, LinksAreFollowedAndOtherFilesWrittenStraight) {
    const std::string text = ExpectedText();
    const auto device = [](unsigned minor) {
        return [minor](const ScratchFolder& f) {
            if (mknod((f / "dev").c_str(), S_IFCHR | 0666, makedev(1, minor)) != 0) {
                GTEST_SKIP() << "mknod refused: " << std::strerror(errno);
            }
        };
    };
    const TargetCase cases[] = {
        {"a link to a file",
         [](const ScratchFolder& f) {
             WriteFile(f / "t.txt", "old");
             fs::create_symlink("t.txt", f / "link.txt");
         },
         "link.txt", "",
         [&](const ScratchFolder& f) {
             EXPECT_EQ(KindOf(f / "link.txt"), 'l');
             EXPECT_EQ(ReadFile(f / "t.txt"), text);
         }},
        {"a dangling link",
         [](const ScratchFolder& f) { fs::create_symlink("new.txt", f / "link.txt"); }, "link.txt",
         "",
         [&](const ScratchFolder& f) {
             EXPECT_EQ(KindOf(f / "link.txt"), 'l');
             EXPECT_EQ(ReadFile(f / "new.txt"), text);
         }},
        {"links relative and absolute, into another folder",
         [](const ScratchFolder& f) {
             fs::create_directory(f / "sub");
             WriteFile(f / "sub" / "t.txt", "old");
             fs::create_symlink((f / "sub" / "mid.txt").string(), f / "link.txt");
             fs::create_symlink("../sub/t.txt", f / "sub" / "mid.txt");
         },
         "link.txt", "",
         [&](const ScratchFolder& f) {
             EXPECT_EQ(ReadFile(f / "sub" / "t.txt"), text);
         }},
        {"a loop of links",
         [](const ScratchFolder& f) {
             fs::create_symlink("b.txt", f / "a.txt");
             fs::create_symlink("a.txt", f / "b.txt");
         },
         "a.txt", "Too many levels of symbolic links",
         [](const ScratchFolder& f) {
             EXPECT_EQ(KindOf(f / "a.txt"), 'l');
         }},
        {"a link to a folder",
         [](const ScratchFolder& f) {
             fs::create_directory(f / "sub");
             fs::create_symlink("sub", f / "link.txt");
         },
         "link.txt", "Is a directory",
         [](const ScratchFolder& f) {
             EXPECT_TRUE(fs::is_empty(f / "sub"));
         }},
        {"a FIFO, read as it is written",
         [](const ScratchFolder& f) { ASSERT_EQ(mkfifo((f / "fifo").c_str(), 0644), 0); }, "fifo",
         "",
         [](const ScratchFolder& f) {
             EXPECT_EQ(KindOf(f / "fifo"), 'p');
         }},
        {"a device that takes everything", device(3), "dev", "",
         [](const ScratchFolder& f) {
             EXPECT_EQ(KindOf(f / "dev"), 'c');
         }},
        {"a full device", device(7), "dev", "No space left on device",
         [](const ScratchFolder& f) {
             EXPECT_EQ(KindOf(f / "dev"), 'c');
         }},
    };
    for (const TargetCase& row : cases) {
        SCOPED_TRACE(row.name);
        ScratchFolder folder;
        row.make(folder);
        if (IsSkipped()) {
            return;
        }
        std::string read;
        std::thread reader;
        if (KindOf(folder / row.target) == 'p') {
            reader = std::thread([&] { read = ReadFile(folder / row.target); });
        }
        const Attempt attempt = Convert(folder / row.target);
        if (reader.joinable()) {
            reader.join();
            EXPECT_EQ(read, text);
        }
        if (row.reason.empty()) {
            EXPECT_TRUE(attempt.outcome.ok()) << attempt.outcome.error;
        } else {
            ExpectFailed(attempt, row.reason);
        }
        row.check(folder);
        EXPECT_EQ(Temporaries(folder.path()), std::vector<std::string>{});
    }
}

// A replaced file keeps its mode, and its owner where the process may give it; a new one
// has the mode open(2) would give it.
TEST(SaveTarget, AReplacedFileKeepsItsModeAndOwner) {
    const mode_t mask = umask(0);
    umask(mask);
    const bool root = geteuid() == 0;
    const struct {
        const char* name;
        mode_t mode;     // 0: no file before
        uid_t owner;     // -1: the process's own
        mode_t expected; // the mode after
    } cases[] = {
        {"a new file", 0, static_cast<uid_t>(-1), static_cast<mode_t>(0666 & ~mask)},
        {"rw-r-----", 0640, static_cast<uid_t>(-1), 0640},
        {"rw-rw-rw-", 0666, static_cast<uid_t>(-1), 0666},
        {"set-user bit dropped", 04644, static_cast<uid_t>(-1), 0644},
        {"read-only, replaced by root as cp would", 0444, static_cast<uid_t>(-1), 0444},
        {"another user's", 0640, 65534, 0640},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        if (!root && (row.owner != static_cast<uid_t>(-1) || (row.mode & 0200) == 0)) {
            continue; // only root may give a file away or write a read-only one
        }
        ScratchFolder folder;
        const fs::path target = folder / "lcd_x.txt";
        if (row.mode != 0) {
            WriteFile(target, "old");
            ASSERT_EQ(chmod(target.c_str(), row.mode), 0);
            if (row.owner != static_cast<uid_t>(-1)) {
                ASSERT_EQ(chown(target.c_str(), row.owner, 65534), 0);
            }
        }
        const Attempt attempt = Convert(target);
        ASSERT_TRUE(attempt.outcome.ok()) << attempt.outcome.error;
        EXPECT_EQ(ReadFile(target), ExpectedText());
        EXPECT_EQ(ModeOf(target), row.expected);
        struct stat status {};
        ASSERT_EQ(stat(target.c_str(), &status), 0);
        EXPECT_EQ(status.st_uid, row.owner == static_cast<uid_t>(-1) ? geteuid() : row.owner);
    }
}

// The temporary name fits wherever the target's does: up to 255 bytes, cut between
// characters, and a path one byte short of PATH_MAX.
TEST(SaveTarget, AnyNameTheFileSystemTakesIsWritten) {
    ScratchFolder folder;
    for (const std::size_t length : {13U, 243U, 250U, 255U}) {
        SCOPED_TRACE(length);
        const std::string name = std::string(length - 12, 'n') + "\u00e9\u00e9\u00e9\u00e9.txt";
        ASSERT_EQ(name.size(), length);
        const Attempt attempt = Convert(folder / name);
        EXPECT_TRUE(attempt.outcome.ok()) << attempt.outcome.error;
        EXPECT_EQ(folder.names(), std::vector<std::string>{name});
        fs::remove(folder / name);
    }
    fs::path deep = folder.path();
    const std::string name = "lcd_deep.txt";
    while (deep.string().size() + 1 + name.size() < 4095) {
        const std::size_t rest = 4095 - deep.string().size() - 1 - name.size();
        std::size_t part = std::min<std::size_t>(rest - 1, 200);
        part -= rest - (part + 1) == 1 ? 1 : 0;
        deep /= std::string(part, 'd');
        ASSERT_TRUE(fs::create_directory(deep));
    }
    ASSERT_EQ((deep / name).string().size(), 4095U);
    const Attempt attempt = Convert(deep / name);
    EXPECT_TRUE(attempt.outcome.ok()) << attempt.outcome.error;
    EXPECT_EQ(ReadFile(deep / name), ExpectedText());
    EXPECT_EQ(Temporaries(folder.path()), std::vector<std::string>{});
}

// Until commit the target stays as it was, and a file given up leaves nothing behind.
TEST(SaveTarget, NothingChangesBeforeCommit) {
    ScratchFolder folder;
    WriteFile(folder / "t.txt", "old");
    {
        AtomicTextFile file(folder / "t.txt");
        ASSERT_TRUE(file.open());
        ASSERT_TRUE(file.write("new"));
        EXPECT_EQ(ReadFile(folder / "t.txt"), "old");
        EXPECT_EQ(folder.names().size(), 2U);
    }
    EXPECT_EQ(ReadFile(folder / "t.txt"), "old");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"t.txt"});
}

// The calls that end a save, made to fail: a sync or close that fails (NFS and full quotas
// report a failed write only there) keeps the previous file and leaves nothing beside it;
// a file system that cannot sync, or a close interrupted after closing, saves.
TEST(SaveTarget, AFailedSyncOrCloseKeepsThePreviousFile) {
    using Calls = FinishingCalls;
    const auto closeFails = +[](int fd) {
        ::close(fd);
        errno = EIO;
        return -1;
    };
    const auto closeInterrupted = +[](int fd) {
        ::close(fd);
        errno = EINTR;
        return -1;
    };
    const auto syncFails = +[](int) {
        errno = EIO;
        return -1;
    };
    const auto syncUnsupported = +[](int) {
        errno = EINVAL;
        return -1;
    };
    const struct {
        const char* name;
        Calls calls;
        bool previous; // a file there before
        std::string reason;
    } cases[] = {
        {"close fails", {::fsync, closeFails}, true, "Input/output error"},
        {"close fails, new file", {::fsync, closeFails}, false, "Input/output error"},
        {"sync fails", {syncFails, ::close}, true, "Input/output error"},
        {"sync fails, new file", {syncFails, ::close}, false, "Input/output error"},
        {"sync unsupported", {syncUnsupported, ::close}, true, ""},
        {"close interrupted", {::fsync, closeInterrupted}, true, ""},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        ScratchFolder folder;
        if (row.previous) {
            WriteFile(folder / "t.txt", "old");
        }
        AtomicTextFile file(folder / "t.txt", row.calls);
        ASSERT_TRUE(file.open());
        ASSERT_TRUE(file.write("new"));
        EXPECT_EQ(file.commit(), row.reason.empty());
        EXPECT_EQ(file.error(), row.reason);
        if (row.reason.empty()) {
            EXPECT_EQ(ReadFile(folder / "t.txt"), "new");
        } else if (row.previous) {
            EXPECT_EQ(ReadFile(folder / "t.txt"), "old");
        }
        EXPECT_EQ(folder.names(), row.previous || row.reason.empty()
                                      ? std::vector<std::string>{"t.txt"}
                                      : std::vector<std::string>{});
    }
}

// A signal that ends the process removes the temporary file being written and ends it as
// the signal would; one ignored from the start stays ignored. Run in a child process.
TEST(SaveTarget, ASignalRemovesTheTemporaryFileAndEndsTheProcess) {
    const struct {
        const char* name;
        int signal;
        bool ignoredAtStart;
    } cases[] = {
        {"SIGTERM", SIGTERM, false},
        {"SIGINT", SIGINT, false},
        {"SIGHUP", SIGHUP, false},
        {"SIGHUP ignored, as nohup leaves it", SIGHUP, true},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        ScratchFolder folder;
        WriteFile(folder / "t.txt", "old");
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (row.ignoredAtStart) {
                std::signal(row.signal, SIG_IGN);
            }
            RemoveTemporaryFilesOnSignals();
            AtomicTextFile file(folder / "t.txt");
            if (!file.open() || !file.write("new")) {
                _exit(3);
            }
            raise(row.signal);
            _exit(file.commit() ? 0 : 4);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        if (row.ignoredAtStart) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
            EXPECT_EQ(ReadFile(folder / "t.txt"), "new");
        } else {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == row.signal) << status;
            EXPECT_EQ(ReadFile(folder / "t.txt"), "old");
        }
        EXPECT_EQ(folder.names(), std::vector<std::string>{"t.txt"});
    }
}

// The reason a reader that hands a path on gives for a file it cannot open: the system's,
// at once, even for a FIFO that nobody writes. Unreadable for nobody, in a child process.
TEST(SourceReason, TheSystemsOwnWordsWithoutWaiting) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to become nobody";
    }
    ScratchFolder folder;
    WriteFile(folder / "readable", "x");
    WriteFile(folder / "locked", "x");
    ASSERT_EQ(chmod((folder / "locked").c_str(), 0), 0);
    ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0644), 0);
    std::filesystem::create_directory(folder / "folder");
    ASSERT_EQ(chmod(folder.path().c_str(), 0755), 0);
    const struct {
        const char* name;
        std::string reason;
    } cases[] = {
        {"readable", ""},
        {"fifo", ""},
        {"locked", "Permission denied"},
        {"missing", "No such file or directory"},
        {"readable/inside", "Not a directory"},
        {"folder", "Is a directory"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            alarm(5); // a reason that waits for a writer fails the test instead of hanging it
            const bool same = setresgid(65534, 65534, 65534) == 0 &&
                              setresuid(65534, 65534, 65534) == 0 &&
                              UnreadableReason((folder / row.name).string()) == row.reason;
            _exit(same ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
}

} // namespace
} // namespace pelmora
