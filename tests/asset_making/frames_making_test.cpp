// The frames maker as convert --frames streams it: each frame handed on as soon as the next
// one shows whether it repeats, so that no more than two are ever held.

#include "asset_making/frames_making.h"
#include "core/io/png_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
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

struct Row {
    const char* name;
    std::vector<std::string> pictures; // white, black, or missing
    bool merge;
    int stillDelayMs;
    std::vector<int> taken;             // the delays handed on, in order
    std::optional<std::size_t> failsAt; // the picture a problem names
};

TEST(FramesMaking, EachFrameIsHandedOnOnceTheNextShowsWhetherItRepeats) {
    const fs::path folder = fs::temp_directory_path() / "pelmora_frames_making";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string white = PlainPng(folder, "white.png", 0xFFFFFF);
    const std::string black = PlainPng(folder, "black.png", 0x000000);
    const std::string missing = (folder / "missing.png").string();
    const Row rows[] = {
        {"repeats merged", {white, white, black}, true, 100, {200, 100}, {}},
        {"repeats kept", {white, white, black}, false, 100, {100, 100, 100}, {}},
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
        std::vector<int> taken;
        std::size_t bytes = 0;
        const MadeFrames made = MakeFramesBytes(FramesAsset(row.merge, row.stillDelayMs),
                                                row.pictures, [&](PanelFrame&& frame) {
                                                    taken.push_back(frame.delayMs);
                                                    bytes = frame.bytes.size();
                                                    return std::string();
                                                });
        EXPECT_EQ(taken, row.taken);
        EXPECT_EQ(made.count, row.taken.size());
        EXPECT_EQ(bytes, std::size_t{kWidth * kHeight / 8});
        EXPECT_EQ(made.problem.input, row.failsAt) << made.problem.reason;
        EXPECT_EQ(made.problem.ok(), !row.failsAt.has_value());
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
    int calls = 0;
    const MadeFrames made = MakeFramesBytes(FramesAsset(false, 100), pictures, [&](PanelFrame&&) {
        ++calls;
        return std::string("the spool is full");
    });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(made.problem.reason, "the spool is full");
    EXPECT_EQ(made.problem.input, std::optional<std::size_t>(1));
    fs::remove_all(folder);
}

} // namespace
} // namespace pelmora
