#pragma once

#include <QRect>
#include <QSize>

namespace pelmora {

constexpr double kTwipsPerInch = 1440.0;

// Window layout is given in twips (1/1440 inch); the screen's dots per inch decide how
// many twips make one pixel: 15 at the usual 96.
class TwipsScale {
  public:
    explicit TwipsScale(double twipsPerPixel = 15.0) : twipsPerPixel_(twipsPerPixel) {}

    // The scale of the primary screen, from its logical dots per inch.
    static TwipsScale ofScreen();

    double twipsPerPixel() const { return twipsPerPixel_; }
    int toPixels(double twips) const;
    double toTwips(int pixels) const { return pixels * twipsPerPixel_; }
    QRect rect(int left, int top, int width, int height) const;
    QSize size(int width, int height) const;

  private:
    double twipsPerPixel_;
};

} // namespace pelmora
