#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace pelmora::cli {

// The files one command run reads and writes, so that no result replaces another result
// of the same run, nor a file that the run reads. Each input is looked at once, each
// target once: a batch of thousands costs a few system calls a file.
class BatchTargets {
  public:
    explicit BatchTargets(const std::vector<std::string>& inputs);

    // Empty when input's result may go to target, which is then taken; else why not.
    std::string claim(const std::string& target, const std::string& input);

    // What target already is in this run, as given: an input (read), or the input or
    // label an earlier target was taken for (written); both empty when it is free, and
    // then it is taken for label.
    struct Holder {
        std::string read;
        std::string written;
    };
    Holder take(const std::string& target, const std::string& label);

  private:
    std::string resolved(const std::string& path, std::optional<struct stat>& file);

    std::unordered_map<std::string, std::string> folders_;       // as given: resolved
    std::unordered_map<std::string, std::string> inputPaths_;    // resolved path: as given
    std::unordered_map<std::string, std::string> written_;       // resolved target: its input
    std::unordered_map<std::string, std::string> inputByFile_;   // "dev:ino": as given
    std::unordered_map<std::string, std::string> writtenByFile_; // "dev:ino": its input
};

} // namespace pelmora::cli
