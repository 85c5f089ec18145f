#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace pelmora {

// Whether a picture file ends before its own structure says it does, told from its bytes
// alone (no Qt here, so a fuzzer can run it). Qt's BMP, GIF, XBM and XPM readers fill the
// rows a cut file lacks and report success; its PNG, TIFF and WebP readers refuse one
// without saying why. So each format's end is found as its structure gives it: a BMP's
// pixel rows from its headers (or the end marker of RLE data), a GIF's blocks up to its
// trailer, a PNG's chunks up to IEND, the RIFF size of a WebP, every strip and tile a TIFF
// directory points at, the closing brace of an XBM or XPM.
//
// The format's name ("GIF") when bytes are such a picture cut short; nullopt when they are
// whole, or no format told here (Qt then gives its own reason, if any).
std::optional<std::string_view> CutShortFormat(std::span<const std::uint8_t> bytes);

// The one line of reason, worded as for a cut JPEG.
std::string CutShortReason(std::string_view format);

} // namespace pelmora
