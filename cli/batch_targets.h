#pragma once

#include <string>
#include <utility>
#include <vector>

namespace pelmora::cli {

// The files one command run reads and writes, so that no result replaces another result
// of the same run, nor a file that the run reads.
class BatchTargets {
  public:
    explicit BatchTargets(const std::vector<std::string>& inputs);

    // Empty when input's result may go to target, which is then taken; else why not.
    std::string claim(const std::string& target, const std::string& input);

  private:
    std::vector<std::pair<std::string, std::string>> inputs_;  // as given, as the path is
    std::vector<std::pair<std::string, std::string>> written_; // target, the input it is from
};

} // namespace pelmora::cli
