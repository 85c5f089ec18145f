#include "core/prepare/picture_file.h"

namespace pelmora {

std::string TooManyPixels(long long width, long long height, long long maxPixels) {
    return "the picture is " + std::to_string(width) + " x " + std::to_string(height) +
           " pixels, more than the " +
           (maxPixels == kMaxPicturePixels ? std::string("100 million")
                                           : std::to_string(maxPixels)) +
           " prepared";
}

} // namespace pelmora
