#include "asset_making/asset_making.h"

#include "asset_making/font_making.h"
#include "asset_making/frames_making.h"
#include "asset_making/picture_making.h"

#include <utility>

namespace pelmora {

namespace {

// Every frame kept, one after another.
class CollectedFrames : public FrameTaker {
  public:
    explicit CollectedFrames(MadeAsset& made) : made_(made) {}
    std::string take(PanelFrame&& frame) override {
        made_.bytes.insert(made_.bytes.end(), frame.bytes.begin(), frame.bytes.end());
        made_.delaysMs.push_back(frame.delayMs);
        made_.sources.push_back(std::move(frame.source));
        return {};
    }

  private:
    MadeAsset& made_;
};

void MakeFrames(const Asset& asset, std::span<const std::string> paths, MadeAsset& made) {
    CollectedFrames collected(made);
    made.problem = MakeFramesBytes(asset, paths, collected);
    made.layout = asset.choice.panel();
    made.count = static_cast<int>(made.delaysMs.size());
    if (made.problem.ok() && made.count == 0) {
        made.problem = {"no frame was made", MakeFault::Input, kAsAWhole};
    }
}

} // namespace

MadeAsset MakeAsset(const Asset& asset, std::span<const std::string> paths) {
    MadeAsset made;
    made.kind = asset.kind;
    if (paths.empty()) {
        made.problem = {"no file to make it from", MakeFault::Misuse, kAsAWhole};
        return made;
    }
    switch (asset.kind) {
    case AssetKind::Picture: {
        MadePicture picture = MakePictureBytes(asset, paths.front());
        made.layout = picture.layout;
        made.bytes = std::move(picture.bytes);
        made.problem = std::move(picture.problem);
        break;
    }
    case AssetKind::Frames:
        MakeFrames(asset, paths, made);
        break;
    case AssetKind::Font: {
        MadeFont font = MakeFontBytes(asset.font, asset.choice.symbol, paths.front());
        if (font.problem.ok()) {
            made.layout = FontLayout(font.raster.set, asset.font.format);
        }
        made.count = static_cast<int>(font.raster.set.glyphs.size());
        made.fontText = std::move(font.file.text);
        made.warning = std::move(font.raster.warning);
        made.missing = std::move(font.raster.missing);
        made.problem = std::move(font.problem);
        break;
    }
    }
    return made;
}

} // namespace pelmora
