#include "core/syntax.h"

#include "core/lcd_hex_format.h"

#include <array>

namespace pelmora {

namespace {

std::string WriteDb(const PanelLayout& layout, std::span<const std::uint8_t> bytes,
                    std::string_view) {
    return FormatLcdHexText(layout, bytes);
}

// DB lines carry no mark of their own: every text the others do not claim is read as them.
bool ClaimsDb(std::string_view) {
    return true;
}

const std::array kSyntaxes{
    Syntax{"db", ".txt", WriteDb, ReadLcdHexText, ClaimsDb},
};

} // namespace

std::span<const Syntax> Syntaxes() {
    return kSyntaxes;
}

const Syntax& DefaultSyntax() {
    return kSyntaxes.front();
}

const Syntax* FindSyntax(std::string_view name) {
    for (const Syntax& syntax : kSyntaxes) {
        if (syntax.name == name) {
            return &syntax;
        }
    }
    return nullptr;
}

const Syntax& SyntaxOfText(std::string_view text) {
    for (const Syntax& syntax : Syntaxes().subspan(1)) {
        if (syntax.claims(text)) {
            return syntax;
        }
    }
    return DefaultSyntax();
}

} // namespace pelmora
