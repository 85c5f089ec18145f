#include "asset_making/frames_making.h"

#include "core/panel/panel_dots.h"
#include "picture_input/picture_input.h"

#include <utility>
#include <vector>

namespace pelmora {

MadeFrames MakeFramesBytes(const Asset& asset, std::span<const std::string> paths,
                           const FrameTaker& take) {
    MadeFrames made;
    made.layout = asset.choice.panel();
    if (!asset.preparation) {
        made.problem = {"frames are made from prepared pictures", MakeFault::Misuse, {}};
        return made;
    }
    std::vector<PanelFrame> waiting; // the last frame, and the one that follows it
    const auto handOn = [&] {
        std::string stop = take(std::move(waiting.front()));
        waiting.erase(waiting.begin());
        ++made.count;
        return stop;
    };
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const FramesOutcome outcome = PrepareFrames(
            paths[i], *asset.preparation, asset.frameInput, [&](PreparedFrame&& prepared) {
                // A frame of no dots packs to no bytes, which a taker refuses
                // as of another size.
                std::string problem = AddFrame(waiting,
                                               {PackDots(prepared.dots, made.layout),
                                                prepared.delayMs, std::move(prepared.source)},
                                               asset.mergeRepeats);
                if (problem.empty() && waiting.size() > 1) {
                    problem = handOn();
                }
                return problem;
            });
        if (!outcome.error.empty()) {
            made.problem = {outcome.error, outcome.usage ? MakeFault::Misuse : MakeFault::Input, i};
            return made;
        }
    }
    if (!waiting.empty()) {
        if (std::string stop = handOn(); !stop.empty()) {
            made.problem = {std::move(stop), MakeFault::Input, paths.size() - 1};
        }
    }
    return made;
}

} // namespace pelmora
