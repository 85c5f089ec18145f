#include "core/io/atomic_text_file.h"

#include "core/io/system_error.h"
#include "core/io/temporary_files.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pelmora {

namespace {

namespace fs = std::filesystem;

// As many links as the system itself follows before it gives up with ELOOP.
constexpr int kMaxLinks = 40;

// The permission bits open(2) gives a new file. The umask is read once, from /proc where
// it can be read without being changed under another thread's feet.
mode_t NewFileMode() {
    static const mode_t mask = [] {
        if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
            char line[256];
            unsigned value = 0;
            bool found = false;
            // "Umask:\t0022", read by hand: sscanf would bring a whole scanner into the
            // browser page's module for this one line.
            while (!found && std::fgets(line, sizeof line, status) != nullptr) {
                const std::string_view text(line);
                constexpr std::string_view kField = "Umask:";
                if (!text.starts_with(kField)) {
                    continue;
                }
                const std::size_t digits = text.find_first_not_of(" \t", kField.size());
                if (digits == std::string_view::npos) {
                    continue;
                }
                const char* first = text.data() + digits;
                const auto [end, error] =
                    std::from_chars(first, text.data() + text.size(), value, 8);
                found = error == std::errc() && end != first;
            }
            std::fclose(status);
            if (found) {
                return static_cast<mode_t>(value);
            }
        }
        const mode_t current = umask(0);
        umask(current);
        return current;
    }();
    return 0666 & ~mask;
}

// The file that a path names once its symbolic links are followed, as open(2) follows
// them: a dangling link names the file it would create.
struct Destination {
    fs::path path;
    struct stat status {};
    bool exists = false;
    int error = 0;
};

Destination FollowLinks(fs::path path) {
    Destination destination;
    for (int links = 0;; ++links) {
        if (lstat(path.c_str(), &destination.status) != 0) {
            destination.error = errno == ENOENT ? 0 : errno;
            destination.path = std::move(path);
            return destination;
        }
        if (!S_ISLNK(destination.status.st_mode)) {
            destination.exists = true;
            destination.path = std::move(path);
            return destination;
        }
        if (links == kMaxLinks) {
            destination.error = ELOOP;
            return destination;
        }
        std::error_code error;
        const fs::path link = fs::read_symlink(path, error);
        if (error) {
            destination.error = error.value();
            return destination;
        }
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
}

// The temporary's name: the target's and a random ending; or, where that is too long, no
// longer than the target's own name, cut at a character.
std::string TemporaryName(const std::string& name, bool shortened) {
    std::size_t keep = name.size();
    if (shortened) {
        keep = name.size() > 7 ? name.size() - 7 : 0;
        while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) {
            --keep;
        }
    }
    return name.substr(0, keep) + ".XXXXXX";
}

// Whether fd's data is on the disk; a file system that cannot sync (EINVAL) has nothing
// more to wait for.
bool Synced(int (*sync)(int), int fd) {
    int result = 0;
    while ((result = sync(fd)) != 0 && errno == EINTR) {
    }
    return result == 0 || errno == EINVAL || errno == ENOTSUP;
}

} // namespace

AtomicTextFile::AtomicTextFile(std::filesystem::path target, FinishingCalls calls)
    : calls_(calls), target_(std::move(target)) {}

AtomicTextFile::~AtomicTextFile() {
    discard();
}

bool AtomicTextFile::fail(std::string reason) {
    error_ = std::move(reason);
    discard();
    return false;
}

bool AtomicTextFile::failWithSystemError() {
    return fail(LastSystemError());
}

void AtomicTextFile::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        const SignalsHeld held;
        ::unlink(temporary_.c_str());
        UnlistTemporaryFile(listed_);
        listed_ = -1;
        temporary_.clear();
    }
}

bool AtomicTextFile::open() {
    const Destination destination = FollowLinks(target_);
    if (destination.error != 0) {
        return fail(SystemErrorText(destination.error));
    }
    destination_ = destination.path;
    const struct stat& status = destination.status;
    if (destination_.filename().empty() || (destination.exists && S_ISDIR(status.st_mode))) {
        return fail(SystemErrorText(EISDIR));
    }
    if (!destination.exists || S_ISREG(status.st_mode)) {
        // Replacing a file needs only its folder's permission; like cp, ask for the file's.
        if (destination.exists &&
            faccessat(AT_FDCWD, destination_.c_str(), W_OK, AT_EACCESS) != 0) {
            return failWithSystemError();
        }
        return openTemporary(destination.exists ? &status : nullptr);
    }
    // A device, FIFO or socket cannot be replaced whole, and a rename would put a regular
    // file in its place: it is written straight, each write checked.
    fd_ = ::open(destination_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    return fd_ >= 0 || failWithSystemError();
}

bool AtomicTextFile::openTemporary(const struct stat* replaced) {
    // Beside the destination, so that the rename stays on one file system and is atomic.
    // A name that is taken is never written through, whatever it is (mkstemp's O_EXCL).
    for (const bool shortened : {false, true}) {
        std::string path = (destination_.parent_path() /
                            TemporaryName(destination_.filename().string(), shortened))
                               .string();
        const SignalsHeld held; // made and listed as one step for a signal's handler
        fd_ = mkostemp(path.data(), O_CLOEXEC);
        if (fd_ < 0) {
            if (errno == ENAMETOOLONG && !shortened) {
                continue;
            }
            return failWithSystemError();
        }
        temporary_ = path;
        listed_ = ListTemporaryFile(path.c_str());
        break;
    }
    mode_t mode = NewFileMode();
    if (replaced != nullptr) {
        // The owner kept where the process may (root), else the group where the user is in
        // it; set-user and set-group bits dropped, as a write to the file would drop them.
        if ((replaced->st_uid != geteuid() || replaced->st_gid != getegid()) &&
            fchown(fd_, replaced->st_uid, replaced->st_gid) != 0) {
            [[maybe_unused]] const int groupKept =
                fchown(fd_, static_cast<uid_t>(-1), replaced->st_gid);
        }
        mode = replaced->st_mode & 01777;
    }
    // A file system without modes (vfat) keeps its own: the text is what matters.
    [[maybe_unused]] const int modeKept = fchmod(fd_, mode);
    return true;
}

bool AtomicTextFile::write(std::string_view text) {
    if (fd_ < 0) {
        return fail(error_.empty() ? "the file was not open" : error_);
    }
    while (!text.empty()) {
        const ssize_t written = ::write(fd_, text.data(), text.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            if (written == 0) {
                errno = EIO; // a device that takes nothing and says nothing
            }
            return failWithSystemError();
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool AtomicTextFile::commit() {
    if (fd_ < 0) {
        return fail(error_.empty() ? "the file was not open" : error_);
    }
    // The text reaches the disk before its name does: renamed first, a power cut could leave
    // an empty file where the old one was.
    if (!temporary_.empty() && !Synced(calls_.fsync, fd_)) {
        return failWithSystemError();
    }
    // A file system that reports a failed write only now (NFS, a full quota) is heard here.
    const int fd = fd_;
    fd_ = -1;
    if (calls_.close(fd) != 0 && errno != EINTR) {
        return failWithSystemError();
    }
    if (temporary_.empty()) {
        return true;
    }
    // Renaming over a folder fails (EISDIR), so a folder put in the destination's place
    // meanwhile sees nothing but the temporary file's removal.
    const SignalsHeld held;
    if (std::rename(temporary_.c_str(), destination_.c_str()) != 0) {
        return failWithSystemError();
    }
    UnlistTemporaryFile(listed_);
    listed_ = -1;
    temporary_.clear();
    // The rename itself made lasting. The new file is in place whatever this gives, so a
    // folder that cannot be synced (some network file systems) fails nothing.
    const fs::path folder =
        destination_.parent_path().empty() ? fs::path(".") : destination_.parent_path();
    if (const int listing = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        listing >= 0) {
        [[maybe_unused]] const bool folderSynced = Synced(calls_.fsync, listing);
        ::close(listing);
    }
    return true;
}

} // namespace pelmora
