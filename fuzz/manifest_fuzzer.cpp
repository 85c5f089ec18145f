// The manifest of pelmora-cli build on arbitrary text: it must answer, every problem with
// a place in the text, and only the tables a manifest has.

#include "core/asset_build/manifest.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const pelmora::Manifest manifest = pelmora::ReadManifest(text);
    for (const pelmora::ManifestProblem& problem : manifest.problems) {
        if (problem.place.line < 1 || problem.place.column < 1 || problem.reason.empty()) {
            std::abort();
        }
    }
    for (const pelmora::ManifestTable& table : manifest.tables) {
        if (table.kind != "output" && table.kind != "panel" && table.kind != "image" &&
            table.kind != "frames" && table.kind != "font") {
            std::abort();
        }
    }
    return 0;
}
