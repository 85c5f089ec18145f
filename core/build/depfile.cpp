#include "core/build/depfile.h"

namespace pelmora {

std::string DepfilePath(std::string_view path) {
    std::string escaped;
    escaped.reserve(path.size());
    for (const char c : path) {
        if (c == ' ' || c == '#') {
            escaped += '\\';
        } else if (c == '$') {
            escaped += '$';
        }
        escaped += c;
    }
    return escaped;
}

std::string WriteDepfile(std::span<const std::string> outputs,
                         std::span<const std::string> inputs) {
    std::string text;
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        text += (i == 0 ? "" : " ") + DepfilePath(outputs[i]);
    }
    text += ":";
    for (const std::string& input : inputs) {
        text += " \\\n  " + DepfilePath(input);
    }
    return text + "\n";
}

} // namespace pelmora
