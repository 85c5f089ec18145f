#pragma once

#include "core/panel/panel_layout.h"

#include <span>
#include <string_view>
#include <vector>

namespace pelmora {

// A panel people buy, as the layout its controller takes.
struct PanelPreset {
    std::string_view name;  // for --panel: "ks0108", "ssd1306", ...
    std::string_view label; // as the window lists it
    PanelLayout layout;
    std::string_view syntax; // the syntax the panel's usual library needs, or empty
};

// Every preset, in the order they are offered.
std::span<const PanelPreset> PanelPresets();
const PanelPreset* FindPanelPreset(std::string_view name);
// Every preset's name, in the order they are offered.
std::vector<std::string_view> PresetNames();

} // namespace pelmora
