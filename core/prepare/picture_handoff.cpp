#include "core/prepare/picture_handoff.h"

#include <array>
#include <charconv>
#include <cstddef>

namespace pelmora {

namespace {

constexpr std::string_view kFirstLine = "PELMORA-RGBA 1\n";

// The placement's fields in the order they travel.
std::array<int, 8> Fields(const Placement& p) {
    return {p.sourceX, p.sourceY, p.sourceWidth, p.sourceHeight,
            p.panelX,  p.panelY,  p.width,       p.height};
}

} // namespace

std::string PictureHandoffHeader(const Placement& placement) {
    std::string header(kFirstLine);
    for (const int field : Fields(placement)) {
        header += std::to_string(field);
        header += ' ';
    }
    header.back() = '\n';
    return header;
}

std::optional<PictureHandoff> ParsePictureHandoff(std::string_view answer, int panelWidth,
                                                  int panelHeight) {
    if (!answer.starts_with(kFirstLine)) {
        return std::nullopt;
    }
    answer.remove_prefix(kFirstLine.size());
    const std::size_t lineEnd = answer.find('\n');
    if (lineEnd == std::string_view::npos) {
        return std::nullopt;
    }
    // Exactly eight whole numbers, one space between them, as the header writes them.
    std::array<int, 8> numbers{};
    const char* next = answer.data();
    const char* const end = answer.data() + lineEnd;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0 && (next == end || *next++ != ' ')) {
            return std::nullopt;
        }
        const auto [after, error] = std::from_chars(next, end, numbers[i]);
        if (error != std::errc() || after == next || numbers[i] < 0) {
            return std::nullopt;
        }
        next = after;
    }
    PictureHandoff handoff;
    Placement& placement = handoff.placement;
    const auto [sourceX, sourceY, sourceWidth, sourceHeight, panelX, panelY, width, height] =
        numbers;
    placement = {sourceX, sourceY, sourceWidth, sourceHeight, panelX, panelY, width, height};
    // Non-negative, so none of the differences below can overflow.
    if (next != end || placement.width > panelWidth - placement.panelX ||
        placement.height > panelHeight - placement.panelY) {
        return std::nullopt;
    }
    const std::string_view pixels = answer.substr(lineEnd + 1);
    if (pixels.size() != static_cast<std::size_t>(placement.width) *
                             static_cast<std::size_t>(placement.height) * 4) {
        return std::nullopt;
    }
    handoff.shown.width = placement.width;
    handoff.shown.height = placement.height;
    handoff.shown.rgba.assign(pixels.begin(), pixels.end());
    return handoff;
}

} // namespace pelmora
