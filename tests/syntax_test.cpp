// Each syntax reads back what it writes, with the geometry it states, and names the line
// of anything it cannot read.

#include "core/page_mode_plotter.h"
#include "core/syntax.h"

#include <gtest/gtest.h>

namespace pelmora {
namespace {

TEST(Syntaxes, ReadBackWhatTheyWriteWithTheirGeometry) {
    const PanelLayout layout{84, 48, Arrangement::Pages, kBlockWidth, BitOrder::Msb};
    const PanelLayout xbm{84, 48, Arrangement::Rows, kBlockWidth, BitOrder::Lsb};
    for (const Syntax* syntax : Syntaxes()) {
        SCOPED_TRACE(std::string(syntax->name));
        const PanelLayout& used = syntax->name == "xbm" ? xbm : layout;
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
