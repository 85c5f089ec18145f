#pragma once

#include "core/prepare/picture_file.h"
#include "core/prepare/prepare.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace pelmora {

// PNG pictures, decoded by libspng without Qt, into the very pixels Qt's reader gives:
// every depth and colour type, tRNS transparency, interlaced or not. As Qt does, gamma
// (gAMA) and an EXIF orientation (eXIf) are left alone. The limits and reasons are the
// JPEG reader's. One difference: a 16-bit colour picture with a tRNS colour, which Qt 6.4
// garbles, is decoded as the format has it. The plain PNGs of plain_png.h have their rows
// inflated by libdeflate instead, libspng judging the rest, to the same pixels and
// refusals; but for a deflate stream that breaks a rule zlib keeps and libdeflate does
// not (the symbols 286 and 287 or distances 30 and 31, more than 286 or 30 codes, an
// incomplete code) yet still inflates to every row with its Adler-32 right, which is
// read where libspng would refuse it. No encoder writes one.

struct PngDecoded {
    bool handled = false; // false: not a PNG (or not a file); leave it to Qt
    RgbaPicture picture;  // straight RGBA
    std::string error;    // why the PNG could not be decoded; empty when it was
    bool ok() const { return error.empty(); }
};

struct PngShown {
    bool handled = false; // as in PngDecoded
    Placement placement;
    RgbaPicture shown; // what ShownPart gives for the decoded picture, turned and placed
    std::string error;
    bool ok() const { return error.empty(); }
};

// Whether bytes begin with the PNG signature.
bool LooksLikePng(std::span<const std::uint8_t> bytes);

// Decodes a whole PNG file's bytes. Refused: more than maxPixels, and a file cut short or
// damaged (a chunk's CRC or the compressed data wrong), whose missing rows Qt would leave
// blank.
PngDecoded DecodePng(std::span<const std::uint8_t> bytes, long long maxPixels = kMaxPicturePixels);

// DecodePng with libspng reading every file, plain or not: what the plain reader is held to.
PngDecoded DecodePngByLibspng(std::span<const std::uint8_t> bytes,
                              long long maxPixels = kMaxPicturePixels);

// The part of a PNG that the panel shows. A picture neither interlaced nor turned is
// scaled row by row as it is decoded, never held whole: but a plain one, inflated whole
// when that takes 64 MiB or less.
PngShown DecodePngShown(std::span<const std::uint8_t> bytes, const PanelFit& panel,
                        long long maxPixels = kMaxPicturePixels);

// The same for a file. handled is false when it is no PNG or cannot be opened (the Qt
// reader then gives its own reason). A regular file is read into memory that a plain
// PNG's rows share, so that the two fault in together.
PngDecoded ReadPngFile(const std::string& path);
PngShown ReadPngShown(const std::string& path, const PanelFit& panel);

} // namespace pelmora
