#pragma once

#include "asset_making/make_problem.h"
#include "core/asset/asset.h"
#include "core/conversion/intake.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pelmora {

// Why a 1-bit BMP taken in for the panel cannot be used as it is (MakeFault::NotPanelBitmap
// when it is no 1-bit BMP of the panel's size: preparing it would take it), or no problem.
MakeProblem BitmapProblem(const TakenIn& taken, const PanelLayout& panel);

// A picture's bytes in the panel's layout.
struct MadePicture {
    PanelLayout layout;
    std::vector<std::uint8_t> bytes;
    MakeProblem problem;
};

// The picture at path packed for the asset's panel: prepared when the asset has a
// preparation (inverse folded into it), else a 1-bit BMP of the panel's size taken in as it
// is, its on dots the palette's first colour (inverse: the second).
MadePicture MakePictureBytes(const Asset& asset, const std::string& path);

} // namespace pelmora
