#include "core/asset_build/build_state.h"

namespace pelmora {

namespace {

// FNV-1a: enough to tell one manifest from the next, the state file stays small.
std::uint64_t ContentHash(std::string_view bytes) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : bytes) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    return hash;
}

void AppendStamps(std::string& text, std::string_view kind, std::span<const FileStamp> stamps) {
    for (const FileStamp& stamp : stamps) {
        text += std::string(kind) + " " +
                (stamp.exists ? std::to_string(stamp.size) + " " + std::to_string(stamp.modified)
                              : std::string("- -")) +
                " " + stamp.path + "\n";
    }
}

} // namespace

std::string BuildStateText(std::string_view tool, std::string_view manifest,
                           std::span<const FileStamp> inputs, std::span<const FileStamp> outputs) {
    std::string text = "pelmora build state 1\ntool " + std::string(tool) + "\nmanifest " +
                       std::to_string(ContentHash(manifest)) + " " +
                       std::to_string(manifest.size()) + "\n";
    AppendStamps(text, "input", inputs);
    AppendStamps(text, "output", outputs);
    return text;
}

} // namespace pelmora
