#pragma once

#include "core/bmp/bmp_records.h"
#include "core/panel/panel_layout.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace pelmora {

// Outcome of the last conversion. Anything but Succeeded counts as no success.
enum class ResultFlag : char { Unset = '\0', Failed = 'F', Succeeded = 'S' };

// Everything the windows, the encoder and the preview share, for the whole process.
struct ConversionState {
    BITMAPFILEHEADER fileHeader;
    BITMAPINFOHEADER infoHeader;
    std::int16_t xStart = 0;
    std::int16_t xEnd = 0;
    std::int16_t yStart = 0;
    std::int16_t yEnd = 0;
    std::int16_t pageCount = 0;
    std::int16_t blockCount = 0;
    std::string outputPath; // UTF-8
};

// Pages and blocks of the panel, from the accepted picture's size.
void ComputePanelGeometry(ConversionState& state);

// The two-halves panel that the state's page and block counts describe.
PanelLayout LayoutOfState(const ConversionState& state);

// folder + separator + "lcd_" + fileName with every ".bmp" (any case) turned into ".txt".
// No separator check is made on folder, so a root folder gives two in a row.
std::string DeriveOutputPath(std::string_view folder, std::string_view fileName);

} // namespace pelmora
