#pragma once

#include <cstdint>

namespace pelmora {

// A 24-bit colour: red + 256 x green + 65536 x blue.
using Colour = std::uint32_t;

constexpr Colour MakeColour(int red, int green, int blue) {
    return static_cast<Colour>(red) | static_cast<Colour>(green) << 8 |
           static_cast<Colour>(blue) << 16;
}

} // namespace pelmora
