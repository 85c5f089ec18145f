// The window's remembered choices, read back through the core's reader under the command
// line's names: every preset and preparation comes back as it was saved, and a value that
// no longer reads is its default alone, the others kept, with no message.

#include "core/panel/presets.h"
#include "core/syntax/syntax.h"
#include "support/qt_helpers.h"
#include "support/test_pictures.h"
#include "ui/output_settings.h"
#include "ui/prepare_window.h"

#include <QSettings>

#include <gtest/gtest.h>

namespace pelmora {
namespace {

using test::Q;
using test::ScratchFolder;

struct Stored {
    ScratchFolder folder;
    QSettings settings{Q(folder / "settings.ini"), QSettings::IniFormat};
};

TEST(RememberedChoices, EveryPresetAndWholeRamLayoutComesBackAsSaved) {
    std::vector<PanelLayout> layouts;
    for (const PanelPreset& preset : PanelPresets()) {
        layouts.push_back(preset.layout);
    }
    PanelLayout halves{.width = 192, .height = 48, .arrangement = Arrangement::Halves};
    halves.blockWidth = 32;
    halves.bitOrder = BitOrder::Msb;
    layouts.push_back(halves);
    PanelLayout ram{.width = 100, .height = 30, .arrangement = Arrangement::Pages};
    ram.ramWidth = 132;
    ram.xOffset = 2;
    layouts.push_back(ram);
    for (const PanelLayout& layout : layouts) {
        for (const Syntax* syntax : Syntaxes()) {
            if (!SyntaxLayoutProblem(*syntax, layout).empty()) {
                continue;
            }
            SCOPED_TRACE(std::string(syntax->name) + " " + std::to_string(layout.width) + "x" +
                         std::to_string(layout.height) + " depth " + std::to_string(layout.depth));
            Stored stored;
            SaveOutputChoice(stored.settings, OutputChoice{layout, syntax, {}, {}});
            SavePacking(stored.settings, {Scheme::Lzss, false});
            const OutputChoice read = LoadOutputChoice(stored.settings);
            ASSERT_TRUE(read.layout.has_value());
            EXPECT_EQ(*read.layout, layout);
            EXPECT_EQ(read.syntax, syntax);
            // A packing that Output settings lets be chosen comes back.
            if (PackingProblem(*syntax, layout, {Scheme::Lzss, false}, false).empty()) {
                EXPECT_EQ(LoadPacking(stored.settings).scheme, Scheme::Lzss);
            }
        }
    }
}

TEST(RememberedChoices, APanelValueThatNoLongerReadsIsItsDefaultAlone) {
    struct Row {
        const char* name;
        const char* key;
        QVariant value;
        bool layoutKept; // else the default panel
        bool syntaxKept; // else the default syntax
    };
    const Row rows[] = {
        {"a syntax no longer known", "output/syntax", "pascal", true, false},
        {"a syntax that cannot hold the layout", "output/syntax", "xbm", true, false},
        {"a depth of 3", "output/depth", 3, true, true},
        {"a layout number past the list", "output/arrangement", 9, true, true},
        {"a colour pair unknown", "output/colours", "green-blue", true, true},
        {"a mask number past the list", "output/mask", 5, true, true},
        {"a width of 0", "output/width", 0, true, true},
        {"a RAM narrower than the picture", "output/ramWidth", 100, false, true},
    };
    PanelLayout layout{.width = 128, .height = 40, .arrangement = Arrangement::Pages};
    layout.depth = 2;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Stored stored;
        SaveOutputChoice(stored.settings, OutputChoice{layout, FindSyntax("c"), {}, {}});
        stored.settings.setValue(row.key, row.value);
        const OutputChoice read = LoadOutputChoice(stored.settings);
        EXPECT_EQ(read.syntax, row.syntaxKept ? FindSyntax("c") : nullptr);
        if (!row.layoutKept) {
            EXPECT_FALSE(read.layout.has_value());
            continue;
        }
        ASSERT_TRUE(read.layout.has_value());
        // Only the value that no longer reads is changed, to what the reader takes alone.
        const PanelLayout defaults;
        PanelLayout expected = layout;
        if (std::string(row.key) == "output/depth") {
            expected.depth = defaults.depth;
        } else if (std::string(row.key) == "output/width") {
            expected.width = defaults.width;
            expected.height = defaults.height;
        } else if (std::string(row.key) == "output/arrangement") {
            expected.arrangement = defaults.arrangement;
        }
        EXPECT_EQ(*read.layout, expected);
    }
}

TEST(RememberedChoices, PreparationsComeBackAndAValueThatNoLongerReadsIsItsDefaultAlone) {
    for (std::size_t fit = 0; fit < FitNames().size(); ++fit) {
        for (std::size_t dither = 0; dither < DitherNames().size(); ++dither) {
            Stored stored;
            PrepareOptions options;
            options.fit = static_cast<Fit>(fit);
            options.dither = static_cast<Dither>(dither);
            options.threshold = dither % 2 == 0 ? std::optional<int>() : 200;
            options.brightness = -40;
            options.contrast = 100;
            options.blackBackground = fit % 2 == 0;
            options.invert = dither % 2 == 0;
            SavePrepareOptions(stored.settings, options);
            const PrepareOptions read = LoadPrepareOptions(stored.settings);
            EXPECT_EQ(read.fit, options.fit);
            EXPECT_EQ(read.dither, options.dither);
            EXPECT_EQ(read.threshold, options.threshold);
            EXPECT_EQ(read.brightness, options.brightness);
            EXPECT_EQ(read.contrast, options.contrast);
            EXPECT_EQ(read.blackBackground, options.blackBackground);
            EXPECT_EQ(read.invert, options.invert);
        }
    }
    struct Row {
        const char* key;
        QVariant value;
    };
    const Row rows[] = {{"prepare/fit", "sideways"}, {"prepare/dither", "ordered"},
                        {"prepare/brightness", 500}, {"prepare/contrast", "high"},
                        {"prepare/threshold", 300},  {"prepare/background", "grey"}};
    PrepareOptions chosen;
    chosen.fit = Fit::Cover;
    chosen.dither = Dither::Atkinson;
    chosen.threshold = 90;
    chosen.brightness = 20;
    chosen.contrast = -20;
    chosen.blackBackground = true;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        Stored stored;
        SavePrepareOptions(stored.settings, chosen);
        stored.settings.setValue(row.key, row.value);
        const PrepareOptions read = LoadPrepareOptions(stored.settings);
        const PrepareOptions defaults;
        const std::string key = row.key;
        EXPECT_EQ(read.fit, key == "prepare/fit" ? defaults.fit : chosen.fit);
        EXPECT_EQ(read.dither, key == "prepare/dither" ? defaults.dither : chosen.dither);
        EXPECT_EQ(read.threshold,
                  key == "prepare/threshold" ? defaults.threshold : chosen.threshold);
        EXPECT_EQ(read.brightness,
                  key == "prepare/brightness" ? defaults.brightness : chosen.brightness);
        EXPECT_EQ(read.contrast, key == "prepare/contrast" ? defaults.contrast : chosen.contrast);
        EXPECT_EQ(read.blackBackground,
                  key == "prepare/background" ? defaults.blackBackground : chosen.blackBackground);
    }
}

} // namespace
} // namespace pelmora
