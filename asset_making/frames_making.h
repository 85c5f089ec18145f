#pragma once

#include "asset_making/make_problem.h"
#include "core/asset/asset.h"
#include "core/frames/frames.h"

#include <cstddef>
#include <span>
#include <string>

namespace pelmora {

// Takes each finished frame; a non-empty answer stops the making and becomes its reason.
class FrameTaker {
  public:
    virtual std::string take(PanelFrame&& frame) = 0;

  protected:
    ~FrameTaker() = default;
};

// Prepares every frame of every path in turn, packs it for the asset's panel and hands it
// to taker once it is final: with mergeRepeats a frame equal to the one before it only adds
// its delay to that one's, so the last frame waits until the next one tells. At most two
// frames are held, however many the pictures have. A problem names its path's index; one
// of the taker's on the last frame names the last path.
MakeProblem MakeFramesBytes(const Asset& asset, std::span<const std::string> paths,
                            FrameTaker& taker);

} // namespace pelmora
