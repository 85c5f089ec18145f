#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace pelmora {

// What a build knows of a file without reading it.
struct FileStamp {
    std::string path;
    bool exists = false;
    std::uint64_t size = 0;
    std::int64_t modified = 0; // nanoseconds since the epoch
};

// The state a build leaves beside its outputs: the tool, the manifest's content and the
// stamps of every input and output. A later build whose state text is the same has
// nothing to do, and knows it without decoding anything.
std::string BuildStateText(std::string_view tool, std::string_view manifest,
                           std::span<const FileStamp> inputs, std::span<const FileStamp> outputs);

} // namespace pelmora
