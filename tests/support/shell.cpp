#include "support/shell.h"

#include <sstream>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

extern char** environ;

namespace pelmora::test {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> UartLines(const std::string& err, char first) {
    std::string plain;
    for (std::size_t i = 0; i < err.size(); ++i) {
        if (err[i] == '\x1b') {
            i = err.find('m', i); // a colour: ESC [ digits m
            if (i == std::string::npos) {
                break;
            }
        } else {
            plain += err[i];
        }
    }
    std::vector<std::string> lines;
    for (std::string line : Lines(plain)) {
        if (!line.empty() && line.front() == first && line.ends_with(".")) {
            line.pop_back();
            lines.push_back(line);
        }
    }
    return lines;
}

Ran Shell(const ScratchFolder& folder, const std::string& line, int sizeLimitBlocks) {
    setenv("CLI", PELMORA_CLI, 1);
    const std::string out = (folder / ".out").string();
    const std::string err = (folder / ".err").string();
    std::string limit;
    if (sizeLimitBlocks > 0) {
        limit = "ulimit -f " + std::to_string(sizeLimitBlocks) + " && ";
    }
    const std::string command = "cd '" + folder.path().string() + "' && (" + limit + line + ") >'" +
                                out + "' 2>'" + err + "'";
    const int status = std::system(command.c_str());
    Ran ran{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out), ReadFile(err)};
    std::remove(out.c_str());
    std::remove(err.c_str());
    return ran;
}

std::string Unprivileged(const std::string& line) {
    if (geteuid() != 0) {
        return line;
    }
    const std::string setpriv = "setpriv --reuid=nobody --regid=nogroup --clear-groups ";
    if (std::system((setpriv + "true 2>/dev/null").c_str()) != 0) {
        return {};
    }
    return setpriv + line;
}

pid_t StartCli(const ScratchFolder& folder, const std::vector<std::string>& arguments) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.path().c_str());
    for (const int fd : {0, 1, 2}) {
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY,
                                         0);
    }
    std::vector<std::string> words{PELMORA_CLI};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    pid_t child = -1;
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        child = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return child;
}

} // namespace pelmora::test
