#pragma once

#include "core/prepare/picture_file.h"
#include "core/prepare/prepare.h"
#include "core/prepare/resample.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace pelmora {

// JPEG photos, decoded by libjpeg without Qt: the one format common enough, and slow
// enough to decode, that the command line reads it itself instead of starting the Qt
// picture reader. The window reads JPEGs here too, so both get the very same pixels.

struct JpegPicture {
    bool handled = false; // false: not a JPEG decoded here (CMYK, say); leave it to Qt
    RgbaPicture picture;  // opaque, turned upright as its EXIF orientation says
    std::string error;    // why a JPEG could not be decoded; empty when it was
    bool ok() const { return error.empty(); }
};

struct JpegShown {
    bool handled = false; // as in JpegPicture
    Placement placement;
    RgbaPicture shown; // ShownPart of the decoded picture, turned and placed (see below)
    std::string error;
    bool ok() const { return error.empty(); }
};

// Whether bytes begin as a JPEG does (its start-of-image marker, as Qt tells one).
bool LooksLikeJpeg(std::span<const std::uint8_t> bytes);

// Decodes a whole JPEG file's bytes. Refused: more than maxPixels, data that ends before
// its end marker (a cut file, whose missing part libjpeg would paint grey), any data
// libjpeg finds corrupt, and more than 100 scans. Bytes after the end marker are ignored.
JpegPicture DecodeJpeg(std::span<const std::uint8_t> bytes,
                       long long maxPixels = kMaxPicturePixels);

// The part of a JPEG that the panel shows, scaled row by row as it is decoded, turned or
// not: the picture is never held whole. Every pixel is decoded: libjpeg's scaled
// inverse DCT would be faster on a large photo, but a dot whose edge cuts a block of sharp
// detail (text, stripes, noise) would then be off by up to 20 grey levels at any useful
// scale, where the area average of the full decoding is exact.
JpegShown DecodeJpegShown(std::span<const std::uint8_t> bytes, const PanelFit& panel,
                          long long maxPixels = kMaxPicturePixels);

// The same for a file. handled is false when it is no JPEG or cannot be opened (the Qt
// reader then gives its own reason).
JpegPicture ReadJpegFile(const std::string& path);
JpegShown ReadJpegShown(const std::string& path, const PanelFit& panel);

} // namespace pelmora
