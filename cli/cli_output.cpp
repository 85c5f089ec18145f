#include "cli/cli_output.h"

#include "core/io/temporary_files.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace pelmora::cli {

namespace {

bool IsControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
}

// One control character as $'...' writes it.
void AppendEscaped(std::string& quoted, char c) {
    static constexpr char kNamed[] = "abtnvfr"; // \a is 7, \r is 13
    if (c >= '\a' && c <= '\r') {
        quoted.append({'\\', kNamed[c - '\a']});
        return;
    }
    const auto code = static_cast<unsigned char>(c);
    quoted.append({'\\', static_cast<char>('0' + (code >> 6)),
                   static_cast<char>('0' + (code >> 3 & 7)), static_cast<char>('0' + (code & 7))});
}

} // namespace

std::string QuotedForMessage(std::string_view text) {
    bool control = false;
    for (const char c : text) {
        control = control || IsControl(c);
    }
    if (!control) {
        return std::string(text);
    }
    // Quoted as ls --quoting-style=shell-escape quotes a name: 'a'$'\n''b'.
    std::string quoted = "'";
    bool inEscapes = false;
    for (const char c : text) {
        if (IsControl(c)) {
            if (!inEscapes) {
                quoted += "'$'";
                inEscapes = true;
            }
            AppendEscaped(quoted, c);
        } else if (c == '\'') {
            quoted += "'\\''";
            inEscapes = false;
        } else {
            if (inEscapes) {
                quoted += "''";
                inEscapes = false;
            }
            quoted += c;
        }
    }
    quoted += '\'';
    return quoted;
}

void PrintError(std::string_view subject, std::string_view message) {
    std::string line(kProgramName);
    line += ": ";
    if (!subject.empty()) {
        line.append(QuotedForMessage(subject)).append(": ");
    }
    line.append(QuotedForMessage(message)).append("\n");
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

void PrepareProcess() {
#ifndef _WIN32
    // A standard stream closed at start is held open on /dev/null the wrong way round, so
    // that no file or pipe opened later takes its number (the picture helper's pipes,
    // an output file) and a write to it still fails, as it would to the closed stream.
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            const int held = open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
            if (held != fd && held >= 0) {
                close(held); // taken by another number: nothing better to do
            }
        }
    }
    // A broken pipe and a file-size limit become failed writes, reported with a reason
    // and exit 1, instead of ending the process without a word.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    RemoveTemporaryFilesOnSignals();
}

} // namespace pelmora::cli
