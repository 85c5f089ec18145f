#pragma once

#include "core/panel/mono_picture.h"
#include "core/prepare/prepare.h"

#include <string>

namespace pelmora::cli {

// What a picture is prepared with: the panel's size, the turn and the core's options.
struct Preparation {
    int width = 128;
    int height = 64;
    int rotate = 0;              // clockwise: 0, 90, 180 or 270
    std::string mirror = "none"; // none, horizontal or vertical
    PrepareOptions options;
};

struct PreparedPicture {
    MonoPicture picture;
    std::string error; // why the picture could not be prepared; empty when it was
    bool ok() const { return error.empty(); }
};

// Decodes, turns and scales the picture (a JPEG or a PNG here, any other format in
// pelmora-picture), then lays it on the panel and dithers it in the core.
PreparedPicture PreparePictureFile(const std::string& path, const Preparation& preparation);

} // namespace pelmora::cli
