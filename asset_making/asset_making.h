#pragma once

#include "asset_making/make_problem.h"
#include "core/asset/asset.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pelmora {

// An asset's bytes, whatever its kind, with what a front end says or indexes about them.
struct MadeAsset {
    AssetKind kind = AssetKind::Picture;
    PanelLayout layout;              // a font's: how its glyphs' bytes run
    std::vector<std::uint8_t> bytes; // a picture's, or every frame's one after another
    std::vector<int> delaysMs;       // a frames asset's, one a frame
    std::vector<std::string> sources;
    int count = 1;                 // frames, or a font's glyphs
    std::string fontText;          // a font's file
    std::string warning;           // a font's, one line for the front end to say
    std::vector<char32_t> missing; // characters the font lacks (see MissingLines)
    MakeProblem problem;
};

// Makes the asset from its paths (a picture or font: the first; frames: every one, in
// order), dispatching on its kind. Frames are collected here; a front end that streams them
// calls MakeFramesBytes itself.
MadeAsset MakeAsset(const Asset& asset, std::span<const std::string> paths);

} // namespace pelmora
