#include "core/panel/presets.h"

#include <array>

namespace pelmora {

namespace {

constexpr PanelLayout Pages(int width, int height) {
    return {width, height, Arrangement::Pages, kBlockWidth, BitOrder::Lsb};
}
constexpr PanelLayout Rows(BitOrder order) {
    return {kPanelWidth, kPanelHeight, Arrangement::Rows, kBlockWidth, order};
}

constexpr std::array kPresets{
    PanelPreset{"ks0108", "KS0108 128 x 64, two halves", PanelLayout{}, {}},
    PanelPreset{"ssd1306", "SSD1306 128 x 64", Pages(128, 64), {}},
    PanelPreset{"ssd1306-128x32", "SSD1306 128 x 32", Pages(128, 32), {}},
    PanelPreset{"sh1106", "SH1106 128 x 64", Pages(128, 64), {}},
    PanelPreset{"st7565", "ST7565 128 x 64", Pages(128, 64), {}},
    PanelPreset{"pcd8544", "PCD8544 84 x 48", Pages(84, 48), {}},
    PanelPreset{"st7920", "ST7920 128 x 64 rows", Rows(BitOrder::Msb), {}},
    PanelPreset{"gfx-bitmap", "Adafruit GFX bitmap (rows, MSB first)", Rows(BitOrder::Msb),
                "arduino"},
    PanelPreset{"u8g2-xbm", "u8g2 XBM in flash (drawXBMP)", Rows(BitOrder::Lsb), "xbmp"},
};

} // namespace

std::span<const PanelPreset> PanelPresets() {
    return kPresets;
}

const PanelPreset* FindPanelPreset(std::string_view name) {
    for (const PanelPreset& preset : kPresets) {
        if (preset.name == name) {
            return &preset;
        }
    }
    return nullptr;
}

} // namespace pelmora
