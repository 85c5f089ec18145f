#pragma once

#include "support/test_pictures.h"

#include <string>
#include <vector>

#include <sys/types.h>

namespace pelmora::test {

struct Ran {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs a shell command line in folder, with "$CLI" naming pelmora-cli. The file-size
// limit, when given, is in 512-byte blocks; SIGXFSZ keeps its default action, so a program
// that does not ignore it dies of it.
Ran Shell(const ScratchFolder& folder, const std::string& line, int sizeLimitBlocks = 0);

// The command line run as an unprivileged user: through setpriv as nobody when the tests
// run as root, as it is otherwise; empty when root cannot become nobody here.
std::string Unprivileged(const std::string& line);

// Starts pelmora-cli with arguments in folder, its standard streams on /dev/null and the
// signal dispositions of this process (SIGINT not ignored, as a shell's background job
// would have it); the child to signal and wait for.
pid_t StartCli(const ScratchFolder& folder, const std::vector<std::string>& arguments);

} // namespace pelmora::test
