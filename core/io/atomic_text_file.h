#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include <sys/stat.h>
#include <unistd.h>

namespace pelmora {

// The calls that end a save, a value so that a test can make one fail; each is the
// system's own unless given.
struct FinishingCalls {
    int (*fsync)(int fd) = ::fsync;
    int (*close)(int fd) = ::close;
};

// A file written as a careful program saves one. A regular file (or a new one) is replaced
// only once every byte is written and closed: until commit() succeeds the target is
// untouched, and a file never committed leaves nothing behind, a signal that ends the
// process included (see RemoveTemporaryFilesOnSignals). A replaced file keeps its mode and,
// where the process may, its owner and group; a file the user could not write is refused.
// A symbolic link is written through to the file it names, created when it dangles. A
// device, FIFO or socket is written straight, as cp writes it. Each write() goes straight
// to the file: write in large pieces. A replaced file's new text is flushed to the disk
// before the rename, and the rename before commit() returns, so that a power cut leaves the
// old file or the new one, never an empty one.
class AtomicTextFile {
  public:
    explicit AtomicTextFile(std::filesystem::path target, FinishingCalls calls = {});
    ~AtomicTextFile();
    AtomicTextFile(const AtomicTextFile&) = delete;
    AtomicTextFile& operator=(const AtomicTextFile&) = delete;

    bool open();
    bool write(std::string_view text);
    bool commit();

    // What went wrong, in the system's words, once a call returned false.
    const std::string& error() const { return error_; }

  private:
    bool fail(std::string reason);
    bool failWithSystemError();
    bool openTemporary(const struct stat* replaced); // replaced: null for a new file
    void discard();

    FinishingCalls calls_;
    std::filesystem::path target_;
    std::filesystem::path destination_; // the target, its links followed
    std::filesystem::path temporary_;   // empty while writing straight to destination_
    int fd_ = -1;
    int listed_ = -1;
    std::string error_;
};

} // namespace pelmora
