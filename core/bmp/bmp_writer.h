#pragma once

#include "core/panel/mono_picture.h"

#include <string>

namespace pelmora {

// A 1-bit BMP of the picture: 40-byte header, palette entry 0 black for an on dot, entry 1
// white for an off one, so that converting it in Normal mode gives the same bytes again.
std::string EncodeMonoBmp(const MonoPicture& picture);

} // namespace pelmora
