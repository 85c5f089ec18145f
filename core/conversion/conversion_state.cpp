#include "core/conversion/conversion_state.h"

#include "core/panel/checked_int.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace pelmora {

void ComputePanelGeometry(ConversionState& state) {
    state.pageCount = CheckedInt16(state.infoHeader.biHeight / kPageHeight);
    state.blockCount = CheckedInt16(state.infoHeader.biWidth / kBlockWidth);
}

PanelLayout LayoutOfState(const ConversionState& state) {
    PanelLayout layout;
    layout.width = state.blockCount * kBlockWidth;
    layout.height = state.pageCount * kPageHeight;
    return layout;
}

namespace {

bool IsBmpExtensionAt(std::string_view text, std::size_t at) {
    constexpr std::string_view kExtension = ".bmp";
    if (text.size() - at < kExtension.size()) {
        return false;
    }
    return std::equal(kExtension.begin(), kExtension.end(), text.begin() + at, [](char a, char b) {
        return a == std::tolower(static_cast<unsigned char>(b));
    });
}

} // namespace

std::string DeriveOutputPath(std::string_view folder, std::string_view fileName) {
    std::string name;
    name.reserve(fileName.size());
    for (std::size_t at = 0; at < fileName.size();) {
        if (IsBmpExtensionAt(fileName, at)) {
            name += ".txt";
            at += 4;
        } else {
            name += fileName[at++];
        }
    }
    std::string path(folder);
    path += static_cast<char>(std::filesystem::path::preferred_separator);
    path += "lcd_";
    path += name;
    return path;
}

} // namespace pelmora
