#include "core/io/source_file.h"

#include "core/io/system_error.h"
#include "core/io/utf8_path.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pelmora {

namespace {

struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string TooLarge(std::size_t limit) {
    return "the file is larger than " + std::to_string(limit / (1024 * 1024)) +
           " MiB, far more than any panel needs";
}

// Reads to the end, never holding more than limit bytes. The first read takes up to 64 KiB
// into a buffer that is not cleared first, which is all any picture or text of a common
// panel needs; sizeOf, when given, tells a larger file's size before the rest is read.
SourceFile ReadAll(std::FILE* in, std::size_t limit, std::uintmax_t (*sizeOf)(const void*),
                   const void* context) {
    constexpr std::size_t kFirstRead = 64 * 1024;
    const std::unique_ptr<char[]> first(new char[kFirstRead]);
    errno = 0;
    const std::size_t firstGot = std::fread(first.get(), 1, kFirstRead, in);
    if (std::ferror(in)) {
        return {{}, LastSystemError()};
    }
    SourceFile source;
    if (firstGot > limit) {
        return {{}, TooLarge(limit)};
    }
    source.bytes.assign(first.get(), firstGot);
    if (firstGot < kFirstRead) {
        return source;
    }
    const std::uintmax_t stated = sizeOf != nullptr ? sizeOf(context) : 0;
    if (stated > limit) {
        return {{}, TooLarge(limit)};
    }
    // The rest in pieces, appended: memory never holds much more than the bytes read, and
    // a regular file's size is reserved at once.
    source.bytes.reserve(static_cast<std::size_t>(std::max<std::uintmax_t>(stated, firstGot)) + 1);
    for (;;) {
        errno = 0;
        const std::size_t got = std::fread(first.get(), 1, kFirstRead, in);
        if (source.bytes.size() + got > limit) {
            return {{}, TooLarge(limit)};
        }
        source.bytes.append(first.get(), got);
        if (got < kFirstRead) {
            break;
        }
    }
    if (std::ferror(in)) {
        return {{}, LastSystemError()};
    }
    return source;
}

} // namespace

SourceFile ReadSourceFile(const std::string& path, std::size_t limit) {
    if (path == "-") {
        return ReadAll(stdin, limit, nullptr, nullptr);
    }
    errno = 0;
#ifdef _WIN32
    std::unique_ptr<std::FILE, CloseFile> file(_wfopen(PathFromUtf8(path).c_str(), L"rb"));
#else
    std::unique_ptr<std::FILE, CloseFile> file(std::fopen(PathFromUtf8(path).c_str(), "rb"));
#endif
    if (!file) {
        return {{}, LastSystemError()};
    }
    std::setvbuf(file.get(), nullptr, _IONBF, 0); // reads go straight into the buffer
    const auto sizeOfPath = [](const void* context) -> std::uintmax_t {
        std::error_code error;
        const std::uintmax_t size = std::filesystem::file_size(
            PathFromUtf8(*static_cast<const std::string*>(context)), error);
        return error ? 0 : size; // not a regular file: read it and count
    };
    return ReadAll(file.get(), limit, sizeOfPath, &path);
}

std::string UnreadableReason(const std::string& path) {
    if (path == "-") {
        return {};
    }
    errno = 0;
#ifdef _WIN32
    const std::unique_ptr<std::FILE, CloseFile> file(_wfopen(PathFromUtf8(path).c_str(), L"rb"));
    return file ? std::string() : LastSystemError();
#else
    // Not blocking: a FIFO without a writer is readable, and its reader will wait for one.
    const int fd = ::open(PathFromUtf8(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return LastSystemError();
    }
    // A folder opens for reading, but no reader can read it as a file.
    struct stat status {};
    const bool folder = fstat(fd, &status) == 0 && S_ISDIR(status.st_mode);
    ::close(fd);
    return folder ? SystemErrorText(EISDIR) : std::string();
#endif
}

} // namespace pelmora
