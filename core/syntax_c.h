#pragma once

#include "core/syntax.h"

namespace pelmora {

// Every syntax but the DB lines, each defined in a file of its own.
extern const Syntax kAsmSyntax;
extern const Syntax kGasSyntax;
extern const Syntax kCSyntax;
extern const Syntax kArduinoSyntax;
extern const Syntax kXbmSyntax;
extern const Syntax kBinSyntax;
extern const Syntax kIhexSyntax;

// Rows of sixteen "0x3c," values, indented, for the C-like syntaxes.
void AppendValueRows(std::string& text, std::span<const std::uint8_t> bytes);

// The values between the first { and the } after it, comments aside.
SyntaxText ReadBracedValues(std::string_view text);

} // namespace pelmora
