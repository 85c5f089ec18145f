// Each syntax reads back what it writes, with the geometry it states, and names the line
// of anything it cannot read.

#include "core/conversion/plotter.h"
#include "core/syntax/syntax.h"

#include <algorithm>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

namespace pelmora {
namespace {

// The walk steps from byte to byte; started at any byte it must be where the steps got to,
// and every dot of the panel must belong to exactly one byte.
TEST(ByteWalkTest, StepsAgreeWithAStartAtEveryByteAndCoverEveryDotOnce) {
    const PanelLayout layouts[] = {
        {},
        {.width = 192, .height = 64},
        {.width = 20, .height = 12, .arrangement = Arrangement::Halves, .blockWidth = 5},
        {.width = 84, .height = 48, .arrangement = Arrangement::Pages},
        {.width = 250, .height = 122, .arrangement = Arrangement::Pages},
        {.width = 1, .height = 1, .arrangement = Arrangement::Pages},
        {.width = 250, .height = 122, .arrangement = Arrangement::Rows},
        {.width = 7, .height = 3, .arrangement = Arrangement::Rows},
    };
    for (const PanelLayout& layout : layouts) {
        SCOPED_TRACE(std::to_string(layout.width) + "x" + std::to_string(layout.height) + " " +
                     std::string(NameOf(layout.arrangement)));
        std::vector<int> owners(static_cast<std::size_t>(layout.width * layout.height), 0);
        ByteWalk walk(layout, 0);
        for (std::size_t index = 0; index < layout.byteCount(); ++index, walk.next()) {
            const ByteDots started = ByteWalk(layout, index).dots();
            const ByteDots& stepped = walk.dots();
            ASSERT_EQ(std::tie(started.x, started.y, started.dx, started.dy, started.count),
                      std::tie(stepped.x, stepped.y, stepped.dx, stepped.dy, stepped.count))
                << "byte " << index;
            for (int i = 0; i < stepped.count; ++i) {
                const int x = stepped.x + i * stepped.dx;
                const int y = stepped.y + i * stepped.dy;
                ASSERT_TRUE(x >= 0 && x < layout.width && y >= 0 && y < layout.height);
                ++owners[static_cast<std::size_t>(y * layout.width + x)];
            }
        }
        EXPECT_EQ(std::count(owners.begin(), owners.end(), 1),
                  static_cast<std::ptrdiff_t>(owners.size()));
    }
}

TEST(Syntaxes, ReadBackWhatTheyWriteWithTheirGeometry) {
    const PanelLayout layout{84, 48, Arrangement::Pages, kBlockWidth, BitOrder::Msb};
    const PanelLayout xbm{84, 48, Arrangement::Rows, kBlockWidth, BitOrder::Lsb};
    for (const Syntax* syntax : Syntaxes()) {
        SCOPED_TRACE(std::string(syntax->name));
        const PanelLayout& used = syntax->onlyRowsLsb ? xbm : layout;
        std::vector<std::uint8_t> bytes(used.byteCount());
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<std::uint8_t>(i * 37 + 11);
        }
        const std::string text = syntax->write(used, bytes, "logo");
        const PanelText read = ReadPanelText(text, PanelLayout{}, nullptr,
                                             "lcd_logo" + std::string(syntax->extension));
        EXPECT_EQ(read.syntax, syntax) << "told from the content or the extension";
        EXPECT_EQ(read.error, "");
        EXPECT_EQ(read.bytes, bytes);
        const bool statesGeometry =
            syntax->name != "db" && syntax->name != "bin" && syntax->name != "ihex";
        EXPECT_EQ(read.layout, statesGeometry ? used : PanelLayout{});
    }
}

// A syntax that writes frames reads them back; every one writes a font table.
TEST(Syntaxes, CarryTheirFramesWritersInPairs) {
    for (const Syntax* syntax : Syntaxes()) {
        SCOPED_TRACE(std::string(syntax->name));
        EXPECT_EQ(syntax->writeFrames != nullptr, syntax->readFrames != nullptr);
        EXPECT_NE(syntax->writeCellTable, nullptr);
    }
}

TEST(Syntaxes, NameTheLineTheyCannotRead) {
    const struct {
        const char* syntax;
        std::string text;
        std::string error;
    } cases[] = {
        {"asm", "; x\nlogo:\n        DB 01H,02H\n        DB 0GH\n",
         "line 4: '0GH' is not a byte value"},
        {"asm", "; x\n        LD A,0\n", "line 2: only labels, comments and DB lines are read"},
        {"asm", "; x\n        DB 256\n", "line 2: '256' is not a byte value"},
        {"gas", "x:\n .byte 0x01,\n .byte 0x1g\n", "line 3: '0x1g' is not a byte value"},
        {"c", "const uint8_t x[2] = {\n 0x01,\n -1 };\n", "line 3: '-1' is not a byte value"},
        {"c", "const uint8_t x[2];\n", "line 1: no array of bytes between { and } was found"},
        {"xbm",
         "#define x_width 9000\n#define x_height 1\nstatic unsigned char x_bits[] = {0x00};\n",
         "line 1: the panel size must be 1 to 4096 each way"},
        {"ihex", ":0100000001FF\n:00000001FF\n", "line 1: the record's checksum is wrong"},
        {"ihex", ":0200000001\n", "line 1: the record's length does not match its count"},
        {"ihex", "hello\n", "line 1: not an Intel HEX record"},
        {"ihex", ":02000004FFFFFC\n:01000000AA55\n",
         "line 2: the address lies beyond the largest panel"},
        {"ihex", ":00000001FF\n:00000001FF\n", "line 2: text after the end record"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const Syntax* syntax = FindSyntax(c.syntax);
        ASSERT_NE(syntax, nullptr);
        EXPECT_EQ(syntax->read(c.text).error, c.error);
    }
}

} // namespace
} // namespace pelmora
