#pragma once

#include "core/syntax/syntax.h"

namespace pelmora {

// Every syntax but the DB lines, each defined in a file of its own of this folder.
extern const Syntax kAsmSyntax;
extern const Syntax kGasSyntax;
extern const Syntax kCSyntax;
extern const Syntax kArduinoSyntax;
extern const Syntax kXbmSyntax;
extern const Syntax kXbmInFlashSyntax;
extern const Syntax kBinSyntax;
extern const Syntax kIhexSyntax;

} // namespace pelmora
