// Hostile files for every reader of the panel syntaxes: a stated geometry that cannot be,
// values that are not bytes, structures cut or broken, Intel HEX records that lie. Each
// must be refused by the core's reader and by pelmora-cli show (which the preview window
// shares) with the line named, exit 1, and nothing written over the earlier output.

#include "core/conversion/plotter.h"
#include "core/syntax/syntax.h"
#include "core/syntax/text_values.h"
#include "support/test_pictures.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace pelmora {
namespace {

using test::ReadFile;
using test::ScratchFolder;
using test::WriteFile;

struct Hostile {
    std::string name;
    std::string format;
    std::string text;
};

std::vector<std::uint8_t> SomeBytes(std::size_t count) {
    std::mt19937 random(11);
    std::vector<std::uint8_t> bytes(count);
    for (std::uint8_t& byte : bytes) {
        byte = static_cast<std::uint8_t>(random());
    }
    return bytes;
}

std::string Written(const std::string& format, const PanelLayout& layout) {
    const Syntax* syntax = FindSyntax(format);
    return syntax->write(layout, SomeBytes(layout.byteCount()), "s");
}

// text with its n-th occurrence of what replaced; the text itself when there is none.
std::string ReplaceNth(std::string text, const std::string& what, std::size_t n,
                       const std::string& with) {
    std::size_t at = text.find(what);
    for (std::size_t i = 0; i < n && at != std::string::npos; ++i) {
        at = text.find(what, at + 1);
    }
    return at == std::string::npos ? text : text.replace(at, what.size(), with);
}

// Where the k-th byte value of a written text starts, and how long it is.
std::pair<std::size_t, std::size_t> ValueAt(const std::string& text, const std::string& format,
                                            std::size_t k) {
    const bool asm_ = format == "asm";
    std::size_t at = text.find(asm_ ? "DB " : format == "gas" ? ".byte " : "{");
    at = text.find(asm_ ? "" : "0x", at);
    if (asm_) {
        at = text.find_first_of("0123456789", text.find("DB ") + 3);
    }
    for (std::size_t i = 0; i < k; ++i) {
        at = asm_ ? text.find_first_of("0123456789", text.find_first_of(",\n", at) + 1)
                  : text.find("0x", at + 1);
    }
    const std::size_t end = text.find_first_of(",\n }", at);
    return {at, end - at};
}

std::vector<Hostile> HostileFiles() {
    std::vector<Hostile> cases;
    const PanelLayout small{.width = 20, .height = 12, .arrangement = Arrangement::Pages};

    // A stated geometry that cannot be read or cannot be.
    const std::string geometries[] = {"0x0 pages 64 lsb",        "60000x60000 pages 64 lsb",
                                      "4097x1 rows 64 msb",      "-1x5 pages 64 lsb",
                                      "128x pages 64 lsb",       "x64 pages 64 lsb",
                                      "abcxdef pages 64 lsb",    "128x64 sideways 64 lsb",
                                      "128x64 halves 0 lsb",     "128x64 halves 64 middle",
                                      "100x64 halves 64 lsb",    "99999999999x1 rows 8 msb",
                                      "128x64 halves",           "",
                                      "128x64 halves 99999 lsb", "20x12 pages 20 LSB"};
    for (const std::string format : {"asm", "gas", "c", "arduino"}) {
        const std::string text = Written(format, small);
        for (std::size_t i = 0; i < std::size(geometries); ++i) {
            cases.push_back(
                {format + "-geometry" + std::to_string(i), format,
                 ReplaceNth(text, GeometryText(small), 0, "pelmora-panel: " + geometries[i])});
        }
    }

    // Values that are not bytes, first, in the middle and last.
    const std::string cValues[] = {
        "0x100", "-1",           "0xZZ", "256", "0x",   "0x1FFFFFFFFFFFFFFFFF",
        "\x01",  "\xef\xbc\x91", "0x0G", "1e3", "0x-1", "''"};
    const std::string asmValues[] = {"100H", "0ZZH", "-1H",  "0FFFFFFFFFFFFFFFFFFFFFFH",
                                     "256",  "1234", "0GH",  "#",
                                     "\x01", "1e3",  "1FFH", "0x100"};
    for (const std::string format : {"asm", "gas", "c", "arduino", "xbm"}) {
        const std::string text = Written(
            format, format == "xbm"
                        ? PanelLayout{.width = 20, .height = 12, .arrangement = Arrangement::Rows}
                        : small);
        const auto& values = format == "asm" ? asmValues : cValues;
        const std::size_t count = format == "xbm" ? 36 : 40;
        for (const std::size_t k : {std::size_t{0}, count / 2, count - 1}) {
            const auto [at, length] = ValueAt(text, format, k);
            for (std::size_t i = 0; i < std::size(cValues); ++i) {
                std::string bad = text;
                bad.replace(at, length, values[i]);
                cases.push_back(
                    {format + "-value" + std::to_string(k) + "-" + std::to_string(i), format, bad});
            }
        }
    }

    // C-like structures broken or cut before their closing brace.
    for (const std::string format : {"c", "arduino", "xbm"}) {
        const std::string text = Written(
            format, format == "xbm"
                        ? PanelLayout{.width = 20, .height = 12, .arrangement = Arrangement::Rows}
                        : small);
        const std::size_t open = text.find('{');
        const std::size_t close = text.find('}');
        for (int i = 0; i < 10; ++i) {
            const std::size_t cut = open + (close - open) * static_cast<std::size_t>(i) / 10;
            cases.push_back({format + "-cut" + std::to_string(i), format, text.substr(0, cut)});
        }
        cases.push_back({format + "-no-open", format, ReplaceNth(text, "{", 0, " ")});
        cases.push_back({format + "-no-close", format, ReplaceNth(text, "}", 0, " ")});
    }
    const std::string xbm =
        Written("xbm", {.width = 20, .height = 12, .arrangement = Arrangement::Rows});
    for (const std::string width : {"0", "99999", "-3", "twenty", "4097"}) {
        cases.push_back(
            {"xbm-width-" + width, "xbm", ReplaceNth(xbm, "_width 20", 0, "_width " + width)});
    }
    cases.push_back({"xbm-no-height", "xbm", ReplaceNth(xbm, "#define s_height 12", 0, "")});

    // Intel HEX records that lie about themselves.
    const std::string hex = Written("ihex", {});
    std::vector<std::size_t> starts;
    for (std::size_t at = hex.find(':'); at != std::string::npos; at = hex.find(':', at + 1)) {
        starts.push_back(at);
    }
    for (std::size_t r = 0; r < 20; ++r) {
        std::string bad = hex;
        const std::size_t sum = hex.find_first_of("\r\n", starts[r]) - 1; // last checksum digit
        bad[sum] = bad[sum] == '0' ? '1' : '0';
        cases.push_back({"ihex-checksum" + std::to_string(r), "ihex", bad});
    }
    for (std::size_t r = 0; r < 10; ++r) {
        cases.push_back({"ihex-count" + std::to_string(r), "ihex",
                         std::string(hex).replace(starts[r] + 1, 2, "11")});
        cases.push_back({"ihex-digit" + std::to_string(r), "ihex",
                         std::string(hex).replace(starts[r] + 9 + 2 * r, 1, "G")});
        cases.push_back({"ihex-no-colon" + std::to_string(r), "ihex",
                         std::string(hex).replace(starts[r], 1, ";")});
        cases.push_back(
            {"ihex-odd" + std::to_string(r), "ihex", std::string(hex).insert(starts[r] + 5, "0")});
    }
    for (std::size_t r = 1; r < 64; r += 4) {
        cases.push_back({"ihex-no-end" + std::to_string(r), "ihex", hex.substr(0, starts[r])});
    }
    for (const std::string record : {":00000002FE", ":00000003FD", ":00000005FB", ":0200000400FFFB",
                                     ":0400000400000000F8", ":02000004FFFFFC\n:01000000AA55"}) {
        cases.push_back({"ihex-record-" + record.substr(1, 8), "ihex", record + "\n" + hex});
    }
    cases.push_back({"ihex-after-end", "ihex", hex + ":00000001FF\n"});
    return cases;
}

int ExitOf(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(HostileFiles, EveryReaderRefusesEachNamingTheLineAndWritesNothing) {
    const std::vector<Hostile> cases = HostileFiles();
    ASSERT_GE(cases.size(), 250U);
    std::printf("%zu hostile files\n", cases.size());
    ScratchFolder folder;
    const std::string earlier = "an earlier picture\n";
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Hostile& c = cases[i];
        SCOPED_TRACE(c.name);
        const PanelText read = ReadPanelText(c.text, {}, FindSyntax(c.format));
        EXPECT_EQ(read.error.rfind("line ", 0), 0U) << "read as: " << read.error;

        const std::string file = (folder / ("case" + std::to_string(i))).string();
        WriteFile(file, c.text);
        WriteFile(file + ".bmp", earlier);
        const std::string command = "'" PELMORA_CLI "' show --format " + c.format + " --bmp '" +
                                    file + ".bmp' '" + file + "' 2>'" + file + ".err'";
        EXPECT_EQ(ExitOf(command), 1);
        const std::string error = ReadFile(file + ".err");
        EXPECT_EQ(error.rfind("pelmora-cli: " + file + ", line ", 0), 0U) << error;
        EXPECT_EQ(ReadFile(file + ".bmp"), earlier);
        std::filesystem::remove(file + ".err");
    }
    EXPECT_EQ(folder.names().size(), 2 * cases.size()) << "nothing else was written";
}

// Texts that read to their end but are no whole panel: cut short, or stating a panel far
// larger than what they hold. show refuses them in one line rather than drawing blanks.
TEST(HostileFiles, ATextThatIsNoWholePanelIsRefusedWithWhatItHoldsAndNeeds) {
    std::string fortyTwo = "; pelmora-panel: 4096x4096 pages 4096 lsb\ns:\n";
    for (int i = 0; i < 42; ++i) {
        fortyTwo += "        DB 0AAH\n";
    }
    const struct {
        const char* name;
        const char* format;
        std::string text;
        std::string holds; // empty: any reason
    } cases[] = {
        {"asm of 42 bytes stating 4096 x 4096", "asm", fortyTwo,
         "it holds 42 bytes where the 4096 x 4096 panel takes 2097152"},
        {"xbm stating 4096 x 4096 with one byte", "xbm",
         "#define s_width 4096\n#define s_height 4096\nstatic unsigned char s_bits[] = {0x01};\n",
         "it holds 1 byte where the 4096 x 4096 panel takes 2097152"},
        {"ihex with one byte at 0xFFF0", "ihex", ":01FFF00055BB\n:00000001FF\n",
         "it holds 65521 bytes where the 128 x 64 panel takes 1024"},
        {"bin of 2048 bytes", "bin", std::string(2048, '\x55'),
         "it holds 2048 bytes where the 128 x 64 panel takes 1024"},
        {"c cut to half its bytes", "c",
         Written("c", {}).substr(0, Written("c", {}).find("{") + 1 + 16 * 32 * 6) + "};\n", ""},
    };
    ScratchFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string& text = c.text;
        const PanelText read = ReadPanelText(text, {}, FindSyntax(c.format));
        ASSERT_EQ(read.error, "");
        const std::string holds = WholePanelError(read);
        ASSERT_NE(holds, "");
        if (!c.holds.empty()) {
            EXPECT_EQ(holds, c.holds);
        }
        const std::string file = (folder / "text").string();
        WriteFile(file, text);
        const std::string command = "'" PELMORA_CLI "' show --format " + std::string(c.format) +
                                    " --png '" + file + ".png' '" + file + "' 2>'" + file + ".err'";
        EXPECT_EQ(ExitOf(command), 1);
        EXPECT_EQ(ReadFile(file + ".err"),
                  "pelmora-cli: " + file + ": not a whole panel: " + holds + "\n");
        EXPECT_FALSE(std::filesystem::exists(file + ".png"));
    }
}

} // namespace
} // namespace pelmora
