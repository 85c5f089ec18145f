#pragma once

#include "core/page_mode_encoder.h"

#include <QImage>
#include <QString>

namespace pelmora {

// A picture decoded by Qt's BMP reader, for reading pixels back by colour.
class ImageSurface : public PictureSurface {
  public:
    explicit ImageSurface(QImage image) : image_(std::move(image)) {}
    Colour colourAt(int x, int y) const override;

  private:
    QImage image_;
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
