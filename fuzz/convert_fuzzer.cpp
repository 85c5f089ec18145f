// The whole conversion on arbitrary bytes: header check, Qt's image loader, encoder. A
// picture that gets through must give the full 129 lines.

#include "core/bitmap_header.h"
#include "core/page_mode_encoder.h"
#include "platform/bitmap_image.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>

namespace {

struct Quiet : pelmora::ProgressDisplay {
    void showProgress(const std::string&) override {}
};

struct Counting : pelmora::LineSink {
    bool writeLine(std::string_view) override {
        ++lines;
        return true;
    }
    int lines = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::istringstream in(bytes);
    pelmora::ConversionState state;
    pelmora::Palette palette{};
    if (!pelmora::CheckBitmapStream(state, in, palette).accepted()) {
        return 0;
    }
    const pelmora::LoadedBitmap loaded = pelmora::LoadBitmapImage(
        QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), state);
    if (loaded.image.isNull()) {
        return 0;
    }
    pelmora::ComputePanelGeometry(state);
    const pelmora::ImageSurface surface(loaded.image);
    Quiet progress;
    Counting sink;
    if (!pelmora::EncodePageMode(state, surface, progress, pelmora::ColourOf(palette[0]), sink) ||
        sink.lines != 129) {
        std::abort();
    }
    return 0;
}
