#pragma once

#include "core/io/source_file.h"
#include "core/io/utf8_path.h"
#include "core/prepare/prepare.h"
#include "core/prepare/resample.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <span>
#include <string>

namespace pelmora {

// What every reader of pictures shares: the limits, the reasons for them, how the panel
// takes a picture, and a file read whole for the decoder of its format.

// The largest picture decoded: far above any photo, far below what would exhaust memory.
constexpr long long kMaxPicturePixels = 100LL * 1000 * 1000;

// The largest picture file read: a photo of the largest picture prepared is far smaller.
constexpr std::size_t kMaxPictureFileBytes = std::size_t{512} << 20;

// The reasons: a picture over the limit, one beyond the memory.
std::string TooManyPixels(long long width, long long height,
                          long long maxPixels = kMaxPicturePixels);
constexpr const char* kNoMemoryReason = "the picture needs more memory than this machine gives";

// How the panel takes a picture: turned (after its EXIF orientation), then fitted.
struct PanelFit {
    int width = 0;
    int height = 0;
    Fit fit = Fit::Contain;
    int rotate = 0;
    Mirror mirror = Mirror::None;
};

// The file at path read whole and decoded, when its first signatureSize bytes are the
// format's (looksLike); Result::handled stays false for any other file, which the caller
// leaves to another reader.
template <typename Result, typename LooksLike, typename Decode>
Result DecodePictureFile(const std::string& path, std::size_t signatureSize, LooksLike looksLike,
                         Decode decode) {
    Result result;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
        std::fopen(PathFromUtf8(path).c_str(), "rb"), std::fclose);
    std::uint8_t start[16] = {};
    if (!file || signatureSize > sizeof start ||
        std::fread(start, 1, signatureSize, file.get()) != signatureSize ||
        !looksLike(std::span<const std::uint8_t>(start, signatureSize))) {
        return result;
    }
    result.handled = true;
    try {
        const SourceFile source = ReadSourceFile(path, kMaxPictureFileBytes);
        if (!source.ok()) {
            result.error = source.error;
            return result;
        }
        return decode(std::span(reinterpret_cast<const std::uint8_t*>(source.bytes.data()),
                                source.bytes.size()));
    } catch (const std::bad_alloc&) {
        result.error = kNoMemoryReason;
        return result;
    }
}

} // namespace pelmora
