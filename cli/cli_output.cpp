#include "cli/cli_output.h"

#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace pelmora::cli {

void PrintError(const QString& subject, const QString& message) {
    const QByteArray line =
        (QString::fromUtf8(kProgramName.data(), static_cast<qsizetype>(kProgramName.size())) +
         ": " + (subject.isEmpty() ? QString() : subject + ": ") + message + "\n")
            .toUtf8();
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stderr);
}

bool WriteStdout(std::string_view text) {
#ifdef _WIN32
    static const int binary = _setmode(_fileno(stdout), _O_BINARY);
    (void)binary;
#endif
    return text.empty() || std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
}

bool FlushStdout() {
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

} // namespace pelmora::cli
