#include "core/asset_build/depfile.h"

#include <string_view>

namespace pelmora {

namespace {

bool Escaped(char c, bool target) {
    return c == ' ' || c == '#' || c == ':' || (target && c == '%');
}

} // namespace

std::string DepfilePathProblem(std::string_view path) {
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto c = static_cast<unsigned char>(path[i]);
        if (c < 0x20 || c == 0x7F) {
            // Make ends a rule at a newline, Ninja splits at a carriage return and keeps a
            // tab's backslash: there is no escape both read.
            return c == '\n' ? "a newline in a path cannot be said in a dependency file"
                             : "a control character in a path cannot be said in a dependency "
                               "file";
        }
        // Make reads these as shell or rule syntax and Ninja splits a name at them, and no
        // escape is read alike by both.
        if (std::string_view(";|&<>*?\"'^`").find(static_cast<char>(c)) != std::string_view::npos) {
            return std::string("a ") + static_cast<char>(c) +
                   " in a path cannot be said in a dependency file";
        }
        // Make and Ninja count the backslashes before an escaped character differently.
        if (c == '\\' && (i + 1 == path.size() || Escaped(path[i + 1], true))) {
            return "a backslash before a space, #, :, % or the end of a path cannot be said in a "
                   "dependency file";
        }
    }
    return {};
}

std::string DepfilePath(std::string_view path, bool target) {
    std::string escaped;
    escaped.reserve(path.size());
    for (const char c : path) {
        if (Escaped(c, target)) {
            escaped += '\\';
        } else if (c == '$') {
            escaped += '$';
        }
        escaped += c;
    }
    return escaped;
}

Depfile WriteDepfile(std::span<const std::string> outputs, std::span<const std::string> inputs) {
    Depfile depfile;
    for (std::span<const std::string> paths : {outputs, inputs}) {
        for (const std::string& path : paths) {
            if (std::string problem = DepfilePathProblem(path); !problem.empty()) {
                depfile.path = path;
                depfile.error = std::move(problem);
                return depfile;
            }
        }
    }
    std::string& text = depfile.text;
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        text += (i == 0 ? "" : " ") + DepfilePath(outputs[i], true);
    }
    text += ":";
    for (const std::string& input : inputs) {
        text += " \\\n  " + DepfilePath(input);
    }
    text += "\n";
    return depfile;
}

} // namespace pelmora
