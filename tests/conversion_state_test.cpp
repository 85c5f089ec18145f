#include "core/conversion/conversion_state.h"
#include "core/panel/checked_int.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace pelmora {
namespace {

const std::string kSep(1, static_cast<char>(std::filesystem::path::preferred_separator));

struct OutputPathCase {
    const char* folder;
    const char* fileName;
    std::string expected;
};

void PrintTo(const OutputPathCase& c, std::ostream* out) {
    *out << c.folder << " + " << c.fileName;
}

class DeriveOutputPathTest : public testing::TestWithParam<OutputPathCase> {};

TEST_P(DeriveOutputPathTest, NamesTheTextAfterTheBitmap) {
    const OutputPathCase& c = GetParam();
    EXPECT_EQ(DeriveOutputPath(c.folder, c.fileName), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, DeriveOutputPathTest,
    testing::Values(OutputPathCase{"pics", "Logo.bmp", "pics" + kSep + "lcd_Logo.txt"},
                    OutputPathCase{"pics", "LOGO.BMP", "pics" + kSep + "lcd_LOGO.txt"},
                    OutputPathCase{"pics", "a.bmp.BmP", "pics" + kSep + "lcd_a.txt.txt"},
                    OutputPathCase{"old.bmp", "x.bmp", "old.bmp" + kSep + "lcd_x.txt"},
                    OutputPathCase{"pics", "", "pics" + kSep + "lcd_"},
                    OutputPathCase{"pics", "notes.bm", "pics" + kSep + "lcd_notes.bm"},
                    OutputPathCase{"pics", "dot.bmpx", "pics" + kSep + "lcd_dot.txtx"},
                    OutputPathCase{"pics", "\xc3\xa9t\xc3\xa9.bmp",
                                   "pics" + kSep + "lcd_\xc3\xa9t\xc3\xa9.txt"}));

TEST(PanelGeometry, AcceptedSizeGivesEightPagesAndTwoBlocks) {
    ConversionState state;
    state.infoHeader.biWidth = 128;
    state.infoHeader.biHeight = 64;
    ComputePanelGeometry(state);
    EXPECT_EQ(state.pageCount, 8);
    EXPECT_EQ(state.blockCount, 2);
}

TEST(PanelGeometry, SizesBeyondSixteenBitsAreAnErrorNotAWrap) {
    ConversionState state;
    state.infoHeader.biWidth = 64 * 40000;
    state.infoHeader.biHeight = 64;
    EXPECT_THROW(ComputePanelGeometry(state), OverflowError);
    EXPECT_EQ(CheckedInt16(-32768), -32768);
    EXPECT_THROW(CheckedInt16(32768), OverflowError);
    EXPECT_THROW(CheckedInt16(-32769), OverflowError);
}

} // namespace
} // namespace pelmora
