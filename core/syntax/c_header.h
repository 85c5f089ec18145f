#pragma once

// The frame of every C header Pelmora writes, whatever it holds: the include guard,
// <stdint.h>, and where the data goes on each target.

#include <string>
#include <string_view>

namespace pelmora {

// "SYMBOL_H": the guard of a header named after symbol, suffix "_H" unless another is given.
std::string HeaderGuard(std::string_view symbol, std::string_view suffix = "_H");

// Opens a header: "#ifndef GUARD", "#define GUARD", an empty line, then CHeaderIncludes(),
// or the program-memory preamble alone when the header declares no uint8_t.
enum class StdInt { Include, Leave };
std::string OpenCHeader(std::string_view guard, StdInt stdint = StdInt::Include);

// "#endif /* GUARD */" and a line end: the header's last line.
std::string CloseCHeader(std::string_view guard);

// "#include <stdint.h>" and the program-memory preamble, for a header with no guard of its own.
std::string CHeaderIncludes();

// The lines that let a C array be declared PROGMEM on every target, whatever was included
// before: program memory where the chip reads data from it (AVR, ESP8266, ESP32), plain
// const memory elsewhere. Ends with a line end.
std::string_view ProgramMemoryPreamble();

// The comment that tells a sketch how to read an Arduino header, and a text of it from a
// plain C header.
constexpr std::string_view kArduinoNote =
    "/* For an Arduino sketch: read the bytes with pgm_read_byte(&SYMBOL[i]). */\n";

} // namespace pelmora
