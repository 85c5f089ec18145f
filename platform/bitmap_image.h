#pragma once

#include "core/page_mode_encoder.h"

#include <QImage>
#include <QString>

namespace pelmora {

// A picture decoded by Qt's BMP reader, for reading pixels back by colour. Pixels are
// read one at a time, so each read is a load or two: a 1-bit picture is read from its
// bits and its two colours, any other from 32-bit colours made once.
class ImageSurface : public PictureSurface {
  public:
    explicit ImageSurface(const QImage& image);
    Colour colourAt(int x, int y) const override;

  private:
    QImage image_;
    const uchar* bits_;
    qsizetype bytesPerLine_;
    int width_;
    int height_;
    bool oneBit_;
    Colour colours_[2];
};

Colour ColourFromRgb(QRgb rgb);
QRgb RgbFromColour(Colour colour);

struct LoadedBitmap {
    QImage image;  // null when the loader refused the file
    QString error; // the loader's reason
};

// Decodes the whole file, whose headers state holds, as a 128 x 64 picture, or says why
// it cannot. A file whose pixel data is cut short is refused rather than shown in part.
LoadedBitmap LoadBitmapImage(const QString& path, const ConversionState& state);

// The same for a whole file's bytes already in memory.
LoadedBitmap LoadBitmapImage(const QByteArray& bytes, const ConversionState& state);

} // namespace pelmora
