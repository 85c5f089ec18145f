#pragma once

#include "core/prepare/prepare.h"

#include <QImage>
#include <QString>

#include <string>

namespace pelmora {

// The Qt half of preparing a picture, shared by pelmora-picture and the window: decoding.
// Turning and scaling are the core's (core/resample.h).

struct SourcePicture {
    RgbaPicture picture; // straight RGBA, turned as its EXIF orientation says
    std::string error;   // why it could not be read; empty when it was
    bool ok() const { return error.empty(); }
};

// Any picture Qt reads here, bounded: one that states more than 100 million pixels is
// refused before it is decoded, and one whose file ends early is refused as cut short
// (picture/cut_short.h; for a JPEG, its missing end marker).
// JPEGs go to the reader the command line uses itself (jpeg/jpeg_picture.h), so that both
// see the same pixels; Qt reads the rest, and the JPEGs that reader leaves.
SourcePicture ReadPicture(const QString& path);

// picture as a QImage that shares its pixels, for showing it; valid while picture lives.
QImage ImageView(const RgbaPicture& picture);

} // namespace pelmora
