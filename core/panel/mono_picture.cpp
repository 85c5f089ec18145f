#include "core/panel/mono_picture.h"

#include "core/panel/checked_int.h"

#include <algorithm>
#include <cmath>

namespace pelmora {

MonoPicture ChooseOnDots(const PictureSurface& surface, Colour onColour,
                         ProgressDisplay& progress) {
    const int width = std::max(surface.pictureWidth(), 0);
    const int height = std::max(surface.pictureHeight(), 0);
    const std::int32_t pixels = CheckedInt32(static_cast<long long>(width) * height);
    // Pixels per percent, rounded half to even as whole-number arithmetic does (81.92 -> 82).
    const auto step = CheckedInt32(static_cast<long long>(std::nearbyint(pixels / 100.0)));
    // Pixels left until the count is next a whole multiple of the step: the same pixels as
    // "count modulo step is 0", without a division per pixel. A picture of under 50 pixels
    // has no whole step and shows only the final "100".
    std::int32_t untilStep = step;
    std::int16_t shown = 0;
    MonoPicture picture(width, height);
    std::uint8_t* row = picture.dots.data();
    for (int y = 0; y < height; ++y, row += width) {
        if (!surface.chooseRow(y, onColour, row)) {
            for (int x = 0; x < width; ++x) {
                row[x] = surface.colourAt(x, y) == onColour ? 1 : 0;
            }
        }
        // The row's pixels counted at once: the same steps, in the same order, as counting
        // them one by one.
        if (step > 0) {
            std::int32_t left = width;
            while (left >= untilStep) {
                left -= untilStep;
                untilStep = step;
                if (shown < 100) {
                    shown = CheckedInt16(shown + 1);
                    progress.showProgress(std::to_string(shown));
                }
            }
            untilStep -= left;
        }
    }
    return picture;
}

} // namespace pelmora
