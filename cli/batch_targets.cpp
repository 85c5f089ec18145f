#include "cli/batch_targets.h"

#include "core/io/utf8_path.h"

#include <filesystem>

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

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return fs::equivalent(PathFromUtf8(a), PathFromUtf8(b), error);
}

} // namespace

BatchTargets::BatchTargets(const std::vector<std::string>& inputs) {
    for (const std::string& input : inputs) {
        if (input != "-") {
            inputs_.emplace_back(input, Resolved(input));
        }
    }
}

std::string BatchTargets::claim(const std::string& target, const std::string& input) {
    const std::string resolved = Resolved(target);
    for (const auto& [given, path] : inputs_) {
        if (path == resolved || SameFile(given, target)) {
            return given == input ? "the result would replace " + given + " itself; name another"
                                  : "the result would replace " + given +
                                        ", which this run reads; name another";
        }
    }
    for (const auto& [written, from] : written_) {
        if (written == resolved) {
            return "the result would replace " + target + ", written from " + from +
                   " in this run; give another --output-dir or name";
        }
    }
    written_.emplace_back(resolved, input);
    return {};
}

} // namespace pelmora::cli
