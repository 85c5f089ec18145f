#pragma once

#include "asset_making/make_problem.h"
#include "core/asset/asset.h"
#include "core/conversion/intake.h"
#include "core/panel/panel_dots.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pelmora {

// A picture ready to be packed for the asset's panel: a 1-bit BMP taken in as it is, or any
// picture prepared to the panel's dots (inverse folded into the preparation).
struct PictureIntake {
    std::optional<TakenIn> bitmap; // without a preparation
    PanelDots dots;                // with one
    MakeProblem problem;
};

// Reads the picture at path as the asset asks: prepared when it has a preparation, else a
// 1-bit BMP of the panel's size, refused with MakeFault::NotPanelBitmap when it is none.
PictureIntake TakeInPicture(const Asset& asset, const std::string& path);

// A picture's bytes in the panel's layout.
struct MadePicture {
    PanelLayout layout;
    std::vector<std::uint8_t> bytes;
    MakeProblem problem;
};

// The picture at path taken in as above and packed for the asset's panel, its on dots by the
// palette (inverse: the second colour) or by the preparation.
MadePicture MakePictureBytes(const Asset& asset, const std::string& path);

} // namespace pelmora
