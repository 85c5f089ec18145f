#include "core/panel_bytes.h"

namespace pelmora {

std::vector<std::uint8_t> PackPanel(const MonoPicture& picture, const PanelLayout& layout) {
    std::vector<std::uint8_t> bytes(layout.byteCount());
    for (std::size_t index = 0; index < bytes.size(); ++index) {
        const ByteDots dots = DotsOfByte(layout, index);
        unsigned value = 0;
        for (int i = 0; i < dots.count; ++i) {
            if (picture.at(dots.x + i * dots.dx, dots.y + i * dots.dy)) {
                value |= 1U << BitOfDot(layout, i);
            }
        }
        bytes[index] = static_cast<std::uint8_t>(value);
    }
    return bytes;
}

std::size_t UnpackPanel(const PanelLayout& layout, std::size_t first,
                        std::span<const std::uint8_t> bytes, PointSink& sink) {
    const std::size_t total = layout.byteCount();
    const bool plainColumns =
        layout.arrangement != Arrangement::Rows && layout.bitOrder == BitOrder::Lsb;
    for (std::size_t i = 0; i < bytes.size() && first + i < total; ++i) {
        const ByteDots dots = DotsOfByte(layout, first + i);
        if (plainColumns && dots.count == 8) {
            sink.setColumn(dots.x, dots.y, bytes[i]);
            continue;
        }
        for (int d = 0; d < dots.count; ++d) {
            sink.setPoint(dots.x + d * dots.dx, dots.y + d * dots.dy,
                          (bytes[i] >> BitOfDot(layout, d) & 1) != 0);
        }
    }
    return first + bytes.size();
}

MonoPicture UnpackPanel(const PanelLayout& layout, std::span<const std::uint8_t> bytes) {
    struct Collect : PointSink {
        explicit Collect(MonoPicture& p) : picture(p) {}
        void setPoint(int x, int y, bool on) override { picture.set(x, y, on); }
        MonoPicture& picture;
    };
    MonoPicture picture(layout.width, layout.height);
    Collect sink(picture);
    UnpackPanel(layout, 0, bytes, sink);
    return picture;
}

} // namespace pelmora
