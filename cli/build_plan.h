#pragma once

#include "core/asset_build/manifest.h"
#include "core/compress/packed_output.h"
#include "core/conversion/encoder.h"
#include "core/font/font_file.h"
#include "freetype/font_raster.h"
#include "picture_input/picture_input.h"

#include <optional>
#include <string>
#include <vector>

namespace pelmora::cli {

// One asset of the manifest with its options read, its files not yet.
struct AssetJob {
    enum class Kind { Image, Frames, Font };
    Kind kind = Kind::Image;
    std::string name;
    std::vector<std::string> files; // as the manifest writes them
    std::vector<std::string> paths; // from the current folder
    ManifestPlace place;            // of the file or files key, for what goes wrong there
    ManifestPlace namePlace;        // of the name key
    bool readable = false;          // its tables said no problem: it may be made to find more

    // A picture or frames: the panel, the colour rule and the preparation.
    OutputChoice choice;
    bool inverse = false;
    std::optional<Preparation> preparation;
    FrameInput frameInput;
    bool mergeRepeats = false;
    Packing packing; // compress and delta

    // A font.
    RasterOptions raster;
    FontFormat fontFormat;
    std::string charsFile; // the @FILE of chars, from the current folder; an input too
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
