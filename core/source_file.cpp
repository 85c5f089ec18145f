#include "core/source_file.h"

#include "core/system_error.h"
#include "core/utf8_path.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace pelmora {

namespace {

struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string TooLarge(std::size_t limit) {
    return "the file is larger than " + std::to_string(limit / (1024 * 1024)) +
           " MiB, far more than any panel needs";
}

// Reads to the end, never holding more than limit + 1 bytes. The first read takes up to
// 64 KiB into a buffer that is not cleared first, which is all any picture or text of a
// common panel needs; sizeOf, when given, tells a larger file's size before the rest is read.
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
    if (sizeOf != nullptr && sizeOf(context) > limit) {
        return {{}, TooLarge(limit)};
    }
    std::size_t size = firstGot;
    for (;;) {
        if (size == source.bytes.size()) {
            source.bytes.resize(std::min(source.bytes.size() * 2, limit + 1));
        }
        errno = 0;
        const std::size_t got =
            std::fread(source.bytes.data() + size, 1, source.bytes.size() - size, in);
        size += got;
        if (size > limit) {
            return {{}, TooLarge(limit)};
        }
        if (got == 0 || std::feof(in)) {
            break;
        }
    }
    if (std::ferror(in)) {
        return {{}, LastSystemError()};
    }
    source.bytes.resize(size);
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

} // namespace pelmora
