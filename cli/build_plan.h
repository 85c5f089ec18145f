#pragma once

#include "core/asset/asset.h"
#include "core/asset_build/manifest.h"

#include <optional>
#include <string>
#include <vector>

namespace pelmora::cli {

// One asset of the manifest with its options read, its files not yet.
struct AssetJob {
    Asset asset; // what to make: kind, panel, preparation, frames, font, packing
    std::string name;
    std::vector<std::string> files; // as the manifest writes them
    std::vector<std::string> paths; // from the current folder
    ManifestPlace place;            // of the file or files key, for what goes wrong there
    ManifestPlace namePlace;        // of the name key
    bool readable = false;          // its tables said no problem: it may be made to find more
};

// What the manifest asks to be built, and where.
struct BuildPlan {
    std::string format = "c";  // c or arduino
    std::string header;        // paths from the current folder
    std::string source;        // empty: the data in the header
    std::string headerInclude; // the header as the source includes it
    std::string state;
    ManifestPlace headerPlace; // of the header and source keys
    ManifestPlace sourcePlace;
    std::vector<AssetJob> assets;
};

// The manifest's tables as a plan. Every key is a long option of convert (or of font, for
// [[font]]), read by the same AssetReader; each problem found is added at its key.
// Relative paths are the manifest's folder's; the outputs go to outputDir when given.
BuildPlan PlanBuild(const Manifest& manifest, const std::string& manifestPath,
                    const std::string& outputDir, std::vector<ManifestProblem>& problems);

// "art/logo.png" in the manifest's folder, as a path from the current folder.
std::string Joined(const std::string& folder, const std::string& name);
std::string FolderOf(const std::string& path);
std::string NameOf(const std::string& path);

} // namespace pelmora::cli
