#include "cli/cli_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace pelmora::cli {

void PrintError(std::string_view subject, std::string_view message) {
    std::string line(kProgramName);
    line += ": ";
    if (!subject.empty()) {
        line.append(subject).append(": ");
    }
    line.append(message).append("\n");
    std::fwrite(line.data(), 1, line.size(), stderr);
}

bool StandardOutput::write(std::string_view text) {
#ifdef _WIN32
    static const int binary = _setmode(_fileno(stdout), _O_BINARY);
    (void)binary;
#endif
    if (failed()) {
        return false;
    }
    errno = 0;
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
        errno_ = errno != 0 ? errno : EIO;
        return false;
    }
    return true;
}

bool StandardOutput::flush() {
    if (failed()) {
        return false;
    }
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        errno_ = errno != 0 ? errno : EIO;
        return false;
    }
    return true;
}

bool StandardOutput::close() {
    const bool flushed = flush();
    errno = 0;
    if (std::fclose(stdout) != 0 && errno_ == 0) {
        errno_ = errno != 0 ? errno : EIO;
    }
    return flushed && errno_ == 0;
}

std::string StandardOutput::error() const {
    return std::strerror(errno_ != 0 ? errno_ : EIO);
}

ProgressLine::ProgressLine() : terminal_(isatty(fileno(stderr)) != 0) {}

void ProgressLine::show(std::string_view text) {
    if (!terminal_) {
        return;
    }
    std::string line("\r\033[K");
    line += text;
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    dirty_ = true;
}

void ProgressLine::clear() {
    if (dirty_) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        dirty_ = false;
    }
}

void PrepareProcess() {}

} // namespace pelmora::cli
