// pelmora-cli with standard input and with every kind of output failing: a full device, a
// file-size limit, a missing folder, a closed or broken standard output, a signal part way
// through a batch. A failure is exit 1 with the path and the reason on one line, and a file
// that was there before stays as it was. Outputs that are links, devices and FIFOs are
// written as cp writes them; device nodes are the test's own, made with mknod.

#include "support/shell.h"
#include "support/test_pictures.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pelmora {
namespace {

using test::EncodeBmp;
using test::ExpectedLcdText;
using test::KindOf;
using test::Picture;
using test::ReadFile;
using test::ScratchFolder;
using test::WriteFile;

using test::Ran;
using test::Shell;
using test::Unprivileged;

Picture SomePicture() {
    return test::RandomPicture(41);
}

TEST(CliStdin, ConvertAndShowReadStandardInputForDash) {
    ScratchFolder folder;
    const Picture picture = SomePicture();
    WriteFile(folder / "p.bmp", EncodeBmp(picture));

    const Ran db = Shell(folder, "$CLI convert --stdout - < p.bmp");
    EXPECT_EQ(db.exitCode, 0) << db.err;
    EXPECT_EQ(db.out, ExpectedLcdText(picture, 0));

    // Named by --name: the file is written in the current folder under that name.
    const Ran named = Shell(folder, "$CLI convert --format c --name logo - < p.bmp");
    EXPECT_EQ(named.exitCode, 0) << named.err;
    EXPECT_EQ(named.out, "./lcd_logo.h\n");
    EXPECT_NE(ReadFile(folder / "lcd_logo.h").find("const uint8_t logo[1024]"), std::string::npos);
    const Ran symbol = Shell(folder, "$CLI convert --format c --stdout - < p.bmp");
    EXPECT_NE(symbol.out.find("lcd_stdin[1024]"), std::string::npos);

    const Ran shown = Shell(folder, "$CLI convert --stdout p.bmp | $CLI show -");
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_EQ(shown.out, Shell(folder, "$CLI convert p.bmp >/dev/null && $CLI show lcd_p.txt").out);

    const Ran bad = Shell(folder, "$CLI convert --stdout - < /dev/null");
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(bad.err.rfind("pelmora-cli: standard input: ", 0), 0U) << bad.err;

    for (const char* line : {"$CLI convert - < p.bmp", "$CLI convert --stdout - - < p.bmp"}) {
        const Ran usage = Shell(folder, line);
        EXPECT_EQ(usage.exitCode, 2) << line;
        EXPECT_NE(usage.err.find("standard input"), std::string::npos) << usage.err;
    }
}

TEST(CliStdin, AHugeInputIsRefusedBeforeItIsReadIn) {
    ScratchFolder folder;
    WriteFile(folder / "huge.txt", "");
    std::filesystem::resize_file(folder / "huge.txt", 300U * 1024 * 1024); // sparse
    const std::string reason = "the file is larger than 32 MiB, far more than any panel needs\n";
    const Ran shown = Shell(folder, "$CLI show huge.txt");
    EXPECT_EQ(shown.exitCode, 1);
    EXPECT_EQ(shown.err, "pelmora-cli: huge.txt: " + reason);
    // Standard input cannot be sized first: it is read no further than the limit.
    const Ran piped = Shell(folder, "head -c 40000000 /dev/zero | $CLI show -");
    EXPECT_EQ(piped.exitCode, 1);
    EXPECT_EQ(piped.err, "pelmora-cli: standard input: " + reason);
}

// On a terminal (script gives the command one), a batch shows "done / total" on one line
// of standard error and clears it; --quiet, or standard error elsewhere, shows nothing.
TEST(CliProgress, ABatchOnATerminalShowsOneLineOfProgress) {
    ScratchFolder folder;
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
        WriteFile(folder / name, EncodeBmp(SomePicture()));
    }
    const Ran terminal =
        Shell(folder, "script -qec \"$CLI convert --output-dir . a.bmp b.bmp c.bmp\" /dev/null");
    ASSERT_EQ(terminal.exitCode, 0) << terminal.err;
    EXPECT_NE(terminal.out.find("\r\033[K2 / 3 files"), std::string::npos) << terminal.out;
    EXPECT_NE(terminal.out.find("\r\033[K3 / 3 files\r\033[K"), std::string::npos);
    EXPECT_NE(terminal.out.find("./lcd_c.txt"), std::string::npos);
    const Ran quiet = Shell(
        folder, "script -qec \"$CLI convert --quiet --output-dir . a.bmp b.bmp c.bmp\" /dev/null");
    EXPECT_EQ(quiet.out.find("files"), std::string::npos) << quiet.out;
    const Ran piped = Shell(folder, "$CLI convert --output-dir . a.bmp b.bmp c.bmp");
    EXPECT_EQ(piped.err, "");
}

TEST(CliFailedOutput, AFullDeviceIsExitOneWithTheReason) {
    ScratchFolder folder;
    WriteFile(folder / "p.bmp", EncodeBmp(SomePicture()));
    ASSERT_EQ(Shell(folder, "$CLI convert --quiet p.bmp").exitCode, 0);
    for (const char* line :
         {"$CLI convert --stdout p.bmp > /dev/full", "$CLI convert p.bmp > /dev/full",
          "$CLI show lcd_p.txt > /dev/full", "$CLI show --blocks lcd_p.txt > /dev/full",
          "$CLI --help > /dev/full", "$CLI --version > /dev/full"}) {
        const Ran ran = Shell(folder, line);
        EXPECT_EQ(ran.exitCode, 1) << line;
        EXPECT_EQ(ran.err, "pelmora-cli: standard output: No space left on device\n") << line;
    }
}

TEST(CliFailedOutput, AFileSizeLimitKeepsTheEarlierFileWhole) {
    ScratchFolder folder;
    WriteFile(folder / "p.bmp", EncodeBmp(SomePicture()));
    const std::string earlier = "an earlier file that must survive\n";
    // 2 blocks: 1,024 bytes, less than any of the outputs below.
    for (const char* line :
         {"$CLI convert --quiet p.bmp", "$CLI convert --quiet --format c p.bmp",
          "$CLI show --png shown.png lcd_p.txt", "$CLI show --bmp shown.bmp lcd_p.txt"}) {
        SCOPED_TRACE(line);
        ASSERT_EQ(Shell(folder, "$CLI convert --quiet p.bmp").exitCode, 0);
        const std::string text = ReadFile(folder / "lcd_p.txt");
        for (const char* name : {"lcd_p.h", "shown.png", "shown.bmp"}) {
            WriteFile(folder / name, earlier);
        }
        const std::string target =
            std::string(line).find("--format c") != std::string::npos ? "lcd_p.h"
            : std::string(line).find("--png") != std::string::npos    ? "shown.png"
            : std::string(line).find("--bmp") != std::string::npos    ? "shown.bmp"
                                                                      : "lcd_p.txt";
        const std::string before = ReadFile(folder / target);
        const Ran ran = Shell(folder, line, 2);
        EXPECT_EQ(ran.exitCode, 1);
        const std::string shown = target.rfind("lcd_", 0) == 0 ? "./" + target : target;
        EXPECT_EQ(ran.err, "pelmora-cli: " + shown + ": File too large\n");
        EXPECT_EQ(ReadFile(folder / target), before);
        EXPECT_EQ(ReadFile(folder / "lcd_p.txt"), text);
        EXPECT_EQ(folder.names(), (std::vector<std::string>{"lcd_p.h", "lcd_p.txt", "p.bmp",
                                                            "shown.bmp", "shown.png"}));
    }
}

TEST(CliFailedOutput, AMissingFolderIsNamed) {
    ScratchFolder folder;
    WriteFile(folder / "p.bmp", EncodeBmp(SomePicture()));
    const Ran convert = Shell(folder, "$CLI convert --output-dir gone p.bmp");
    EXPECT_EQ(convert.exitCode, 1);
    EXPECT_EQ(convert.err, "pelmora-cli: gone/lcd_p.txt: No such file or directory\n");
    ASSERT_EQ(Shell(folder, "$CLI convert --quiet p.bmp").exitCode, 0);
    const Ran png = Shell(folder, "$CLI show --png gone/p.png lcd_p.txt");
    EXPECT_EQ(png.exitCode, 1);
    EXPECT_EQ(png.err, "pelmora-cli: gone/p.png: No such file or directory\n");
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"lcd_p.txt", "p.bmp"}));
}

// What strace sees of a save: the temporary file synced before it is renamed over the old
// file, then its folder synced, so that a power cut leaves the old file or the new one.
TEST(CliFailedOutput, ASaveIsSyncedBeforeItsRenameAndItsFolderAfter) {
    ScratchFolder folder;
    if (Shell(folder, "strace -V").exitCode != 0) {
        GTEST_SKIP() << "strace is not installed";
    }
    WriteFile(folder / "p.bmp", EncodeBmp(SomePicture()));
    for (const std::string line :
         {"$CLI convert --quiet --format c p.bmp", "$CLI convert --frames --quiet -o f.h p.bmp",
          "$CLI prepare -o q.bmp p.bmp"}) {
        SCOPED_TRACE(line);
        ASSERT_EQ(Shell(folder, line).exitCode, 0); // the file replaced is there before
        const Ran traced = Shell(folder, "strace -f -qq -o trace -e trace=openat,fsync,fdatasync,"
                                         "rename,renameat,renameat2 " +
                                             line);
        if (traced.exitCode != 0 && traced.err.find("ptrace") != std::string::npos) {
            GTEST_SKIP() << "strace cannot trace here: " << traced.err;
        }
        ASSERT_EQ(traced.exitCode, 0) << traced.err;
        // The calls in order; an fd named by what opened it: the temporary file beside the
        // output (a name ending in a dot and six characters) or a folder.
        std::vector<std::string> calls;
        std::map<std::string, std::string> opened;
        std::istringstream lines(ReadFile(folder / "trace"));
        for (std::string entry; std::getline(lines, entry);) {
            entry.erase(0, entry.find_first_not_of("0123456789 ")); // the process's number
            const std::size_t paren = entry.find('(');
            const std::size_t equals = entry.rfind(" = ");
            if (paren == std::string::npos || equals == std::string::npos) {
                continue;
            }
            const std::string name = entry.substr(0, paren);
            const std::string result = entry.substr(equals + 3);
            const std::size_t quote = entry.find('"');
            const std::string path =
                quote == std::string::npos
                    ? ""
                    : entry.substr(quote + 1, entry.find('"', quote + 1) - quote - 1);
            const bool temporary = path.size() > 7 && path[path.size() - 7] == '.' &&
                                   entry.find("O_EXCL") != std::string::npos;
            if (name == "openat" && (temporary || entry.find("O_DIRECTORY") != std::string::npos)) {
                opened[result.substr(0, result.find(' '))] = temporary ? "temporary" : "folder";
            } else if (name == "fsync" || name == "fdatasync") {
                const std::string fd = entry.substr(paren + 1, entry.find(')') - paren - 1);
                calls.push_back("sync " + (opened.count(fd) != 0 ? opened[fd] : "fd " + fd));
            } else if (name.starts_with("rename")) {
                calls.push_back("rename");
            }
        }
        EXPECT_EQ(calls, (std::vector<std::string>{"sync temporary", "rename", "sync folder"}))
            << ReadFile(folder / "trace");
    }
}

namespace fs = std::filesystem;

// A folder holding lcd_p.txt; the BMP that show --bmp makes of it, proved first by
// converting it back to the very text.
std::string PanelFolder(const ScratchFolder& folder) {
    WriteFile(folder / "p.bmp", EncodeBmp(SomePicture()));
    const Ran made = Shell(folder, "$CLI convert --quiet p.bmp && rm p.bmp && "
                                   "$CLI show --bmp expected.bmp lcd_p.txt && "
                                   "$CLI convert --stdout expected.bmp | cmp - lcd_p.txt");
    EXPECT_EQ(made.exitCode, 0) << made.err;
    std::string bmp = ReadFile(folder / "expected.bmp");
    fs::remove(folder / "expected.bmp");
    return bmp;
}

// What a save leaves beside its target while it writes: a name with a six-character ending.
std::vector<std::string> Temporaries(const ScratchFolder& folder) {
    std::vector<std::string> found;
    std::error_code error;
    for (fs::recursive_directory_iterator entry(folder.path(), error), end; entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        const std::size_t dot = name.find_last_of('.');
        if (dot != std::string::npos && name.size() - dot == 7) {
            found.push_back(name);
        }
    }
    return found;
}

struct stat StatusOf(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(stat(path.c_str(), &status), 0) << path;
    return status;
}

// A character device like the machine's own (1,3 takes everything, 1,7 is always full),
// made in the test's folder: a save must never be tried on the machine's.
bool MakeDevice(const fs::path& path, unsigned minor) {
    return mknod(path.c_str(), S_IFCHR | 0666, makedev(1, minor)) == 0 &&
           chmod(path.c_str(), 0666) == 0;
}

// Why device nodes cannot be made or opened in a scratch folder here; empty when they can.
std::string DevicesRefused() {
    ScratchFolder folder;
    if (!MakeDevice(folder / "probe", 3)) {
        return std::string("mknod: ") + std::strerror(errno);
    }
    const int fd = open((folder / "probe").c_str(), O_WRONLY);
    if (fd < 0) {
        return std::string("a device node in the temporary folder: ") + std::strerror(errno);
    }
    close(fd);
    return {};
}

constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;

// Made the unprivileged user's own: nobody's when the tests run as root.
void GiveToUser(const fs::path& path) {
    if (geteuid() == 0) {
        ASSERT_EQ(lchown(path.c_str(), kNobody, kNogroup), 0) << path;
    }
}

void Symlink(const std::string& target, const fs::path& link) {
    fs::create_symlink(target, link);
}

struct TargetCase {
    const char* name;
    std::function<void(const ScratchFolder&)> make;
    std::string line;
    int exitCode;
    std::string err;
    std::function<void(const ScratchFolder&, const std::string& bmp)> check;
    bool device = false;
};

void RunTargetCases(const std::vector<TargetCase>& cases, bool unprivileged) {
    const std::string devicesRefused = DevicesRefused();
    for (const TargetCase& row : cases) {
        SCOPED_TRACE(row.name);
        if (row.device && !devicesRefused.empty()) {
            std::printf("skipped \"%s\": %s\n", row.name, devicesRefused.c_str());
            continue;
        }
        ScratchFolder folder;
        const std::string bmp = PanelFolder(folder);
        if (unprivileged) {
            fs::permissions(folder.path(), fs::perms::all);
        }
        row.make(folder);
        const Ran ran = Shell(folder, unprivileged ? Unprivileged(row.line) : row.line);
        EXPECT_EQ(ran.exitCode, row.exitCode);
        EXPECT_EQ(ran.err, row.err);
        row.check(folder, bmp);
        EXPECT_EQ(Temporaries(folder), std::vector<std::string>{});
        std::error_code ignored;
        fs::permissions(folder / "ro", fs::perms::owner_all, fs::perm_options::add, ignored);
    }
}

// Written as cp writes: through a link to the file it names (made when it dangles), and
// straight to a device or a FIFO, which stay what they are.
TEST(CliOutputTargets, LinksDevicesAndFifosAreWrittenThrough) {
    const auto old = [](const ScratchFolder& folder, const char* name) {
        WriteFile(folder / name, "old");
    };
    RunTargetCases(
        {
            {"a device that takes everything",
             [](const ScratchFolder& f) { ASSERT_TRUE(MakeDevice(f / "null", 3)); },
             "$CLI show --bmp null lcd_p.txt", 0, "",
             [](const ScratchFolder& f, const std::string&) { EXPECT_EQ(KindOf(f / "null"), 'c'); },
             true},
            {"a full device",
             [](const ScratchFolder& f) { ASSERT_TRUE(MakeDevice(f / "full", 7)); },
             "$CLI show --bmp full lcd_p.txt", 1, "pelmora-cli: full: No space left on device\n",
             [](const ScratchFolder& f, const std::string&) { EXPECT_EQ(KindOf(f / "full"), 'c'); },
             true},
            {"a FIFO, read as it is written",
             [](const ScratchFolder& f) { ASSERT_EQ(mkfifo((f / "fifo").c_str(), 0644), 0); },
             "timeout 10 cat fifo > got & $CLI show --bmp fifo lcd_p.txt; s=$?; wait; exit $s", 0,
             "",
             [](const ScratchFolder& f, const std::string& bmp) {
                 EXPECT_EQ(KindOf(f / "fifo"), 'p');
                 EXPECT_EQ(ReadFile(f / "got"), bmp);
             }},
            {"a link to a file",
             [&](const ScratchFolder& f) {
                 old(f, "t.bmp");
                 Symlink("t.bmp", f / "link.bmp");
             },
             "$CLI show --bmp link.bmp lcd_p.txt", 0, "",
             [](const ScratchFolder& f, const std::string& bmp) {
                 EXPECT_EQ(fs::read_symlink(f / "link.bmp"), "t.bmp");
                 EXPECT_EQ(ReadFile(f / "t.bmp"), bmp);
             }},
            {"a dangling link: the file it names is made",
             [](const ScratchFolder& f) { Symlink("new.bmp", f / "link.bmp"); },
             "$CLI show --bmp link.bmp lcd_p.txt", 0, "",
             [](const ScratchFolder& f, const std::string& bmp) {
                 EXPECT_EQ(KindOf(f / "link.bmp"), 'l');
                 EXPECT_EQ(ReadFile(f / "new.bmp"), bmp);
             }},
            {"a link to a link, relative then absolute, through folders",
             [&](const ScratchFolder& f) {
                 old(f, "t.bmp");
                 fs::create_directory(f / "sub");
                 Symlink("sub/b.bmp", f / "a.bmp");
                 Symlink((f / "t.bmp").string(), f / "sub" / "b.bmp");
             },
             "$CLI show --bmp a.bmp lcd_p.txt", 0, "",
             [](const ScratchFolder& f, const std::string& bmp) {
                 EXPECT_EQ(KindOf(f / "a.bmp"), 'l');
                 EXPECT_EQ(KindOf(f / "sub" / "b.bmp"), 'l');
                 EXPECT_EQ(ReadFile(f / "t.bmp"), bmp);
             }},
            {"a loop of links",
             [](const ScratchFolder& f) {
                 Symlink("b.bmp", f / "a.bmp");
                 Symlink("a.bmp", f / "b.bmp");
             },
             "$CLI show --bmp a.bmp lcd_p.txt", 1,
             "pelmora-cli: a.bmp: Too many levels of symbolic links\n",
             [](const ScratchFolder& f, const std::string&) {
                 EXPECT_EQ(KindOf(f / "a.bmp"), 'l');
                 EXPECT_EQ(KindOf(f / "b.bmp"), 'l');
             }},
            {"a dangling link into a missing folder",
             [](const ScratchFolder& f) { Symlink("gone/x.bmp", f / "link.bmp"); },
             "$CLI show --bmp link.bmp lcd_p.txt", 1,
             "pelmora-cli: link.bmp: No such file or directory\n",
             [](const ScratchFolder& f, const std::string&) {
                 EXPECT_EQ(KindOf(f / "link.bmp"), 'l');
                 EXPECT_FALSE(fs::exists(f / "gone"));
             }},
        },
        false);
}

// What cp would refuse an unprivileged user is refused, with its words; nothing is ever
// half-written, so a file the user may write in a folder the user may not is refused too.
TEST(CliOutputTargets, AnUnprivilegedUserIsRefusedWhatCpWouldRefuse) {
    if (Unprivileged("true").empty()) {
        GTEST_SKIP() << "setpriv cannot make this process nobody here";
    }
    const auto readOnlyFolder = [](const ScratchFolder& f) {
        fs::create_directory(f / "ro");
        WriteFile(f / "ro" / "t.bmp", "old");
    };
    const auto closeFolder = [](const ScratchFolder& f) {
        ASSERT_EQ(chmod((f / "ro").c_str(), 0555), 0);
    };
    const auto keptOld = [](const char* name) {
        return [name](const ScratchFolder& f, const std::string&) {
            EXPECT_EQ(ReadFile(f / name), "old");
        };
    };
    RunTargetCases(
        {
            {"a null device open to all",
             [](const ScratchFolder& f) { ASSERT_TRUE(MakeDevice(f / "null", 3)); },
             "$CLI show --bmp null lcd_p.txt", 0, "",
             [](const ScratchFolder& f, const std::string&) { EXPECT_EQ(KindOf(f / "null"), 'c'); },
             true},
            {"a read-only file of one's own",
             [](const ScratchFolder& f) {
                 WriteFile(f / "t.bmp", "old");
                 GiveToUser(f / "t.bmp");
                 ASSERT_EQ(chmod((f / "t.bmp").c_str(), 0444), 0);
             },
             "$CLI show --bmp t.bmp lcd_p.txt", 1, "pelmora-cli: t.bmp: Permission denied\n",
             [](const ScratchFolder& f, const std::string&) {
                 EXPECT_EQ(ReadFile(f / "t.bmp"), "old");
                 EXPECT_EQ(StatusOf(f / "t.bmp").st_mode & 07777, 0444U);
             }},
            {"a file of one's own keeps its mode",
             [](const ScratchFolder& f) {
                 WriteFile(f / "t.bmp", "old");
                 GiveToUser(f / "t.bmp");
                 ASSERT_EQ(chmod((f / "t.bmp").c_str(), 0640), 0);
             },
             "$CLI show --bmp t.bmp lcd_p.txt", 0, "",
             [](const ScratchFolder& f, const std::string& bmp) {
                 EXPECT_EQ(ReadFile(f / "t.bmp"), bmp);
                 EXPECT_EQ(StatusOf(f / "t.bmp").st_mode & 07777, 0640U);
             }},
            {"a link into a folder one cannot write",
             [&](const ScratchFolder& f) {
                 readOnlyFolder(f);
                 Symlink("ro/t.bmp", f / "link.bmp");
                 closeFolder(f);
             },
             "$CLI show --bmp link.bmp lcd_p.txt", 1, "pelmora-cli: link.bmp: Permission denied\n",
             [&](const ScratchFolder& f, const std::string& bmp) {
                 EXPECT_EQ(KindOf(f / "link.bmp"), 'l');
                 keptOld("ro/t.bmp")(f, bmp);
             }},
            {"a dangling link into a folder one cannot write",
             [&](const ScratchFolder& f) {
                 readOnlyFolder(f);
                 Symlink("ro/new.bmp", f / "link.bmp");
                 closeFolder(f);
             },
             "$CLI show --bmp link.bmp lcd_p.txt", 1, "pelmora-cli: link.bmp: Permission denied\n",
             [](const ScratchFolder& f, const std::string&) {
                 EXPECT_EQ(KindOf(f / "link.bmp"), 'l');
                 EXPECT_FALSE(fs::exists(f / "ro" / "new.bmp"));
             }},
            {"a file one may write in a folder one cannot",
             [&](const ScratchFolder& f) {
                 readOnlyFolder(f);
                 GiveToUser(f / "ro" / "t.bmp");
                 closeFolder(f);
             },
             "$CLI show --bmp ro/t.bmp lcd_p.txt", 1, "pelmora-cli: ro/t.bmp: Permission denied\n",
             keptOld("ro/t.bmp")},
        },
        true);
}

// As root a replaced file keeps its owner, group and mode, as cp keeps them, and a
// read-only file is replaced, as root's cp replaces it.
TEST(CliOutputTargets, AsRootAReplacedFileKeepsItsOwnerGroupAndMode) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "only root may give a file to another user";
    }
    const struct {
        const char* name;
        uid_t owner;
        gid_t group;
        mode_t mode;
    } cases[] = {
        {"another user's file", kNobody, kNogroup, 0640},
        {"root's read-only file", 0, 0, 0444},
        {"root's file, its group another", 0, kNogroup, 0664},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        ScratchFolder folder;
        const std::string bmp = PanelFolder(folder);
        WriteFile(folder / "t.bmp", "old");
        ASSERT_EQ(chown((folder / "t.bmp").c_str(), row.owner, row.group), 0);
        ASSERT_EQ(chmod((folder / "t.bmp").c_str(), row.mode), 0);
        const Ran ran = Shell(folder, "$CLI show --bmp t.bmp lcd_p.txt");
        EXPECT_EQ(ran.exitCode, 0) << ran.err;
        EXPECT_EQ(ReadFile(folder / "t.bmp"), bmp);
        const struct stat status = StatusOf(folder / "t.bmp");
        EXPECT_EQ(status.st_uid, row.owner);
        EXPECT_EQ(status.st_gid, row.group);
        EXPECT_EQ(status.st_mode & 07777, row.mode);
    }
}

// The temporary file's name fits wherever the output's does: names of up to 255 bytes, and
// a path one byte short of PATH_MAX.
TEST(CliOutputTargets, AnyNameTheFileSystemTakesIsWritten) {
    ScratchFolder folder;
    const std::string bmp = PanelFolder(folder);
    for (const std::size_t length : {243U, 249U, 255U}) {
        SCOPED_TRACE(length);
        // An accented letter where the temporary's shortened name is cut: cut at a character.
        const std::string name = std::string(length - 13, 'n') + "\u00e9\u00e9\u00e9\u00e9.bmp";
        const Ran ran = Shell(folder, "$CLI show --bmp '" + name + "' lcd_p.txt");
        EXPECT_EQ(ran.exitCode, 0) << ran.err;
        EXPECT_EQ(ReadFile(folder / name), bmp);
        fs::remove(folder / name);
        EXPECT_EQ(Temporaries(folder), std::vector<std::string>{});
    }
    const std::string name = "lcd_deep.bmp";
    std::string deep;
    for (std::size_t rest = 4095 - name.size(); rest > 0;) {
        std::size_t part = std::min<std::size_t>(rest - 1, 200);
        part -= rest - (part + 1) == 1 ? 1 : 0; // never leave a single byte over
        deep += std::string(part, 'd') + "/";
        rest -= part + 1;
    }
    ASSERT_EQ(deep.size() + name.size(), 4095U);
    const Ran ran = Shell(folder, "mkdir -p " + deep + " && $CLI show --bmp " + deep + name +
                                      " lcd_p.txt && ls " + deep);
    EXPECT_EQ(ran.exitCode, 0) << ran.err;
    EXPECT_EQ(ran.out, name + "\n");
    Shell(folder, "rm -rf " + deep.substr(0, deep.find('/')));
}

// A signal part way through a batch removes the temporary file being written and ends the
// process by that signal. The process is stopped until a temporary file is there, so that
// the signal surely meets one.
TEST(CliSignals, ABatchEndedByASignalLeavesNoTemporaryFile) {
    ScratchFolder folder;
    const std::string bmp = EncodeBmp(SomePicture());
    std::vector<std::string> arguments{"convert", "--quiet", "--output-dir", "out"};
    for (int i = 0; i < 3000; ++i) {
        arguments.push_back("p" + std::to_string(i) + ".bmp");
        WriteFile(folder / arguments.back(), bmp);
    }
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        fs::remove_all(folder / "out");
        fs::create_directory(folder / "out");
        const pid_t child = test::StartCli(folder, arguments);
        ASSERT_GT(child, 0);
        int status = 0;
        bool caught = false;
        for (int attempt = 0; attempt < 10000 && !caught; ++attempt) {
            kill(child, SIGSTOP);
            ASSERT_EQ(waitpid(child, &status, WUNTRACED), child);
            ASSERT_TRUE(WIFSTOPPED(status)) << "the batch ended before a temporary file was seen";
            caught = !Temporaries(folder).empty();
            if (!caught) {
                kill(child, SIGCONT);
                std::this_thread::sleep_for(std::chrono::microseconds(attempt % 50 * 10));
            }
        }
        ASSERT_TRUE(caught);
        kill(child, signal);
        kill(child, SIGCONT);
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(Temporaries(folder), std::vector<std::string>{});
    }
}

// A closed standard stream is an error only when something is to be written to it; the
// picture helper's pipes work whatever was closed at start.
TEST(CliStreams, AClosedStandardStreamFailsOnlyWhenWrittenTo) {
    ScratchFolder folder;
    WriteFile(folder / "p.bmp", EncodeBmp(SomePicture()));
    ASSERT_EQ(
        Shell(folder, "$CLI convert --quiet p.bmp && $CLI prepare -o made.bmp p.bmp").exitCode, 0);
    const std::string text = ReadFile(folder / "lcd_p.txt");
    const std::string prepared = ReadFile(folder / "made.bmp");
    const std::string closed = "pelmora-cli: standard output: Bad file descriptor\n";
    const struct {
        const char* line;
        int exitCode;
        std::string err;
    } cases[] = {
        {"$CLI convert --quiet p.bmp >&-", 0, ""},
        {"$CLI convert --stdout p.bmp >&-", 1, closed},
        {"$CLI convert p.bmp >&-", 1, closed},
        {"$CLI show --png shown.png lcd_p.txt >&-", 0, ""},
        {"$CLI show --bmp shown.bmp lcd_p.txt <&- >&-", 0, ""},
        {"$CLI show lcd_p.txt >&-", 1, closed},
        {"$CLI prepare --quiet -o made.bmp p.bmp >&-", 0, ""},
        {"$CLI prepare --quiet -o made.bmp p.bmp <&- >&-", 0, ""},
        {"$CLI prepare -o made.bmp p.bmp >&-", 1, closed},
        {"$CLI --version >&-", 1, closed},
        {"$CLI show - <&-", 1, "pelmora-cli: standard input: Bad file descriptor\n"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.line);
        const std::string line = row.line;
        const bool converts =
            line.find("convert") != std::string::npos && line.find("--stdout") == std::string::npos;
        const bool prepares = line.find("prepare") != std::string::npos;
        fs::remove(folder / (converts ? "lcd_p.txt" : "made.bmp"));
        const Ran ran = Shell(folder, line);
        EXPECT_EQ(ran.exitCode, row.exitCode);
        EXPECT_EQ(ran.err, row.err);
        if (converts) {
            EXPECT_EQ(ReadFile(folder / "lcd_p.txt"), text);
        }
        if (prepares) {
            EXPECT_EQ(ReadFile(folder / "made.bmp"), prepared);
        }
    }
    // Standard error closed too: the work is done and the exit status still tells.
    fs::remove(folder / "made.bmp");
    EXPECT_EQ(Shell(folder, "$CLI prepare --quiet -o made.bmp p.bmp <&- >&- 2>&-").exitCode, 0);
    EXPECT_EQ(ReadFile(folder / "made.bmp"), prepared);
    EXPECT_EQ(Shell(folder, "$CLI show lcd_p.txt >&- 2>&-").exitCode, 1);
}

// A reader that has gone: exit 1 and one line, as for any failed write, not a silent death
// by SIGPIPE. The reader ends before pelmora-cli writes.
TEST(CliStreams, ABrokenPipeIsExitOneWithAMessage) {
    ScratchFolder folder;
    WriteFile(folder / "p.bmp", EncodeBmp(SomePicture()));
    ASSERT_EQ(Shell(folder, "$CLI convert --quiet p.bmp").exitCode, 0);
    for (const std::string command :
         {"$CLI show lcd_p.txt", "$CLI convert --stdout p.bmp", "$CLI convert p.bmp",
          "$CLI prepare -o made.bmp p.bmp", "$CLI --help"}) {
        SCOPED_TRACE(command);
        const Ran ran =
            Shell(folder, "{ sleep 0.2; " + command + "; echo \"exit $?\" >&2; } | true");
        EXPECT_EQ(ran.err, "pelmora-cli: standard output: Broken pipe\nexit 1\n");
    }
}

// The system's own reason for a file that cannot be read.
TEST(CliStreams, AnUnreadableFileIsPermissionDenied) {
    if (Unprivileged("true").empty()) {
        GTEST_SKIP() << "setpriv cannot make this process nobody here";
    }
    ScratchFolder folder;
    WriteFile(folder / "p.bmp", EncodeBmp(SomePicture()));
    ASSERT_EQ(Shell(folder, "$CLI convert --quiet p.bmp").exitCode, 0);
    ASSERT_EQ(chmod(folder.path().c_str(), 0777), 0);
    ASSERT_EQ(chmod((folder / "p.bmp").c_str(), 0), 0);
    ASSERT_EQ(chmod((folder / "lcd_p.txt").c_str(), 0), 0);
    for (const auto& [line, subject] :
         {std::pair{"$CLI show lcd_p.txt", "lcd_p.txt"}, std::pair{"$CLI convert p.bmp", "p.bmp"},
          std::pair{"$CLI prepare -o m.bmp p.bmp", "p.bmp"}}) {
        SCOPED_TRACE(line);
        const Ran ran = Shell(folder, Unprivileged(line));
        EXPECT_EQ(ran.exitCode, 1);
        EXPECT_EQ(ran.err, std::string("pelmora-cli: ") + subject + ": Permission denied\n");
    }
}

// A file name with control characters is quoted as ls quotes it, so every message stays
// one line, and a shell reads the quoted name back as the very bytes.
TEST(CliMessages, ControlCharactersInANameAreQuotedAsLsQuotesThem) {
    ScratchFolder folder;
    const struct {
        const char* name;
        std::string file;
        std::string quoted;
    } cases[] = {
        {"a newline", "a\nb.txt", R"('a'$'\n''b.txt')"},
        {"a newline first and last", "\nb\n", R"(''$'\n''b'$'\n')"},
        {"an escape sequence", "a\033[31mb", R"('a'$'\033''[31mb')"},
        {"a run of controls", "a\r\t\x01\x7f", R"('a'$'\r\t\001\177')"},
        {"quotes beside controls", "'\n'", R"(''\'''$'\n'\''')"},
        {"UTF-8 beside a tab", "\u00e9\t\u00fc", "'\u00e9'$'\\t''\u00fc'"},
        {"no control: as it is", "it's a b\\n", "it's a b\\n"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        fs::create_directory(folder / row.file);
        setenv("NAME", row.file.c_str(), 1);
        const Ran ran = Shell(folder, "$CLI show \"$NAME\"");
        EXPECT_EQ(ran.exitCode, 1);
        EXPECT_EQ(ran.err, "pelmora-cli: " + row.quoted + ": Is a directory\n");
        if (row.quoted != row.file) {
            const Ran ls =
                Shell(folder, "LC_ALL=C.UTF-8 ls -d --quoting-style=shell-escape -- \"$NAME\"");
            EXPECT_EQ(ls.out, row.quoted + "\n");
            setenv("QUOTED", row.quoted.c_str(), 1);
            const Ran read = Shell(folder, "bash -c 'eval \"printf %s $1\"' _ \"$QUOTED\"");
            EXPECT_EQ(read.out, row.file);
        }
        fs::remove(folder / row.file);
    }
}

} // namespace
} // namespace pelmora
