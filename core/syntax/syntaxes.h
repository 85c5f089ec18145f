#pragma once

#include "core/syntax/syntax.h"

namespace pelmora {

// Every syntax, each defined in a file of its own of this folder with its writers.
extern const Syntax kDbSyntax;
extern const Syntax kAsmSyntax;
extern const Syntax kGasSyntax;
extern const Syntax kCSyntax;
extern const Syntax kArduinoSyntax;
extern const Syntax kXbmSyntax;
extern const Syntax kXbmInFlashSyntax;
extern const Syntax kBinSyntax;
extern const Syntax kIhexSyntax;

} // namespace pelmora
