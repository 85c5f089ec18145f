// Assembler sources: Intel-style DB lines whose numbers start with a digit ("0C0H"), as Z80
// and 8051 assemblers take them.

#include "core/syntax/syntaxes.h"
#include "core/syntax/text_values.h"

namespace pelmora {

namespace {

constexpr std::size_t kValuesPerLine = 16;

std::string WriteAsm(const PanelLayout& layout, std::span<const std::uint8_t> bytes,
                     std::string_view symbol) {
    const std::string name(symbol);
    std::string text = "; " + name + ": " + DescribeLayout(layout) + "\n";
    text.reserve(text.size() + bytes.size() * 6 + 256); // one allocation for the whole text
    text += "; " + GeometryText(layout) + "\n";
    for (const NamedRun& run : NamedRuns(layout, bytes, symbol)) {
        text += run.name + ":\n";
        for (std::size_t i = 0; i < run.bytes.size(); ++i) {
            text += i % kValuesPerLine == 0 ? "        DB " : ",";
            AppendIntelHex(text, run.bytes[i]);
            if (i % kValuesPerLine == kValuesPerLine - 1 || i + 1 == run.bytes.size()) {
                text += "\n";
            }
        }
    }
    return text;
}

// Each line: an optional label, then DB (DEFB, .DB) and its values; comments after ";".
SyntaxText ReadAsm(std::string_view text) {
    SyntaxText read;
    read.layout = FindGeometry(text, read.error);
    if (!read.error.empty()) {
        return read;
    }
    ForEachLine(text, [&](long number, std::string_view line) {
        line = Trimmed(line.substr(0, line.find(';')));
        const std::size_t colon = line.find(':');
        if (colon != std::string_view::npos) {
            line = Trimmed(line.substr(colon + 1));
        }
        if (line.empty()) {
            return true;
        }
        for (std::string_view directive : {"DB", "DEFB", ".DB", ".BYTE"}) {
            if (StartsWithWord(line, directive)) {
                return ReadValueList(line.substr(directive.size()), number, read);
            }
        }
        read.error = "line " + std::to_string(number) +
                     ": only labels, comments and DB lines "
                     "are read";
        return false;
    });
    return read;
}

// Every DB text of Pelmora's own opens with its comment header.
bool ClaimsAsm(std::string_view text) {
    return text.starts_with(";");
}

} // namespace

const Syntax kAsmSyntax{"asm",
                        "Assembler DB (0C0H)",
                        "assembler DB lines under a label, for Z80 and 8051 assemblers",
                        ".asm",
                        WriteAsm,
                        ReadAsm,
                        ClaimsAsm,
                        false,
                        true,
                        SyntaxKind::IntelAssembler,
                        false,
                        false};

} // namespace pelmora
