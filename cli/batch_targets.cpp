#include "cli/batch_targets.h"

#include "core/io/utf8_path.h"

#include <filesystem>

#include <sys/stat.h>

namespace pelmora::cli {

namespace {

namespace fs = std::filesystem;

// The path with every link and ".." resolved as far as it exists: two names of one file
// come out the same.
std::string Resolved(const std::string& path) {
    std::error_code error;
    const fs::path resolved = fs::weakly_canonical(PathFromUtf8(path), error);
    return error ? path : Utf8FromPath(resolved);
}

std::string FileKey(const struct stat& status) {
    return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
}

} // namespace

BatchTargets::BatchTargets(const std::vector<std::string>& inputs) {
    for (const std::string& input : inputs) {
        if (input == "-") {
            continue;
        }
        inputPaths_.emplace(Resolved(input), input);
        struct stat status {};
        if (stat(input.c_str(), &status) == 0) {
            inputByFile_.emplace(FileKey(status), input);
        }
    }
}

std::string BatchTargets::claim(const std::string& target, const std::string& input) {
    const std::string resolved = Resolved(target);
    const std::string* read = nullptr;
    if (const auto named = inputPaths_.find(resolved); named != inputPaths_.end()) {
        read = &named->second;
    } else if (struct stat status{}; stat(target.c_str(), &status) == 0) {
        // Another name of an input: a hard link, or a link in a folder's path.
        if (const auto same = inputByFile_.find(FileKey(status)); same != inputByFile_.end()) {
            read = &same->second;
        }
    }
    if (read != nullptr) {
        return *read == input
                   ? "the result would replace " + *read + " itself; name another"
                   : "the result would replace " + *read + ", which this run reads; name another";
    }
    if (const auto earlier = written_.find(resolved); earlier != written_.end()) {
        return "the result would replace " + target + ", written from " + earlier->second +
               " in this run; give another --output-dir or name";
    }
    written_.emplace(resolved, input);
    return {};
}

} // namespace pelmora::cli
