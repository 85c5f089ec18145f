#include "support/shell.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

namespace pelmora::test {

Ran Shell(const ScratchFolder& folder, const std::string& line, int sizeLimitBlocks) {
    setenv("CLI", PELMORA_CLI, 1);
    const std::string out = (folder / ".out").string();
    const std::string err = (folder / ".err").string();
    std::string limit;
    if (sizeLimitBlocks > 0) {
        limit = "trap '' XFSZ && ulimit -f " + std::to_string(sizeLimitBlocks) + " && ";
    }
    const std::string command = "cd '" + folder.path().string() + "' && (" + limit + line + ") >'" +
                                out + "' 2>'" + err + "'";
    const int status = std::system(command.c_str());
    Ran ran{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out), ReadFile(err)};
    std::remove(out.c_str());
    std::remove(err.c_str());
    return ran;
}

} // namespace pelmora::test
