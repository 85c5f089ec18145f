// The one reader of an asset's options: what each front end says for a bad value, and
// the typed value it makes of good ones.
#include "core/asset/asset_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelmora {
namespace {

struct BadPicture {
    const char* name;
    NamedValues values;
    bool frames;
    const char* key;
    const char* option; // as the command line says it
    const char* said;   // as a manifest says it
};

// Each row one bad value: the key it is placed at, and both front ends' words for it.
const std::vector<BadPicture>& BadPictures() {
    static const std::vector<BadPicture> rows{
        {"dither",
         {{"dither", "bogus"}},
         false,
         "dither",
         "--dither takes floyd-steinberg, atkinson, bayer or threshold",
         "dither takes floyd-steinberg, atkinson, bayer or threshold"},
        {"size",
         {{"size", "0x5"}},
         false,
         "size",
         "--size takes WIDTHxHEIGHT, each 1 to 4096",
         "size takes WIDTHxHEIGHT, each 1 to 4096"},
        {"block_width_needs_halves",
         {{"layout", "pages"}, {"block-width", "8"}},
         false,
         "block-width",
         "--block-width goes with --layout halves",
         "block-width goes with layout halves"},
        {"levels_of_one_bit",
         {{"levels", "255,0"}},
         false,
         "levels",
         "--levels goes with --depth 2 or 4",
         "levels goes with depth 2 or 4"},
        {"levels_unreadable", {{"depth", "2"}, {"levels", "x"}}, false, "levels", nullptr, nullptr},
        {"geometry",
         {{"size", "100x64"}},
         false,
         "",
         "a width of 100 is not a whole number of blocks of 64 columns",
         "a width of 100 is not a whole number of blocks of 64 columns"},
        {"arduboy_layout",
         {{"compress", "arduboy"}, {"layout", "rows"}},
         false,
         "compress",
         "--compress arduboy takes the Arduboy's own layout: --layout pages --bit-order lsb",
         "compress arduboy takes the Arduboy's own layout: layout pages bit-order lsb"},
        {"delay",
         {{"delay", "70000"}},
         true,
         "delay",
         "--delay takes a whole number of milliseconds from 0 to 65535",
         "delay takes a whole number of milliseconds from 0 to 65535"},
        {"mirror_none",
         {{"mirror", "none"}},
         false,
         "mirror",
         "--mirror takes horizontal or vertical",
         "mirror takes horizontal or vertical"},
        {"xbm_frames",
         {{"format", "xbm"}},
         true,
         "format",
         "--format xbm holds one picture only, no --frames",
         "format xbm holds one picture only, no frames"},
    };
    return rows;
}

TEST(AssetOptions, EachBadValueIsOneProblemAtItsKeyInEitherFrontEndsWords) {
    for (const BadPicture& row : BadPictures()) {
        SCOPED_TRACE(row.name);
        AssetReader line(row.values, KeyStyle::Option, ProblemsSaid::First);
        AssetReader manifest(row.values, KeyStyle::Key, ProblemsSaid::Every);
        line.readPicture(row.frames);
        manifest.readPicture(row.frames);
        ASSERT_EQ(line.problems().size(), 1u);
        ASSERT_EQ(manifest.problems().size(), 1u);
        EXPECT_EQ(line.problems().front().key, row.key);
        EXPECT_EQ(manifest.problems().front().key, row.key);
        const std::string option = line.said(line.problems().front());
        const std::string said = manifest.said(manifest.problems().front());
        if (row.option != nullptr) {
            EXPECT_EQ(option, row.option);
            EXPECT_EQ(said, row.said);
        } else { // the same reason, only the key's name differs
            EXPECT_EQ(option, "--" + said);
        }
    }
}

TEST(AssetOptions, TheCommandLineStopsAtTheFirstProblemAManifestSaysEveryKeys) {
    const NamedValues values{
        {"threshold", "999"}, {"dither", "atkinson"}, {"brightness", "999"}, {"rotate", "45"}};
    AssetReader line(values, KeyStyle::Option, ProblemsSaid::First);
    line.readPicture(false);
    ASSERT_EQ(line.problems().size(), 1u);
    EXPECT_EQ(line.said(line.problems().front()), "--threshold goes with --dither threshold");

    AssetReader manifest(values, KeyStyle::Key, ProblemsSaid::Every);
    manifest.readPicture(false);
    std::vector<std::string> keys;
    for (const OptionProblem& problem : manifest.problems()) {
        keys.push_back(problem.key);
    }
    // The pair is judged only once every key was right alone.
    EXPECT_EQ(keys, (std::vector<std::string>{"threshold", "brightness", "rotate"}));

    AssetReader pair({{"threshold", "5"}, {"dither", "atkinson"}}, KeyStyle::Key,
                     ProblemsSaid::Every);
    pair.readPicture(false);
    ASSERT_EQ(pair.problems().size(), 1u);
    EXPECT_EQ(pair.said(pair.problems().front()), "threshold goes with dither threshold");
}

TEST(AssetOptions, GoodValuesBecomeTypedValues) {
    AssetReader reader({{"sheet", "16x8"},
                        {"delay", "40"},
                        {"layout", "pages"},
                        {"mirror", "vertical"},
                        {"rotate", "90"},
                        {"threshold", "auto"},
                        {"inverse", ""}},
                       KeyStyle::Key, ProblemsSaid::Every);
    const Asset asset = reader.readPicture(true);
    ASSERT_TRUE(reader.ok()) << reader.said(reader.problems().front());
    EXPECT_EQ(asset.kind, AssetKind::Frames);
    ASSERT_TRUE(asset.frameInput.sheet);
    EXPECT_EQ(asset.frameInput.sheet->width, 16);
    EXPECT_EQ(asset.frameInput.stillDelayMs, 40);
    // A sheet's cell is the panel's size unless the size or a panel says otherwise.
    EXPECT_EQ(asset.choice.panel().width, 16);
    EXPECT_EQ(asset.choice.panel().height, 8);
    ASSERT_TRUE(asset.preparation);
    EXPECT_EQ(asset.preparation->mirror, Mirror::Vertical);
    EXPECT_EQ(asset.preparation->rotate, 90);
    EXPECT_EQ(asset.preparation->options.dither, Dither::Threshold);
    EXPECT_FALSE(asset.preparation->options.threshold);
    EXPECT_TRUE(asset.preparation->options.invert); // inverse folded in
}

TEST(AssetOptions, DotSizesAreWholeSidesWithinThePanelLimit) {
    struct Row {
        const char* text;
        bool read;
    };
    for (const Row& row : {Row{"1x1", true}, Row{"4096x4096", true}, Row{"4097x1", false},
                           Row{"0x8", false}, Row{"8x", false}, Row{"x8", false},
                           Row{"8 x8", false}, Row{"8x8x8", false}, Row{"-1x8", false}}) {
        EXPECT_EQ(ReadDotSize(row.text).has_value(), row.read) << row.text;
    }
}

TEST(AssetOptions, AFontOfTheBuildTakesOnlyWhatTheCombinedFilesHold) {
    struct Row {
        const char* name;
        NamedValues values;
        AssetReader::FontFormats formats;
        std::vector<std::string> said;
    };
    const std::vector<Row> rows{
        {"table_key_without_table",
         {{"cell", "8x8"}},
         AssetReader::FontFormats::Any,
         {"--cell goes with a table: --format db, asm, gas, c, arduino, bin or ihex"}},
        {"build_format",
         {{"format", "db"}, {"hinting", "x"}},
         AssetReader::FontFormats::Build,
         {"--format takes gfxfont, u8g2, c or arduino for a font of the build",
          "--hinting takes normal, light or none"}},
        {"build_table_key",
         {{"layout", "rows"}},
         AssetReader::FontFormats::Build,
         {"--layout goes with a table: --format c or arduino"}},
        {"pixel_size",
         {{"size", "1025"}},
         AssetReader::FontFormats::Any,
         {"--size takes a whole number of pixels from 1 to 1024"}},
        {"no_character", {{"chars", "5-1"}}, AssetReader::FontFormats::Any, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        AssetReader reader(row.values, KeyStyle::Option, ProblemsSaid::Every);
        FontInput font;
        reader.readFont(row.formats, {}, font);
        std::vector<std::string> said;
        for (const OptionProblem& problem : reader.problems()) {
            said.push_back(reader.said(problem));
        }
        if (row.said.empty()) {
            ASSERT_EQ(said.size(), 1u);
            EXPECT_EQ(reader.problems().front().key, "chars");
        } else {
            EXPECT_EQ(said, row.said);
        }
    }
}

} // namespace
} // namespace pelmora
