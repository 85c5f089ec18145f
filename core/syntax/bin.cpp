// The bytes themselves, for programmers and EEPROM tools that take a raw image.

#include "core/syntax/syntaxes.h"

namespace pelmora {

namespace {

std::string WriteBin(const PanelLayout&, std::span<const std::uint8_t> bytes, std::string_view) {
    return std::string(bytes.begin(), bytes.end());
}

SyntaxText ReadBin(std::string_view text) {
    return {std::vector<std::uint8_t>(text.begin(), text.end()), std::nullopt, {}};
}

// Raw bytes have no mark: they are told by the extension or asked for by name.
bool ClaimsBin(std::string_view) {
    return false;
}

} // namespace

const Syntax kBinSyntax{"bin",
                        "Raw bytes",
                        "the bytes themselves, for programmers and EEPROM tools",
                        ".bin",
                        WriteBin,
                        ReadBin,
                        ClaimsBin,
                        false,
                        true,
                        SyntaxKind::Binary,
                        false,
                        true};

} // namespace pelmora
