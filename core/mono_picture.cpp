#include "core/mono_picture.h"

#include "core/checked_int.h"

#include <cmath>

namespace pelmora {

MonoPicture ChooseOnDots(const PictureSurface& surface, int width, int height, Colour onColour,
                         ProgressDisplay& progress) {
    const std::int32_t pixels = CheckedInt32(static_cast<long long>(width) * height);
    // Pixels per percent, rounded half to even as whole-number arithmetic does (81.92 -> 82).
    const auto step = CheckedInt32(static_cast<long long>(std::nearbyint(pixels / 100.0)));
    // Pixels left until the count is next a whole multiple of the step: the same pixels as
    // "count modulo step is 0", without a division per pixel. A picture of under 50 pixels
    // has no whole step and shows only the final "100".
    std::int32_t untilStep = step;
    std::int16_t shown = 0;
    MonoPicture picture(width, height);
    std::uint8_t* dot = picture.dots.data();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            *dot++ = surface.colourAt(x, y) == onColour ? 1 : 0;
            if (step > 0 && --untilStep == 0) {
                untilStep = step;
                if (shown < 100) {
                    shown = CheckedInt16(shown + 1);
                    progress.showProgress(std::to_string(shown));
                }
            }
        }
    }
    return picture;
}

} // namespace pelmora
