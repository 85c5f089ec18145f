// The line decoder and the plotter on arbitrary text: every point lands on the panel.

#include "core/conversion/plotter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

struct Bounded : pelmora::PointSink {
    void setPoint(int x, int y, bool) override {
        if (x < 0 || x >= pelmora::kPanelWidth || y < 0 || y >= pelmora::kPanelHeight) {
            std::abort();
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pelmora::ConversionState state;
    state.infoHeader.biWidth = pelmora::kPanelWidth;
    state.infoHeader.biHeight = pelmora::kPanelHeight;
    pelmora::ComputePanelGeometry(state);
    Bounded panel;
    (void)pelmora::PlotLcdHexText(
        state, std::string_view(reinterpret_cast<const char*>(data), size), panel);
    return 0;
}
