#include "asset_making/frames_making.h"

#include "core/panel/panel_dots.h"
#include "picture_input/picture_input.h"

#include <utility>
#include <vector>

namespace pelmora {

MakeProblem MakeFramesBytes(const Asset& asset, std::span<const std::string> paths,
                            FrameTaker& taker) {
    const PanelLayout layout = asset.choice.panel();
    if (!asset.preparation) {
        return {"frames are made from prepared pictures", MakeFault::Misuse, kAsAWhole};
    }
    std::vector<PanelFrame> waiting; // the last frame, and the one that follows it
    const auto handOn = [&] {
        std::string stop = taker.take(std::move(waiting.front()));
        waiting.erase(waiting.begin());
        return stop;
    };
    for (std::size_t i = 0; i < paths.size(); ++i) {
        FramesOutcome outcome = PrepareFrames(
            paths[i], *asset.preparation, asset.frameInput, [&](PreparedFrame&& prepared) {
                // A frame of no dots packs to no bytes, which a taker refuses
                // as of another size.
                std::string problem = AddFrame(
                    waiting,
                    {PackDots(prepared.dots, layout), prepared.delayMs, std::move(prepared.source)},
                    asset.mergeRepeats);
                if (problem.empty() && waiting.size() > 1) {
                    problem = handOn();
                }
                return problem;
            });
        if (!outcome.error.empty()) {
            return {std::move(outcome.error), outcome.usage ? MakeFault::Misuse : MakeFault::Input,
                    i};
        }
    }
    if (!waiting.empty()) {
        if (std::string stop = handOn(); !stop.empty()) {
            return {std::move(stop), MakeFault::Input, paths.size() - 1};
        }
    }
    return {};
}

} // namespace pelmora
