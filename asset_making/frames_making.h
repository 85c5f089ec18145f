#pragma once

#include "asset_making/make_problem.h"
#include "core/asset/asset.h"
#include "core/frames/frames.h"

#include <cstddef>
#include <functional>
#include <span>
#include <string>

namespace pelmora {

// Takes one finished frame; a non-empty answer stops the making and becomes its reason.
using FrameTaker = std::function<std::string(PanelFrame&&)>;

struct MadeFrames {
    PanelLayout layout;
    std::size_t count = 0; // frames handed over
    MakeProblem problem;
};

// Prepares every frame of every path in turn, packs it for the asset's panel and hands it
// to take once it is final: with mergeRepeats a frame equal to the one before it only adds
// its delay to that one's, so the last frame waits until the next one tells. At most two
// frames are held, however many the pictures have. A problem names its path's index; one
// of take's on the last frame names the last path.
MadeFrames MakeFramesBytes(const Asset& asset, std::span<const std::string> paths,
                           const FrameTaker& take);

} // namespace pelmora
