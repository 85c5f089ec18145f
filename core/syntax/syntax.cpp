#include "core/syntax/syntax.h"

#include "core/syntax/syntaxes.h"

#include <array>

namespace pelmora {

namespace {

const std::array<const Syntax*, 9> kSyntaxes{&kDbSyntax,         &kAsmSyntax,     &kGasSyntax,
                                             &kCSyntax,          &kArduinoSyntax, &kXbmSyntax,
                                             &kXbmInFlashSyntax, &kBinSyntax,     &kIhexSyntax};

// In the order a text is told by: the surest marks first, raw bytes last. DB lines claim
// whatever no other does.
const std::array<const Syntax*, 8> kByContent{&kIhexSyntax,    &kXbmInFlashSyntax, &kXbmSyntax,
                                              &kArduinoSyntax, &kCSyntax,          &kGasSyntax,
                                              &kAsmSyntax,     &kBinSyntax};

bool EndsWithIgnoringCase(std::string_view text, std::string_view end) {
    if (text.size() < end.size()) {
        return false;
    }
    for (std::size_t i = 0; i < end.size(); ++i) {
        const char c = text[text.size() - end.size() + i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c) != end[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

std::span<const Syntax* const> Syntaxes() {
    return kSyntaxes;
}

const Syntax& DefaultSyntax() {
    return kDbSyntax;
}

const Syntax* FindSyntax(std::string_view name) {
    for (const Syntax* syntax : kSyntaxes) {
        if (syntax->name == name) {
            return syntax;
        }
    }
    return nullptr;
}

const Syntax& SyntaxOfText(std::string_view text, std::string_view fileName) {
    for (const Syntax* syntax : kByContent) {
        if (syntax->claims(text)) {
            return *syntax;
        }
    }
    // C and Arduino share ".h"; the content told them apart above.
    for (const Syntax* syntax :
         {&kBinSyntax, &kIhexSyntax, &kAsmSyntax, &kGasSyntax, &kXbmSyntax}) {
        if (EndsWithIgnoringCase(fileName, syntax->extension)) {
            return *syntax;
        }
    }
    return DefaultSyntax();
}

std::string SyntaxLayoutProblem(const Syntax& syntax, const PanelLayout& layout) {
    if (syntax.onlyRowsLsb && (!layout.plain() || layout.arrangement != Arrangement::Rows ||
                               layout.bitOrder != BitOrder::Lsb)) {
        return "an X bitmap holds one bit a dot in rows, the leftmost dot in bit 0, in one "
               "plane";
    }
    return {};
}

std::vector<std::string_view> SyntaxNames() {
    std::vector<std::string_view> names;
    for (const Syntax* syntax : Syntaxes()) {
        names.push_back(syntax->name);
    }
    return names;
}

} // namespace pelmora
