#pragma once

#include "core/asset/asset.h"
#include "core/panel/mono_picture.h"
#include "core/prepare/prepare.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>

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

// A picture already decoded (straight RGBA, upright), prepared as PreparePictureFile
// prepares one: turned, fitted, then greyed and dithered in the core.
MonoPicture PrepareRgba(const RgbaPicture& picture, const Preparation& preparation);

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
