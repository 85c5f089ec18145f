#pragma once

#include "core/prepare.h"

#include <QImage>
#include <QString>

#include <string>

namespace pelmora {

// The Qt half of preparing a picture, shared by pelmora-picture and the window.

struct SourcePicture {
    QImage image;      // premultiplied RGBA, turned as its EXIF orientation says
    std::string error; // why it could not be read; empty when it was
    bool ok() const { return error.empty(); }
};

// Any picture Qt reads here, bounded: one that states more than 100 million pixels is
// refused before it is decoded, and a JPEG without its end marker is refused as cut short.
SourcePicture ReadPicture(const QString& path);

// Turned clockwise by a multiple of 90 degrees, then mirrored ("none", "horizontal",
// "vertical").
QImage Turned(const QImage& image, int rotate, const std::string& mirror);

// The part of image that placement shows, scaled smoothly to its size on the panel (not
// at all when it is that size already), as straight RGBA bytes.
RgbaPicture ShownPart(const QImage& image, const Placement& placement);

} // namespace pelmora
