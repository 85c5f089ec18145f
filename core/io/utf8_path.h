#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace pelmora {

// Paths travel through the core as UTF-8 text; this is the one place they become paths.
inline std::filesystem::path PathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

} // namespace pelmora
