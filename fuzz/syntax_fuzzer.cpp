// Every syntax's reader on arbitrary text: it must answer, and what it reads must unpack
// onto the panel it names without a dot outside it.

#include "core/conversion/plotter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

struct Bounded : pelmora::PointSink {
    explicit Bounded(const pelmora::PanelLayout& layout) : layout(layout) {}
    void setPoint(int x, int y, bool) override {
        if (x < 0 || x >= layout.width || y < 0 || y >= layout.height) {
            std::abort();
        }
    }
    pelmora::PanelLayout layout;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const pelmora::Syntax* syntax : pelmora::Syntaxes()) {
        const pelmora::PanelText read = pelmora::ReadPanelText(text, {}, syntax);
        if (!pelmora::CheckLayout(read.layout).empty()) {
            std::abort(); // a stated geometry is only taken when it is usable
        }
        Bounded panel(read.layout);
        pelmora::UnpackPanel(read.layout, 0, read.bytes, panel);
    }
    (void)pelmora::SyntaxOfText(text, "x.h");
    return 0;
}
