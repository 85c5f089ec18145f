#pragma once

#include <string_view>

namespace pelmora {

// The decoder shipped with packed data: C99 and C++, no allocation, reading the data through
// pgm_read_byte where it lies in program memory. Guarded, so that any number of headers may
// carry it in one program.
std::string_view UnpackHeaderText();

// The name build writes it under, beside the combined header.
constexpr std::string_view kUnpackHeaderName = "pelmora_unpack.h";

} // namespace pelmora
