#include "core/source_file.h"

#include "core/system_error.h"
#include "core/utf8_path.h"

#include <cerrno>
#include <cstdio>
#include <memory>

namespace pelmora {

namespace {

struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

SourceFile ReadAll(std::FILE* in, std::size_t limit) {
    SourceFile source;
    std::size_t size = 0;
    source.bytes.resize(64 * 1024);
    for (;;) {
        if (size == source.bytes.size()) {
            source.bytes.resize(source.bytes.size() * 2);
        }
        errno = 0;
        const std::size_t got =
            std::fread(source.bytes.data() + size, 1, source.bytes.size() - size, in);
        size += got;
        if (size > limit) {
            return {{},
                    "the file is larger than " + std::to_string(limit / (1024 * 1024)) +
                        " MiB, far more than any panel needs"};
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
        return ReadAll(stdin, limit);
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
    return ReadAll(file.get(), limit);
}

} // namespace pelmora
