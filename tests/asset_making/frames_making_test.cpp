// The frames maker as convert --frames streams it: each frame handed on as soon as the next
// one shows whether it repeats, so that no more than two are ever held.

#include "asset_making/frames_making.h"
#include "core/io/png_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace pelmora {
namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 16;
constexpr int kHeight = 8;

// A PNG of one grey: white or black.
std::string PlainPng(const fs::path& folder, const std::string& name, std::uint32_t colour) {
    const fs::path path = folder / name;
    std::ofstream out(path, std::ios::binary);
    PngPicture picture{kWidth, kHeight, {colour}, {}, [](int, std::uint8_t* row) {
                           std::fill(row, row + kWidth, std::uint8_t{0});
                       }};
    EXPECT_TRUE(WritePng(picture, [&out](std::string_view piece) {
        out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
        return bool(out);
    }));
    return path.string();
}

Asset FramesAsset(bool mergeRepeats, int stillDelayMs) {
    const PanelLayout layout{.width = kWidth, .height = kHeight, .arrangement = Arrangement::Rows};
    Asset asset;
    asset.kind = AssetKind::Frames;
    asset.choice.layout = layout;
    Preparation preparation;
    preparation.width = kWidth;
    preparation.height = kHeight;
    preparation.layout = layout;
    asset.preparation = preparation;
    asset.frameInput.stillDelayMs = stillDelayMs;
    asset.mergeRepeats = mergeRepeats;
    return asset;
}

// Keeps what it is handed, or refuses it.
class Taker : public FrameTaker {
  public:
    std::string refusal;
    std::vector<int> delays;
    std::vector<std::size_t> sizes;
    std::string take(PanelFrame&& frame) override {
        delays.push_back(frame.delayMs);
        sizes.push_back(frame.bytes.size());
        return refusal;
    }
};

struct Row {
    const char* name;
    std::vector<std::string> pictures; // white, black, or missing
    bool merge;
    int stillDelayMs;
    std::vector<int> taken; // the delays handed on, in order
    std::size_t failsAt;    // the picture a problem names
};

TEST(FramesMaking, EachFrameIsHandedOnOnceTheNextShowsWhetherItRepeats) {
    const fs::path folder = fs::temp_directory_path() / "pelmora_frames_making";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string white = PlainPng(folder, "white.png", 0xFFFFFF);
    const std::string black = PlainPng(folder, "black.png", 0x000000);
    const std::string missing = (folder / "missing.png").string();
    const Row rows[] = {
        {"repeats merged", {white, white, black}, true, 100, {200, 100}, kAsAWhole},
        {"repeats kept", {white, white, black}, false, 100, {100, 100, 100}, kAsAWhole},
        // The first frame is out before the last picture is even read.
        {"streamed before a later picture fails", {white, black, missing}, true, 100, {100}, 2},
        {"a merged delay too long names the picture that made it",
         {white, black, black},
         true,
         40000,
         {40000},
         2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Taker taker;
        const MakeProblem problem =
            MakeFramesBytes(FramesAsset(row.merge, row.stillDelayMs), row.pictures, taker);
        EXPECT_EQ(taker.delays, row.taken);
        EXPECT_EQ(taker.sizes, std::vector<std::size_t>(row.taken.size(), kWidth * kHeight / 8));
        EXPECT_EQ(problem.input, row.failsAt) << problem.error;
        EXPECT_EQ(problem.ok(), row.failsAt == kAsAWhole);
    }
    fs::remove_all(folder);
}

TEST(FramesMaking, ATakersRefusalStopsTheMakingAtItsPicture) {
    const fs::path folder = fs::temp_directory_path() / "pelmora_frames_refusal";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string white = PlainPng(folder, "white.png", 0xFFFFFF);
    const std::string black = PlainPng(folder, "black.png", 0x000000);
    const std::vector<std::string> pictures{white, black, white};
    Taker taker;
    taker.refusal = "the spool is full";
    const MakeProblem problem = MakeFramesBytes(FramesAsset(false, 100), pictures, taker);
    EXPECT_EQ(taker.delays.size(), 1u);
    EXPECT_EQ(problem.error, "the spool is full");
    EXPECT_EQ(problem.input, 1u);
    fs::remove_all(folder);
}

} // namespace
} // namespace pelmora
