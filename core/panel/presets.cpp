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

constexpr PanelLayout Grey(int width, int height, Arrangement arrangement, int depth) {
    PanelLayout layout{width, height, arrangement, kBlockWidth,
                       arrangement == Arrangement::Rows ? BitOrder::Msb : BitOrder::Lsb};
    layout.depth = depth;
    return layout;
}
// Two planes of rows, the leftmost dot in bit 7, as the e-paper libraries draw them.
constexpr PanelLayout TriColour(bool inkIsZero) {
    PanelLayout layout{200, 200, Arrangement::Rows, kBlockWidth, BitOrder::Msb};
    layout.colours = Colours::BlackRed;
    layout.inkIsZero = inkIsZero;
    return layout;
}
constexpr PanelLayout WholeRam(PanelLayout layout, int ramWidth, int xOffset) {
    layout.ramWidth = ramWidth;
    layout.xOffset = xOffset;
    return layout;
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
    PanelPreset{"sh1106-ram",
                "SH1106 whole RAM (132 columns, picture at 2)",
                WholeRam(Pages(128, 64), 132, 2),
                {}},
    PanelPreset{"ssd1322", "SSD1322 256 x 64, 16 greys", Grey(256, 64, Arrangement::Rows, 4), {}},
    PanelPreset{"ssd1325", "SSD1325 128 x 64, 16 greys", Grey(128, 64, Arrangement::Rows, 4), {}},
    PanelPreset{"ssd1327", "SSD1327 128 x 128, 16 greys", Grey(128, 128, Arrangement::Rows, 4), {}},
    PanelPreset{"st7528",
                "ST7528 160 x 100, 16 greys in bit planes",
                Grey(160, 100, Arrangement::BitPlanes, 4),
                {}},
    PanelPreset{"uc1610", "UC1610 160 x 104, 4 greys", Grey(160, 104, Arrangement::Pages, 2), {}},
    PanelPreset{"gxepd2-3c", "GxEPD2 tri-colour e-paper (0 is ink)", TriColour(true), "arduino"},
    PanelPreset{"adafruit-epd-3c", "Adafruit tri-colour e-paper (1 is ink)", TriColour(false),
                "arduino"},
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

std::vector<std::string_view> PresetNames() {
    std::vector<std::string_view> names;
    for (const PanelPreset& preset : kPresets) {
        names.push_back(preset.name);
    }
    return names;
}

} // namespace pelmora
