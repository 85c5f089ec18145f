#pragma once

#include "core/panel/panel_layout.h"
#include "core/syntax/syntax.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

// What the source syntaxes share: the one comment line that carries the geometry, and a
// reader of the byte values written in C-like or assembler-like text.

// "pelmora-panel: 128x64 halves 64 lsb": size, arrangement, block width, bit order.
std::string GeometryText(const PanelLayout& layout);

// The geometry stated anywhere in text, if a line holds it. A geometry line that cannot be
// read, or states a panel that cannot be, sets error ("line N: ...") instead: reading the
// bytes with a guessed geometry would draw a wrong panel.
std::optional<PanelLayout> FindGeometry(std::string_view text, std::string& error);

// "128 x 64 dots, two-halves blocks of 64 columns, top dot in bit 0": for a comment.
std::string DescribeLayout(const PanelLayout& layout);

// value as two hex digits, upper- or lower-case.
void AppendHexDigits(std::string& out, std::uint8_t value, bool upper);

// The value of one hex digit in either case, or -1.
int HexDigitValue(char digit);

// "0x3c", lower-case; "03CH" with a leading digit.
void AppendCHex(std::string& out, std::uint8_t value);
void AppendIntelHex(std::string& out, std::uint8_t value);

// One value as C or assemblers write it: 0x3C, 3CH, $3C, 0b00111100, %00111100 or
// decimal. Empty when it is none of these or above 255.
std::optional<std::uint8_t> ParseByteValue(std::string_view token);

// Reads comma-separated byte values from text, counting lines from firstLine, until end
// or a character in stops; appends them to read.bytes. False, with read.error set, when a
// value cannot be read.
bool ReadValueList(std::string_view text, long firstLine, SyntaxText& read);

// The line number of offset in text, counted from 1.
long LineAt(std::string_view text, std::size_t offset);

// Text with every /* ... */ and // comment blanked out, keeping line ends where they were.
std::string WithoutCComments(std::string_view text);

// text with every ASCII letter made upper-case, as an include guard names a symbol.
std::string UpperCase(std::string_view text);

// text without the spaces and tabs at either end.
std::string_view Trimmed(std::string_view text);

// Whether text starts with word (upper-case), in any letter case, followed by a blank or
// nothing.
bool StartsWithWord(std::string_view text, std::string_view word);

// Rows of sixteen values as assemblers take them: prefix ("        DB "), then each value by
// append, comma-separated.
void AppendDirectiveRows(std::string& text, std::string_view prefix,
                         std::span<const std::uint8_t> bytes,
                         void (*append)(std::string&, std::uint8_t));

// Rows of sixteen "0x3c," values, indented, for the C-like syntaxes.
void AppendValueRows(std::string& text, std::span<const std::uint8_t> bytes);

// The values between the first { and the } after it, comments aside; with groups above 1,
// the values of that many such arrays one after another, as one run of bytes.
SyntaxText ReadBracedValues(std::string_view text, std::size_t groups = 1);

// The runs of bytes a source syntax writes under names of their own: one, named symbol,
// for one plane; else symbol_black, symbol_colour and symbol_mask as the layout has them.
struct NamedRun {
    std::string name;
    std::span<const std::uint8_t> bytes;
};
std::vector<NamedRun> NamedRuns(const PanelLayout& layout, std::span<const std::uint8_t> bytes,
                                std::string_view symbol);

// Whether line is a label alone ("name:"), as the DB lines of several planes carry.
bool IsLabelLine(std::string_view line);

} // namespace pelmora
