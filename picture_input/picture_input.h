#pragma once

#include "core/asset/asset.h"
#include "core/panel/mono_picture.h"
#include "core/prepare/prepare.h"
#include "gif/gif_frames.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pelmora {

struct PreparedPicture {
    MonoPicture picture;
    std::string error; // why the picture could not be prepared; empty when it was
    bool ok() const { return error.empty(); }
};

// Decodes, turns and scales the picture (a JPEG or a PNG here, any other format in
// pelmora-picture), then lays it on the panel and dithers it in the core.
PreparedPicture PreparePictureFile(const std::string& path, const Preparation& preparation);

struct PreparedDots {
    PanelDots dots;
    std::string error; // why the picture could not be prepared; empty when it was
    bool ok() const { return error.empty(); }
};

// As PreparePictureFile, to the dots of preparation's layout: its levels, its planes'
// colours and its mask.
PreparedDots PreparePictureDots(const std::string& path, const Preparation& preparation);

// A picture turned, placed and scaled to the panel: the costly part of preparing it, made
// once for a fit and a turn, then dotted as often as the other options change.
struct PlacedPicture {
    RgbaPicture shown;   // the part of the picture shown, scaled to where it lands
    Placement placement; // where that is on the panel
    int width = 0;       // the panel's size
    int height = 0;
};

// A picture already decoded (straight RGBA, upright) turned by preparation's rotate and
// mirror, then placed and scaled by its fit on its width x height.
PlacedPicture PlaceRgba(const RgbaPicture& picture, const Preparation& preparation);

// The one-bit panel of placed: greyed, adjusted and dithered by preparation's options.
MonoPicture PreparePlacedPanel(const PlacedPicture& placed, const Preparation& preparation);

// The dots of preparation's layout (its levels, its planes' colours and its mask), or why
// there are none: a layout of another size than placed's panel, or one refused.
PreparedDots PreparePlacedDots(const PlacedPicture& placed, const Preparation& preparation);

// A picture already decoded (straight RGBA, upright), prepared as PreparePictureFile
// prepares one: PlaceRgba, then PreparePlacedPanel.
MonoPicture PrepareRgba(const RgbaPicture& picture, const Preparation& preparation);

// Reads the GIF at path a frame at a time, each as a viewer shows it, handing it to take
// with its delay as soon as it is read; take's non-empty answer stops it.
struct GifFramesRead {
    bool gif = false;  // whether the file is a GIF at all; nothing more is read of another
    std::string error; // why the frames stopped, take's answer or the file's; empty at the end
};
GifFramesRead ReadGifFrames(const std::string& path,
                            const std::function<std::string(GifFrame&&)>& take);

// Every frame of the GIF at path held at once, while their RGBA stays within maxBytes.
struct HeldGifFrames {
    bool gif = false;
    std::vector<GifFrame> frames; // empty unless the GIF was read whole within maxBytes
    std::string error;            // why not; empty when read whole
};
HeldGifFrames HoldGifFrames(const std::string& path, std::size_t maxBytes);

// One frame of an animation, prepared to the dots of the preparation's layout.
struct PreparedFrame {
    PanelDots dots;
    int delayMs = 0;
    std::string source; // "spin.gif frame 3", "walk.png cell 2", "still.png"
};

struct FramesOutcome {
    std::string error;  // why the frames stopped; empty when every one was taken
    bool usage = false; // the error is a misuse (a sheet of no whole number of cells)
};

// Prepares the frames of the picture at path one at a time, handing each to take as soon
// as it is made; take's non-empty answer stops it and becomes the error. Only one frame is
// held at a time, however many the file has.
FramesOutcome PrepareFrames(const std::string& path, const Preparation& preparation,
                            const FrameInput& input,
                            const std::function<std::string(PreparedFrame&&)>& take);

} // namespace pelmora
