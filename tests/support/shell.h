#pragma once

#include "support/test_pictures.h"

#include <string>

namespace pelmora::test {

struct Ran {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs a shell command line in folder, with "$CLI" naming pelmora-cli. The file-size
// limit, when given, is in 512-byte blocks, with SIGXFSZ ignored so that writes fail.
Ran Shell(const ScratchFolder& folder, const std::string& line, int sizeLimitBlocks = 0);

} // namespace pelmora::test
