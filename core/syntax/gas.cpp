// GNU as sources: .byte lines in .rodata under a global symbol and its _end.

#include "core/syntax/syntaxes.h"
#include "core/syntax/text_values.h"

namespace pelmora {

namespace {

constexpr std::size_t kValuesPerLine = 16;

std::string WriteGas(const PanelLayout& layout, std::span<const std::uint8_t> bytes,
                     std::string_view symbol) {
    const std::string name(symbol);
    std::string text = "/* " + name + ": " + DescribeLayout(layout) + " */\n";
    text.reserve(text.size() + bytes.size() * 6 + 256); // one allocation for the whole text
    text += "/* " + GeometryText(layout) + " */\n";
    text += "        .section .rodata\n";
    for (const NamedRun& run : NamedRuns(layout, bytes, symbol)) {
        text += "        .global " + run.name + "\n        .global " + run.name + "_end\n" +
                run.name + ":\n";
        for (std::size_t i = 0; i < run.bytes.size(); ++i) {
            text += i % kValuesPerLine == 0 ? "        .byte " : ",";
            AppendCHex(text, run.bytes[i]);
            if (i % kValuesPerLine == kValuesPerLine - 1 || i + 1 == run.bytes.size()) {
                text += "\n";
            }
        }
        text += run.name + "_end:\n";
    }
    return text;
}

// The .byte lines; every other line (directives, labels) carries no data.
SyntaxText ReadGas(std::string_view text) {
    SyntaxText read;
    read.layout = FindGeometry(text, read.error);
    if (!read.error.empty()) {
        return read;
    }
    const std::string code = WithoutCComments(text);
    ForEachLine(code, [&](long number, std::string_view line) {
        line = Trimmed(line.substr(0, line.find('#')));
        const std::size_t colon = line.find(':');
        if (colon != std::string_view::npos) {
            line = Trimmed(line.substr(colon + 1));
        }
        if (StartsWithWord(line, ".BYTE")) {
            return ReadValueList(line.substr(5), number, read);
        }
        return true;
    });
    return read;
}

bool ClaimsGas(std::string_view text) {
    return text.find(".byte") != std::string_view::npos;
}

} // namespace

const Syntax kGasSyntax{"gas",
                        "GNU as",
                        "GNU as .byte lines under a global symbol",
                        ".s",
                        WriteGas,
                        ReadGas,
                        ClaimsGas,
                        false,
                        true,
                        SyntaxKind::GnuAssembler,
                        false,
                        false};

} // namespace pelmora
