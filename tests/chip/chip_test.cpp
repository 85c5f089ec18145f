// The C outputs where a firmware runs: each kind of asset included in a small C program that
// reads every byte of it through pgm_read_byte and prints it, built with avr-gcc for an
// ATmega328P and run in simavr, and built with gcc for the host, where program memory is
// plain memory. The two must print the same, no asset may sit in RAM on the chip, and the
// fonts are drawn on the chip by decoders written from the formats' published descriptions.

#include "support/shell.h"
#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace pelmora::test {
namespace {

namespace fs = std::filesystem;

const std::string kPrograms = PELMORA_CHIP_PROGRAMS;
const std::string kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const std::string kTerminusPcf = "/usr/share/fonts/X11/misc/ter-u12n_unicode.pcf.gz";

// The flags every program is built with: the outputs must compile without a warning.
const std::string kHostCompiler = "gcc -std=c99 -Wall -Wextra -pedantic -Werror";
const std::string kChipCompiler =
    "avr-gcc -mmcu=atmega328p -Os -std=c99 -Wall -Wextra -pedantic -Werror";
// simavr has no limit of its own on cycles: a program that never ends is stopped by time.
const std::string kSimulator = "timeout 60 simavr -m atmega328p -f 16000000";

// The program's own lines ('@' first) of the host's standard output.
std::vector<std::string> HostLines(const std::string& out) {
    std::vector<std::string> lines;
    for (const std::string& line : Lines(out)) {
        if (line.starts_with("@")) {
            lines.push_back(line);
        }
    }
    return lines;
}

// An array (or a GFXfont) a header declares at file level.
struct Declared {
    std::string type;
    std::string name;
    bool array = false;
};

std::vector<std::string> Words(const std::string& text) {
    std::istringstream stream(text);
    std::vector<std::string> words;
    for (std::string word; stream >> word;) {
        words.push_back(word);
    }
    return words;
}

bool IsIdentifier(const std::string& word) {
    return !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
    });
}

// Declarations at file level, unindented: [static|extern|const]... TYPE NAME[...] [PROGMEM]
// followed by = or ;. Struct members are indented, macros and braces are not words.
std::vector<Declared> Declarations(const std::string& header) {
    static const std::vector<std::string> kTypes = {
        "unsigned char", "uint8_t", "char", "uint16_t", "GFXglyph", "GFXfont", "pelmora_asset"};
    std::vector<Declared> found;
    for (const std::string& line : Lines(header)) {
        const std::size_t end = line.find_first_of("=;");
        if (line.empty() || std::isalpha(static_cast<unsigned char>(line[0])) == 0 ||
            end == std::string::npos) {
            continue;
        }
        std::string head = line.substr(0, end);
        const std::size_t dimensions = head.find('[');
        const bool array = dimensions != std::string::npos;
        std::vector<std::string> words = Words(head.substr(0, dimensions));
        if (!words.empty() && words.back() == "PROGMEM") {
            words.pop_back();
        }
        if (words.size() < 2 || !IsIdentifier(words.back())) {
            continue;
        }
        std::string type;
        for (std::size_t i = 0; i + 1 < words.size(); ++i) {
            if (words[i] != "static" && words[i] != "extern" && words[i] != "const") {
                type += (type.empty() ? "" : " ") + words[i];
            }
        }
        const bool known = std::find(kTypes.begin(), kTypes.end(), type) != kTypes.end();
        if (known && (array || type == "GFXfont")) {
            found.push_back({type, words.back(), array});
        }
    }
    return found;
}

// A field of the index's entry, as the header's struct declares it.
struct Field {
    std::string type; // without the '*'
    std::string name;
    bool pointer = false;
};

std::vector<Field> IndexFields(const std::string& header) {
    const std::size_t start = header.find("typedef struct pelmora_asset {");
    if (start == std::string::npos) {
        return {};
    }
    const std::size_t end = header.find("}", start);
    std::vector<Field> fields;
    for (const std::string& line : Lines(header.substr(start, end - start))) {
        const std::size_t semicolon = line.find(';');
        if (semicolon == std::string::npos) {
            continue;
        }
        std::string declaration = line.substr(0, semicolon);
        const bool pointer = declaration.find('*') != std::string::npos;
        std::replace(declaration.begin(), declaration.end(), '*', ' ');
        std::vector<std::string> words = Words(declaration);
        if (words.size() < 2) {
            continue;
        }
        Field field{"", words.back(), pointer};
        for (std::size_t i = 0; i + 1 < words.size(); ++i) {
            field.type += (field.type.empty() ? "" : " ") + words[i];
        }
        fields.push_back(field);
    }
    return fields;
}

bool IsBytes(const Declared& declared) {
    return declared.type == "uint8_t" || declared.type == "char" ||
           declared.type.starts_with("unsigned");
}

// A drawing on the chip: a string with a font (its codes; with the file pelmora-cli show
// reads to draw the same, and its --format), or a picture with a library's bitmap rule.
struct Draw {
    enum Kind { kGfx, kU8g2, kGfxBitmap, kXbm } kind;
    std::string symbol;
    std::u16string codes;
    std::string fontFile; // empty: not held to show
    std::string showFormat;
    std::vector<std::string> picture; // a bitmap's dots, '#' and '.' rows
};

// The assets of one program: the headers it includes, the sources it links, the drawings.
struct Group {
    std::string name;
    std::vector<std::string> headers;
    std::vector<std::string> sources;
    std::vector<Draw> draws;
};

std::string Quoted(const std::u16string& codes) {
    std::string text = "\"";
    for (const char16_t c : codes) {
        text += static_cast<char>(c);
    }
    return text + "\"";
}

std::string CodeList(const std::u16string& codes) {
    std::string text;
    for (const char16_t c : codes) {
        text += (text.empty() ? "" : ", ") + std::to_string(static_cast<unsigned>(c));
    }
    return text;
}

// The index walked as a firmware walks it: every field read from program memory, each
// pointer said as the array (and offset) it leads into, names read as strings; and where
// an entry states its byte count, that many bytes read from where its data pointer leads.
std::string IndexWalk(const std::vector<Field>& fields, const std::vector<Declared>& declared) {
    std::string flash;
    std::string ram;
    for (const Declared& array : declared) {
        const std::string place =
            "    {\"" + array.name + "\", " + array.name + ", sizeof " + array.name + "},\n";
        if (array.type == "uint16_t") {
            ram += place;
        } else if (IsBytes(array)) {
            flash += place;
        }
    }
    std::string code = "static const ChipPlace chip_flash_places[] = {\n" + flash + "};\n";
    code += ram.empty() ? "" : "static const ChipPlace chip_ram_places[] = {\n" + ram + "};\n";
    code += "static void ChipIndex(void) {\n"
            "    unsigned i;\n"
            "    ChipText(\"@count \");\n"
            "    ChipNumber(PELMORA_ASSET_COUNT);\n"
            "    ChipPut(' ');\n"
            "    ChipNumber(sizeof pelmora_assets / sizeof pelmora_assets[0]);\n"
            "    ChipPut('\\n');\n"
            "    for (i = 0; i < PELMORA_ASSET_COUNT; ++i) {\n"
            "        const pelmora_asset *entry = &pelmora_assets[i];\n"
            "        ChipText(\"@entry \");\n"
            "        ChipNumber(i);\n"
            "        ChipPut('\\n');\n";
    std::string bytesField;
    std::string dataField;
    for (const Field& field : fields) {
        const std::string at = "&entry->" + field.name;
        code += "        ChipText(\"@ " + field.name + " \");\n";
        if (!field.pointer) {
            code += "        ChipNumber(ChipFlashNumber(" + at + ", sizeof entry->" + field.name +
                    "));\n";
            if (field.name.find("byte") != std::string::npos) {
                bytesField = field.name;
            }
        } else if (field.type.find("char") != std::string::npos) {
            code += "        ChipFlashText((const char *)ChipReadPointer(" + at + "));\n";
        } else if (field.type.find("uint16_t") != std::string::npos) {
            code += ram.empty() ? "        ChipLocate(ChipReadPointer(" + at + "), 0, 0);\n"
                                : "        ChipLocate(ChipReadPointer(" + at +
                                      "), chip_ram_places, sizeof chip_ram_places / sizeof "
                                      "chip_ram_places[0]);\n";
        } else {
            code += "        ChipLocate(ChipReadPointer(" + at +
                    "), chip_flash_places, sizeof chip_flash_places / sizeof "
                    "chip_flash_places[0]);\n";
            if (dataField.empty()) {
                dataField = field.name;
            }
        }
        code += "        ChipPut('\\n');\n";
    }
    if (!bytesField.empty() && !dataField.empty()) {
        code += "        ChipFlash(\"walked\", ChipReadPointer(&entry->" + dataField +
                "), ChipFlashNumber(&entry->" + bytesField + ", sizeof entry->" + bytesField +
                "));\n";
    }
    code += "    }\n}\n";
    return code;
}

// The program: the assets' headers before the libraries' headers or after them.
std::string Program(const Group& group, const std::map<std::string, std::string>& texts,
                    bool assetsFirst) {
    std::string assets;
    for (const std::string& header : group.headers) {
        assets += "#include \"" + header + "\"\n";
    }
    std::string libraries = "#include \"chip_io.h\"\n#include \"gfxfont.h\"\n";
    std::string body;
    std::string index;
    std::vector<Declared> all;
    for (const std::string& header : group.headers) {
        std::string bitmap;
        std::string glyphs;
        for (const Declared& declared : Declarations(texts.at(header))) {
            all.push_back(declared);
            const std::string& name = declared.name;
            if (IsBytes(declared)) {
                body += "    ChipFlash(\"" + name + "\", " + name + ", sizeof " + name + ");\n";
                bitmap = name;
            } else if (declared.type == "uint16_t") {
                body += "    ChipWords(\"" + name + "\", " + name + ", sizeof " + name +
                        " / sizeof " + name + "[0]);\n";
            } else if (declared.type == "GFXglyph") {
                body += "    ChipGfxGlyphs(\"" + name + "\", " + name + ", sizeof " + name +
                        " / sizeof " + name + "[0]);\n";
                glyphs = name;
            } else if (declared.type == "GFXfont") {
                body += "    ChipGfxFont(\"" + name + "\", &" + name + ", " + bitmap + ", " +
                        glyphs + ");\n";
            } else if (declared.type == "pelmora_asset") {
                index = header;
                body += "    ChipIndex();\n";
            }
        }
    }
    for (const Draw& draw : group.draws) {
        const std::string label = "\"" + draw.symbol + " draws " + CodeList(draw.codes) + "\"";
        if (draw.kind == Draw::kGfxBitmap || draw.kind == Draw::kXbm) {
            // The size from the macros the header defines beside the array.
            std::string width;
            std::string height;
            for (const std::string& line : Lines(texts.at(group.headers.front()))) {
                const std::vector<std::string> words = Words(line);
                if (words.size() == 3 && words[0] == "#define") {
                    const std::string& macro = words[1];
                    if (macro.ends_with("_WIDTH") || macro.ends_with("_width")) {
                        width = macro;
                    } else if (macro.ends_with("_HEIGHT") || macro.ends_with("_height")) {
                        height = macro;
                    }
                }
            }
            body += "    ChipDrawRows(" + label + ", " + draw.symbol + ", " + width + ", " +
                    height + ", " + (draw.kind == Draw::kXbm ? "1" : "0") + ");\n";
        } else if (draw.kind == Draw::kGfx) {
            body += "    ChipGfxText(" + label + ", &" + draw.symbol + ", " + Quoted(draw.codes) +
                    ");\n";
        } else {
            body += "    {\n        static const uint16_t codes[] = {" + CodeList(draw.codes) +
                    "};\n        ChipU8g2Text(" + label + ", " + draw.symbol +
                    ", codes, sizeof codes / sizeof codes[0]);\n    }\n";
        }
    }
    std::string program = "/* " + group.name + (assetsFirst ? ": assets first */\n" : " */\n");
    program += assetsFirst ? assets + libraries : libraries + assets;
    program += "#include \"bitmap_draw.h\"\n#include \"gfx_draw.h\"\n#include \"u8g2_draw.h\"\n\n";
    if (!index.empty()) {
        program += IndexWalk(IndexFields(texts.at(index)), all);
    }
    program +=
        "int main(void) {\n    ChipStart();\n" + body + "    ChipStop();\n    return 0;\n}\n";
    return program;
}

// The section of each symbol of an ELF file, as avr-objdump -t lists them.
std::map<std::string, std::string> Sections(const ScratchFolder& folder, const std::string& elf) {
    const Ran listed = Shell(folder, "avr-objdump -t " + elf);
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    std::map<std::string, std::string> sections;
    for (const std::string& line : Lines(listed.out)) {
        std::istringstream words(line);
        std::vector<std::string> word;
        for (std::string w; words >> w;) {
            word.push_back(w);
        }
        if (word.size() >= 4 && line.find(" O ") != std::string::npos) {
            sections[word.back()] = word[word.size() - 3];
        }
    }
    return sections;
}

// The first line where the chip and the host part, under the label it belongs to.
std::string FirstDifference(const std::vector<std::string>& host,
                            const std::vector<std::string>& chip) {
    std::string label;
    for (std::size_t i = 0; i < std::max(host.size(), chip.size()); ++i) {
        const std::string h = i < host.size() ? host[i] : "(nothing)";
        const std::string c = i < chip.size() ? chip[i] : "(nothing)";
        if (h != c) {
            return "under \"" + label + "\", line " + std::to_string(i) + ":\n  host: " + h +
                   "\n  chip: " + c;
        }
        if (h.find(' ') != std::string::npos && !h.starts_with("@ ")) {
            label = h;
        }
    }
    return {};
}

// The dots of a drawing ('#' and '.' rows), cut to the box of its '#'.
std::vector<std::string> Ink(const std::vector<std::string>& rows) {
    std::size_t left = std::string::npos;
    std::size_t right = 0;
    std::vector<std::string> kept;
    for (const std::string& row : rows) {
        const std::size_t first = row.find('#');
        if (first != std::string::npos) {
            left = std::min(left, first);
            right = std::max(right, row.rfind('#'));
        }
    }
    for (const std::string& row : rows) {
        if (left != std::string::npos && row.find('#') != std::string::npos) {
            kept.push_back(row.substr(left, right - left + 1));
        } else if (!kept.empty()) {
            kept.push_back(std::string(right - left + 1, '.'));
        }
    }
    while (!kept.empty() && kept.back().find('#') == std::string::npos) {
        kept.pop_back();
    }
    return kept;
}

std::string Joined(const std::vector<std::string>& rows) {
    std::string text;
    for (const std::string& row : rows) {
        text += row + "\n";
    }
    return text;
}

// The rows the program printed for a drawing, after its label line.
std::vector<std::string> DrawnRows(const std::vector<std::string>& lines,
                                   const std::string& label) {
    std::vector<std::string> rows;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == "@" + label) {
            for (std::size_t j = i + 1; j < lines.size() && j <= i + 32; ++j) {
                rows.push_back(lines[j].substr(1));
            }
        }
    }
    return rows;
}

// The index's entries as the host walked them: the bytes read through each entry's byte
// count beside the whole array its data pointer leads to, which the program printed too.
void ExpectEntriesHoldTheirArrays(const std::vector<std::string>& lines) {
    const auto isHex = [](const std::string& line) {
        return line.size() > 1 &&
               line.find_first_not_of("0123456789abcdef", 1) == std::string::npos;
    };
    std::map<std::string, std::string> arrays;
    std::vector<std::pair<std::string, std::string>> walked; // where data leads, bytes read
    std::string* into = nullptr;
    std::string data;
    std::size_t entries = 0;
    for (const std::string& line : lines) {
        entries += line.starts_with("@entry ") ? 1 : 0;
        const std::vector<std::string> words = Words(line.substr(1));
        if (isHex(line) && into != nullptr) {
            *into += line.substr(1);
            continue;
        }
        into = nullptr;
        if (line.starts_with("@ data ")) {
            data = line.substr(7);
        } else if (words.size() == 2 && IsIdentifier(words[0]) &&
                   words[1].find_first_not_of("0123456789") == std::string::npos) {
            // "@NAME COUNT", the hex lines of the bytes after it
            if (words[0] == "walked") {
                walked.emplace_back(data, "");
                into = &walked.back().second;
            } else {
                into = &arrays[words[0]];
            }
        }
    }
    EXPECT_EQ(walked.size(), entries) << "an entry of the index states no byte count";
    for (const auto& [place, bytes] : walked) {
        SCOPED_TRACE("the entry whose data is " + place);
        ASSERT_TRUE(place.ends_with("+0"));
        const std::string array = place.substr(0, place.size() - 2);
        ASSERT_EQ(arrays.count(array), 1U);
        EXPECT_EQ(bytes, arrays[array]) << "the byte count is not the array's size";
    }
}

// Builds the group's program for the host and for the chip (assets before the libraries'
// headers and after them), runs both, and holds the chip to the host, byte for byte.
void ProveOnChip(const ScratchFolder& folder, const Group& group) {
    SCOPED_TRACE(group.name);
    std::map<std::string, std::string> texts;
    std::vector<std::string> symbols;
    std::vector<std::string> ramAllowed;
    for (const std::string& header : group.headers) {
        texts[header] = ReadFile(folder / header);
        const std::vector<Declared> declared = Declarations(texts[header]);
        EXPECT_FALSE(declared.empty()) << header << " declares no data:\n" << texts[header];
        for (const Declared& array : declared) {
            symbols.push_back(array.name);
            if (array.type == "uint16_t") {
                ramAllowed.push_back(array.name);
            }
        }
    }
    std::string sources;
    for (const std::string& source : group.sources) {
        sources += " " + source;
    }
    const std::string include = " -I. -I'" + kPrograms + "' ";

    WriteFile(folder / "first.c", Program(group, texts, true));
    WriteFile(folder / "last.c", Program(group, texts, false));
    const Ran host =
        Shell(folder, kHostCompiler + include + "first.c" + sources + " -o host && ./host");
    ASSERT_EQ(host.exitCode, 0) << host.err << "\n" << ReadFile(folder / "first.c");
    const std::vector<std::string> expected = HostLines(host.out);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(expected.back(), "@end");
    ExpectEntriesHoldTheirArrays(expected);

    for (const char* order : {"first", "last"}) {
        SCOPED_TRACE(std::string("assets included ") + order);
        const std::string elf = std::string(order) + ".elf";
        const Ran built =
            Shell(folder, kChipCompiler + include + order + ".c" + sources + " -o " + elf);
        ASSERT_EQ(built.exitCode, 0) << built.err;
        const std::map<std::string, std::string> sections = Sections(folder, elf);
        std::string inRam;
        for (const std::string& symbol : symbols) {
            const auto found = sections.find(symbol);
            if (found == sections.end()) {
                ADD_FAILURE() << symbol << " is not in " << elf;
            } else if (found->second != ".text" && std::find(ramAllowed.begin(), ramAllowed.end(),
                                                             symbol) == ramAllowed.end()) {
                inRam += " " + symbol + " (" + found->second + ")";
            }
        }
        EXPECT_EQ(inRam, "") << "not in program memory\n"
                             << Shell(folder, "avr-size -A " + elf + " | head -4").out;
        const Ran ran = Shell(folder, kSimulator + " " + elf);
        EXPECT_EQ(ran.exitCode, 0) << "simavr: " << ran.out << ran.err.substr(0, 2000);
        const std::vector<std::string> chip = UartLines(ran.err);
        EXPECT_TRUE(chip == expected)
            << "the chip read other bytes than the host " << FirstDifference(expected, chip);
    }

    for (const Draw& draw : group.draws) {
        const std::string label = draw.symbol + " draws " + CodeList(draw.codes);
        const std::vector<std::string> drawn = Ink(DrawnRows(expected, label));
        EXPECT_FALSE(drawn.empty()) << label << " drew nothing";
        if (!draw.picture.empty()) {
            std::vector<std::string> rows = DrawnRows(expected, label);
            rows.resize(draw.picture.size());
            for (std::string& row : rows) {
                row = row.substr(0, draw.picture.front().size());
            }
            EXPECT_EQ(Joined(rows), Joined(draw.picture)) << label << " beside the picture";
        }
        if (draw.fontFile.empty()) {
            continue;
        }
        std::string text;
        for (const char16_t c : draw.codes) {
            text += c < 0x80    ? std::string(1, static_cast<char>(c))
                    : c < 0x800 ? std::string{static_cast<char>(0xC0 | c >> 6),
                                              static_cast<char>(0x80 | (c & 0x3F))}
                                : std::string{static_cast<char>(0xE0 | c >> 12),
                                              static_cast<char>(0x80 | (c >> 6 & 0x3F)),
                                              static_cast<char>(0x80 | (c & 0x3F))};
        }
        const Ran shown = Shell(folder, "\"$CLI\" show --format " + draw.showFormat + " --text '" +
                                            text + "' " + draw.fontFile);
        ASSERT_EQ(shown.exitCode, 0) << shown.err;
        EXPECT_EQ(Joined(drawn), Joined(Ink(Lines(shown.out))))
            << label << ": drawn on the chip beside pelmora-cli show";
    }
}

// Runs a pelmora-cli command line (with "$CLI") that must succeed.
bool Made(const ScratchFolder& folder, const std::string& line) {
    const Ran ran = Shell(folder, line);
    EXPECT_EQ(ran.exitCode, 0) << line << "\n" << ran.err.substr(0, ran.err.find('\n'));
    return ran.exitCode == 0;
}

// A 64 x 20 picture of random dots (20 rows: the last page only half full), as a 1-bit BMP;
// its dots, '#' for the palette's first colour (on by default).
std::vector<std::string> WritePicture(const ScratchFolder& folder) {
    Picture picture{64, 20, std::vector<std::uint8_t>(64 * 20)};
    std::mt19937 random(30);
    for (std::uint8_t& dot : picture.index) {
        dot = static_cast<std::uint8_t>(random() % 2);
    }
    BmpLayout layout;
    layout.width = picture.width;
    layout.height = picture.height;
    WriteFile(folder / "picture.bmp", EncodeBmp(picture, layout));
    std::vector<std::string> rows;
    for (int y = 0; y < picture.height; ++y) {
        std::string row;
        for (int x = 0; x < picture.width; ++x) {
            row += picture.at(x, y) == 0 ? '#' : '.';
        }
        rows.push_back(row);
    }
    return rows;
}

// Three frames of 24 x 12 dots with delays of 200, 350 and 70 ms.
void WriteAnimation(const ScratchFolder& folder) {
    ASSERT_EQ(Shell(folder, "convert -size 24x12 -delay 20 xc:white -fill black "
                            "-draw 'rectangle 1,1 6,9' "
                            "\\( -clone 0 -draw 'line 8,0 23,11' -set delay 35 \\) "
                            "\\( -clone 1 -draw 'rectangle 14,2 22,4' -set delay 7 \\) "
                            "-loop 0 anim.gif")
                  .exitCode,
              0);
}

// ImageMagick's frames of anim.gif, as a viewer shows them, '#' where dark.
std::vector<std::vector<std::string>> ImageMagickFrames(const ScratchFolder& folder) {
    const Ran flat = Shell(folder, "convert anim.gif -coalesce -background white -alpha remove "
                                   "-alpha off -depth 8 gray:frames.raw");
    EXPECT_EQ(flat.exitCode, 0) << flat.err;
    const std::string grey = ReadFile(folder / "frames.raw");
    std::vector<std::vector<std::string>> frames;
    for (std::size_t at = 0; at + 24 * 12 <= grey.size(); at += 24 * 12) {
        std::vector<std::string> rows;
        for (std::size_t y = 0; y < 12; ++y) {
            std::string row;
            for (std::size_t x = 0; x < 24; ++x) {
                row += static_cast<unsigned char>(grey[at + y * 24 + x]) < 128 ? '#' : '.';
            }
            rows.push_back(row);
        }
        frames.push_back(rows);
    }
    EXPECT_EQ(frames.size(), 3U);
    return frames;
}

TEST(ChipPictures, EveryLayoutAndLibraryPresetIsReadBackFromProgramMemory) {
    ScratchFolder folder;
    const std::vector<std::string> dots = WritePicture(folder);
    const std::string convert = "\"$CLI\" convert --size 64x20 --stdout picture.bmp ";
    std::vector<Group> groups;
    for (const std::string format : {"c", "arduino"}) {
        Group group{"pictures, " + format, {}, {}, {}};
        for (const std::string layout : {"halves", "pages", "rows"}) {
            for (const std::string order : {"lsb", "msb"}) {
                const std::string name = format + "_" + layout + "_" + order;
                if (Made(folder, convert + "--format " + format + " --layout " + layout +
                                     " --bit-order " + order +
                                     (layout == "halves" ? " --block-width 32" : "") + " --name " +
                                     name + " > " + name + ".h")) {
                    group.headers.push_back(name + ".h");
                }
            }
        }
        groups.push_back(group);
    }
    // Each drawn by its library's rule: the array the header declares, by the size it defines.
    for (const bool gfx : {true, false}) {
        const std::string name = gfx ? "preset_gfx" : "preset_u8g2";
        const std::string panel = gfx ? "gfx-bitmap" : "u8g2-xbm";
        if (Made(folder, convert + "--panel " + panel + " --name " + name + " > " + name + ".h")) {
            const std::vector<Declared> arrays = Declarations(ReadFile(folder / (name + ".h")));
            groups.push_back({"pictures, " + panel,
                              {name + ".h"},
                              {},
                              {{gfx ? Draw::kGfxBitmap : Draw::kXbm,
                                arrays.empty() ? name : arrays.front().name,
                                {},
                                "",
                                "",
                                dots}}});
        }
    }
    for (const Group& group : groups) {
        ProveOnChip(folder, group);
    }
}

TEST(ChipFrames, FramesAndDelaysOfEverySyntaxAndPresetAreReadBack) {
    ScratchFolder folder;
    WriteAnimation(folder);
    const std::string convert =
        "\"$CLI\" convert --frames --size 24x12 --dither threshold --stdout anim.gif ";
    std::vector<Group> groups;
    for (const std::string format : {"c", "arduino"}) {
        Group group{"frames, " + format, {}, {}, {}};
        for (const std::string layout : {"pages", "rows"}) {
            const std::string name = "frames_" + format + "_" + layout;
            if (Made(folder, convert + "--format " + format + " --layout " + layout + " --name " +
                                 name + " > " + name + ".h")) {
                group.headers.push_back(name + ".h");
            }
        }
        groups.push_back(group);
    }
    // Each frame drawn by its library's rule, beside ImageMagick's own frames of the GIF.
    const std::vector<std::vector<std::string>> frames = ImageMagickFrames(folder);
    for (const bool gfx : {true, false}) {
        const std::string name = gfx ? "frames_gfx" : "frames_u8g2";
        const std::string panel = gfx ? "gfx-bitmap" : "u8g2-xbm";
        if (Made(folder, convert + "--panel " + panel + " --name " + name + " > " + name + ".h")) {
            const std::vector<Declared> arrays = Declarations(ReadFile(folder / (name + ".h")));
            Group group{"frames, " + panel, {name + ".h"}, {}, {}};
            for (std::size_t f = 0; f < frames.size(); ++f) {
                group.draws.push_back(
                    {gfx ? Draw::kGfxBitmap : Draw::kXbm,
                     (arrays.empty() ? name : arrays.front().name) + "[" + std::to_string(f) + "]",
                     {},
                     "",
                     "",
                     frames[f]});
            }
            groups.push_back(group);
        }
    }
    for (const Group& group : groups) {
        if (!group.headers.empty()) {
            ProveOnChip(folder, group);
        }
    }
}

TEST(ChipFonts, GfxFontsAndU8g2FontsAreReadBackAndDrawn) {
    ScratchFolder folder;
    ASSERT_TRUE(Made(folder, "pcf2bdf -o terminus.bdf " + kTerminusPcf));
    const std::string font = "\"$CLI\" font --quiet --chars 32-126 ";
    const std::u16string hi = u"Hi!";
    Group group{"GFXfonts and u8g2 fonts", {}, {}, {}};
    const struct {
        std::string name;
        std::string options;
        Draw::Kind kind;
        std::u16string codes;
    } fonts[] = {
        {"gfx_dejavu", "--format gfxfont --size 10 " + kDejaVu, Draw::kGfx, hi},
        {"gfx_terminus", "--format gfxfont " + kTerminusPcf, Draw::kGfx, hi},
        {"u8g2_dejavu", "--format u8g2 --size 12 " + kDejaVu, Draw::kU8g2, hi},
        // Codes past U+00FF go through the font's table of blocks.
        {"u8g2_terminus", "--format u8g2 --chars 32-126,0x410-0x44F terminus.bdf", Draw::kU8g2,
         u"Hi\u0416\u044F!"},
    };
    for (const auto& made : fonts) {
        if (Made(folder,
                 font + "--name " + made.name + " -o " + made.name + ".h " + made.options)) {
            group.headers.push_back(made.name + ".h");
            group.draws.push_back({made.kind,
                                   made.name,
                                   made.codes,
                                   made.name + ".h",
                                   made.kind == Draw::kGfx ? "gfxfont" : "u8g2",
                                   {}});
        }
    }
    ProveOnChip(folder, group);
}

TEST(ChipFonts, CellTablesOfEveryLayoutAreReadBack) {
    ScratchFolder folder;
    Group group{"cell tables", {}, {}, {}};
    for (const std::string format : {"c", "arduino"}) {
        for (const std::string layout : {"pages", "rows"}) {
            for (const std::string order : {"lsb", "msb"}) {
                const std::string name = "cells_" + format + "_" + layout + "_" + order;
                if (Made(folder, "\"$CLI\" font --quiet --chars 48-57,65-70 --size 11 --format " +
                                     format + " --layout " + layout + " --bit-order " + order +
                                     " --name " + name + " -o " + name + ".h " + kDejaVu)) {
                    group.headers.push_back(name + ".h");
                }
            }
        }
    }
    ProveOnChip(folder, group);
}

// The manifest of every kind of asset; the index is walked from program memory.
TEST(ChipBuild, TheCombinedHeaderAndSourceAreReadBackAndTheIndexWalked) {
    const std::string assets = "[[image]]\nname = \"logo\"\nfile = \"picture.bmp\"\n"
                               "size = \"64x20\"\nblock-width = 32\n"
                               "[[image]]\nname = \"rows\"\nfile = \"picture.bmp\"\n"
                               "size = \"64x20\"\nlayout = \"rows\"\n"
                               "[[frames]]\nname = \"spin\"\nfiles = [\"anim.gif\"]\n"
                               "size = \"24x12\"\nlayout = \"pages\"\ndither = \"threshold\"\n"
                               "[[font]]\nname = \"gfx\"\nfile = \"" +
                               kDejaVu +
                               "\"\nsize = 10\nchars = \"32-126\"\n"
                               "[[font]]\nname = \"small\"\nfile = \"" +
                               kTerminusPcf +
                               "\"\nchars = \"32-126\"\nformat = \"u8g2\"\n"
                               "[[font]]\nname = \"cells\"\nfile = \"" +
                               kDejaVu + "\"\nsize = 9\nchars = \"48-57\"\nformat = \"c\"\n";
    ScratchFolder folder;
    WritePicture(folder);
    WriteAnimation(folder);
    for (const std::string format : {"c", "arduino"}) {
        for (const bool source : {false, true}) {
            const std::string name = format + (source ? "_source" : "_header");
            WriteFile(folder / (name + ".toml"),
                      "[output]\nheader = \"" + name + ".h\"\n" +
                          (source ? "source = \"" + name + "_data.c\"\n" : "") + "format = \"" +
                          format + "\"\n" + assets);
            if (!Made(folder, "\"$CLI\" build --quiet " + name + ".toml")) {
                continue;
            }
            Group group{"build, " + format + (source ? ", header and source" : ", header alone"),
                        {name + ".h"},
                        {},
                        {{Draw::kGfx, "gfx", u"Hi!", "", "", {}},
                         {Draw::kU8g2, "small", u"Hi!", "", "", {}}}};
            if (source) {
                group.sources.push_back(name + "_data.c");
            }
            ProveOnChip(folder, group);
        }
    }
}

} // namespace
} // namespace pelmora::test
