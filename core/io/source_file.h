#pragma once

#include <cstddef>
#include <string>

namespace pelmora {

// The largest file read whole: far above any picture or text of a 4096 x 4096 panel.
constexpr std::size_t kMaxSourceBytes = 32 * 1024 * 1024;

struct SourceFile {
    std::string bytes;
    std::string error; // the system's reason, or why the file is not read; empty when read
    bool ok() const { return error.empty(); }
};

// Reads the whole file at path (UTF-8) in one pass; "-" is standard input. A file over
// limit bytes is refused, having read no more than that.
SourceFile ReadSourceFile(const std::string& path, std::size_t limit = kMaxSourceBytes);

// Why the file at path (UTF-8) cannot be opened for reading, in the system's words
// ("Permission denied"); empty when it can. For a caller that hands the path to another
// reader, whose own reason may not be the system's.
std::string UnreadableReason(const std::string& path);

} // namespace pelmora
