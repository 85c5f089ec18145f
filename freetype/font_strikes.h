#pragma once

#include <string_view>
#include <vector>

namespace pelmora {

// The pixel heights of a bitmap font's strikes, in the font's order, as RasteriseFont takes
// them for its size; empty for an outline font or bytes that are no font.
std::vector<int> FontStrikes(std::string_view fontBytes);

} // namespace pelmora
