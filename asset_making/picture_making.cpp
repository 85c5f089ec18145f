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

MakeProblem BitmapProblem(const TakenIn& taken, const PanelLayout& panel) {
    const BitmapCheck& check = taken.check;
    if (check.accepted()) {
        return {taken.error, taken.error.empty() ? MakeFault::None : MakeFault::Input, 0};
    }
    const bool rejected = check.verdict == BitmapVerdict::Rejected;
    // A plain rejection says what is taken; any other reason is the file's own.
    return {rejected && check.error.empty() ? RejectionTextOneLine(panel.width, panel.height)
                                            : check.error,
            rejected ? MakeFault::NotPanelBitmap : MakeFault::Input, 0};
}

MadePicture MakePictureBytes(const Asset& asset, const std::string& path) {
    MadePicture made;
    made.layout = asset.choice.panel();
    if (asset.preparation) {
        const PreparedDots prepared = PreparePictureDots(path, *asset.preparation);
        if (!prepared.ok()) {
            made.problem = {prepared.error, MakeFault::Input, 0};
            return made;
        }
        made.bytes = PackDots(prepared.dots, made.layout);
        if (made.bytes.empty()) {
            made.problem = {"the picture does not fit the panel", MakeFault::Input, 0};
        }
        return made;
    }
    const TakenIn taken = TakeInBitmapFile(path, made.layout);
    if (!taken.usable()) {
        made.problem = BitmapProblem(taken, made.layout);
        return made;
    }
    SilentProgress progress;
    const MonoPicture dots =
        ChooseOnDots(taken.pixels, OnColour(taken.check.palette, asset.inverse), progress);
    made.bytes = PackPanel(dots, made.layout);
    if (made.bytes.empty()) {
        made.problem = {"the picture is not the panel's size", MakeFault::Input, 0};
    }
    return made;
}

} // namespace pelmora
