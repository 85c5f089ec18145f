#include "cli/batch_targets.h"

#include "core/io/utf8_path.h"

#include <filesystem>

#include <sys/stat.h>

namespace pelmora::cli {

namespace {

namespace fs = std::filesystem;

// The path with every link and ".." resolved as far as it exists: two names of one file
// come out the same.
std::string FullyResolved(const std::string& path) {
    std::error_code error;
    // Absolute first: a relative path none of whose names is there comes back as given.
    const fs::path resolved = fs::weakly_canonical(fs::absolute(PathFromUtf8(path), error), error);
    return error ? path : Utf8FromPath(resolved);
}

// Where a chain of links ends, whether or not that file is there yet: a link to a result
// not written yet is that result. A loop stops at the bound and is compared as it stands.
std::string LinkEnd(const std::string& path) {
    constexpr int kMostLinks = 40;
    fs::path at = PathFromUtf8(path);
    for (int depth = 0; depth < kMostLinks; ++depth) {
        std::error_code error;
        if (!fs::is_symlink(at, error) || error) {
            break;
        }
        const fs::path target = fs::read_symlink(at, error);
        if (error) {
            break;
        }
        at = target.is_absolute() ? target : at.parent_path() / target;
    }
    return Utf8FromPath(at);
}

} // namespace

// The same as FullyResolved, but a folder is resolved once for all the names in it: where
// the last name is no link, the path resolves to its folder's resolved path and that name.
// Resolving every name in full reads every link of the path again for each file. file is
// what stat(2) says of the path, where it names a file.
std::string BatchTargets::resolved(const std::string& path, std::optional<struct stat>& file) {
    struct stat status {};
    const bool there = lstat(path.c_str(), &status) == 0;
    const bool link = there && S_ISLNK(status.st_mode);
    file.reset();
    if (there && !link) {
        file = status;
    } else if (link && stat(path.c_str(), &status) == 0) {
        file = status;
    }
    const fs::path given = PathFromUtf8(path);
    const fs::path name = given.filename();
    if (link) {
        return FullyResolved(LinkEnd(path));
    }
    if (name.empty() || name == "." || name == "..") {
        return FullyResolved(path);
    }
    const std::string folder = Utf8FromPath(given.parent_path());
    auto known = folders_.find(folder);
    if (known == folders_.end()) {
        std::error_code error;
        const fs::path resolved =
            fs::canonical(folder.empty() ? fs::path(".") : given.parent_path(), error);
        if (error) {
            return FullyResolved(path); // a folder that is not there yet is resolved by name
        }
        known = folders_.emplace(folder, Utf8FromPath(resolved)).first;
    }
    return Utf8FromPath(PathFromUtf8(known->second) / name);
}

namespace {

constexpr const char* kStandardInput = "standard input";

std::string FileKey(const struct stat& status) {
    return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
}

} // namespace

BatchTargets::BatchTargets(const std::vector<std::string>& inputs) {
    for (const std::string& input : inputs) {
        if (input == "-") {
            // A file given as standard input is that file: a result may not replace it.
            struct stat status {};
            if (::fstat(0, &status) == 0 && S_ISREG(status.st_mode)) {
                inputByFile_.emplace(FileKey(status), kStandardInput);
            }
            continue;
        }
        std::optional<struct stat> file;
        inputPaths_.emplace(resolved(input, file), input);
        if (file) {
            inputByFile_.emplace(FileKey(*file), input);
        }
    }
}

BatchTargets::Holder BatchTargets::take(const std::string& target, const std::string& label) {
    std::optional<struct stat> file;
    const std::string resolved = this->resolved(target, file);
    if (const auto named = inputPaths_.find(resolved); named != inputPaths_.end()) {
        return {named->second, {}};
    }
    if (file) {
        // Another name of an input: a hard link, or a link in a folder's path.
        if (const auto same = inputByFile_.find(FileKey(*file)); same != inputByFile_.end()) {
            return {same->second, {}};
        }
        if (const auto same = writtenByFile_.find(FileKey(*file)); same != writtenByFile_.end()) {
            return {{}, same->second};
        }
    }
    if (const auto earlier = written_.find(resolved); earlier != written_.end()) {
        return {{}, earlier->second};
    }
    written_.emplace(resolved, label);
    if (file) {
        writtenByFile_.emplace(FileKey(*file), label);
    }
    return {};
}

std::string BatchTargets::claim(const std::string& target, const std::string& input) {
    const Holder holder = take(target, input);
    if (!holder.read.empty()) {
        return holder.read == input || (input == "-" && holder.read == kStandardInput)
                   ? "the result would replace " + holder.read + " itself; name another"
                   : "the result would replace " + holder.read +
                         ", which this run reads; name another";
    }
    if (!holder.written.empty()) {
        return "the result would replace " + target + ", written from " + holder.written +
               " in this run; give another --output-dir or name";
    }
    return {};
}

} // namespace pelmora::cli
