#include "asset_making/picture_making.h"

#include "core/bmp/bitmap_header.h"
#include "core/panel/mono_picture.h"
#include "core/panel/panel_bytes.h"
#include "picture_input/picture_input.h"

#include <utility>

namespace pelmora {

namespace {

class SilentProgress : public ProgressDisplay {
  public:
    void showProgress(const std::string&) override {}
};

} // namespace

PictureIntake TakeInPicture(const Asset& asset, const std::string& path) {
    PictureIntake intake;
    if (asset.preparation) {
        PreparedDots prepared = PreparePictureDots(path, *asset.preparation);
        if (!prepared.ok()) {
            intake.problem = {std::move(prepared.error), MakeFault::Input, 0};
        } else {
            intake.dots = std::move(prepared.dots);
        }
        return intake;
    }
    const PanelLayout layout = asset.choice.panel();
    TakenIn taken = TakeInBitmapFile(path, layout);
    if (taken.usable()) {
        intake.bitmap = std::move(taken);
    } else if (!taken.check.accepted()) {
        const bool rejected = taken.check.verdict == BitmapVerdict::Rejected;
        // A plain rejection says what is taken; any other reason is the file's own.
        intake.problem = {rejected && taken.check.error.empty()
                              ? RejectionTextOneLine(layout.width, layout.height)
                              : taken.check.error,
                          rejected ? MakeFault::NotPanelBitmap : MakeFault::Input, 0};
    } else {
        intake.problem = {taken.error, MakeFault::Input, 0};
    }
    return intake;
}

MadePicture MakePictureBytes(const Asset& asset, const std::string& path) {
    MadePicture made;
    made.layout = asset.choice.panel();
    PictureIntake intake = TakeInPicture(asset, path);
    if (!intake.problem.ok()) {
        made.problem = std::move(intake.problem);
        return made;
    }
    if (!intake.bitmap) {
        made.bytes = PackDots(intake.dots, made.layout);
        if (made.bytes.empty()) {
            made.problem = {"the picture does not fit the panel", MakeFault::Input, 0};
        }
        return made;
    }
    SilentProgress progress;
    const MonoPicture dots = ChooseOnDots(
        intake.bitmap->pixels, OnColour(intake.bitmap->check.palette, asset.inverse), progress);
    made.bytes = PackPanel(dots, made.layout);
    if (made.bytes.empty()) {
        made.problem = {"the picture is not the panel's size", MakeFault::Input, 0};
    }
    return made;
}

} // namespace pelmora
