#include "core/syntax/c_header.h"

#include "core/syntax/text_values.h"

namespace pelmora {

std::string HeaderGuard(std::string_view symbol, std::string_view suffix) {
    return UpperCase(symbol) + std::string(suffix);
}

std::string OpenCHeader(std::string_view guard, StdInt stdint) {
    const std::string name(guard);
    std::string text = "#ifndef " + name + "\n#define " + name + "\n\n";
    if (stdint == StdInt::Include) {
        return text + CHeaderIncludes();
    }
    return text + std::string(ProgramMemoryPreamble());
}

std::string CloseCHeader(std::string_view guard) {
    return "#endif /* " + std::string(guard) + " */\n";
}

std::string CHeaderIncludes() {
    return "#include <stdint.h>\n" + std::string(ProgramMemoryPreamble());
}

std::string_view ProgramMemoryPreamble() {
    // PROGMEM is taken from the platform's own header rather than trusted to be defined
    // already: an array declared before that header was included would land in RAM.
    return "#if defined(__AVR__)\n"
           "#include <avr/pgmspace.h>\n"
           "#elif defined(ESP8266) || defined(ESP32)\n"
           "#include <pgmspace.h>\n"
           "#endif\n"
           "#ifndef PROGMEM\n"
           "#define PROGMEM\n"
           "#endif\n";
}

} // namespace pelmora
