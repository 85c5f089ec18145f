#include "core/panel/panel_bytes.h"

#include "core/panel/panel_dots.h"

#include <array>

namespace pelmora {

namespace {

// Each byte with its bits in the opposite order.
constexpr std::array<std::uint8_t, 256> MakeReversed() {
    std::array<std::uint8_t, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        unsigned reversed = 0;
        for (unsigned bit = 0; bit < 8; ++bit) {
            reversed |= (byte >> bit & 1U) << (7 - bit);
        }
        table[byte] = static_cast<std::uint8_t>(reversed);
    }
    return table;
}

constexpr auto kReversed = MakeReversed();

} // namespace

std::vector<std::uint8_t> PackPanel(const MonoPicture& picture, const PanelLayout& layout) {
    if (picture.width != layout.width || picture.height != layout.height ||
        picture.dots.size() != static_cast<std::size_t>(picture.width) * picture.height ||
        !layout.plain() || !CheckLayout(layout).empty()) {
        return {};
    }
    std::vector<std::uint8_t> bytes(layout.byteCount());
    const auto width = static_cast<std::ptrdiff_t>(picture.width);
    const bool lsb = layout.bitOrder == BitOrder::Lsb;
    ByteWalk walk(layout, 0);
    for (std::size_t index = 0; index < bytes.size(); ++index, walk.next()) {
        const ByteDots& dots = walk.dots();
        // The dots of one byte lie a fixed stride apart in the picture.
        const std::uint8_t* dot = picture.dots.data() + dots.y * width + dots.x;
        const std::ptrdiff_t stride = dots.dy * width + dots.dx;
        unsigned value = 0;
        if (dots.count == 8) {
            for (int i = 0; i < 8; ++i) {
                value |= static_cast<unsigned>(dot[i * stride]) << i;
            }
            bytes[index] = lsb ? static_cast<std::uint8_t>(value) : kReversed[value];
            continue;
        }
        for (int i = 0; i < dots.count; ++i, dot += stride) {
            value |= static_cast<unsigned>(*dot) << (lsb ? i : 7 - i);
        }
        bytes[index] = static_cast<std::uint8_t>(value);
    }
    return bytes;
}

std::size_t UnpackPanel(const PanelLayout& layout, std::size_t first,
                        std::span<const std::uint8_t> bytes, PointSink& sink) {
    if (!layout.plain()) {
        if (first == 0) {
            const PanelDots dots = UnpackDots(layout, bytes);
            for (int y = 0; y < dots.height; ++y) {
                for (int x = 0; x < dots.width; ++x) {
                    sink.setLevel(x, y, dots.level(x, y),
                                  dots.opaque.empty() || dots.opaque[dots.index(x, y)] != 0);
                }
            }
        }
        return first + bytes.size();
    }
    const std::size_t total = layout.byteCount();
    const bool plainColumns =
        layout.arrangement != Arrangement::Rows && layout.bitOrder == BitOrder::Lsb;
    ByteWalk walk(layout, first);
    for (std::size_t i = 0; i < bytes.size() && first + i < total; ++i, walk.next()) {
        const ByteDots& dots = walk.dots();
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
    if (!layout.plain()) {
        return MonoOf(UnpackDots(layout, bytes));
    }
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
