// The decoders show uses on arbitrary packed data, and the packed texts' reader on arbitrary
// text: each must answer, and what a decoder accepts must be the panel's size and pack back
// to data that unpacks the same.

#include "core/compress/compress.h"
#include "core/compress/packed_output.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    // The first bytes choose the scheme and a panel of pages up to 256 x 256.
    const pelmora::Scheme scheme =
        data[0] % 2 == 0 ? pelmora::Scheme::Auto : pelmora::Scheme::Arduboy;
    pelmora::PanelLayout layout;
    layout.arrangement = pelmora::Arrangement::Pages;
    layout.width = data[1] + 1;
    layout.height = (data[2] % 32 + 1) * 8;
    const std::span<const std::uint8_t> packed(data + 3, size - 3);
    const pelmora::Unpacked unpacked = pelmora::Unpack(scheme, layout, packed);
    if (unpacked.ok()) {
        if (unpacked.bytes.size() != layout.byteCount() || unpacked.used > packed.size()) {
            std::abort();
        }
        const pelmora::Packed again = pelmora::Pack(scheme, layout, unpacked.bytes);
        if (again.ok() && pelmora::Unpack(scheme, layout, again.bytes).bytes != unpacked.bytes) {
            std::abort();
        }
    }
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const char* name : {"c", "asm", "gas", "db"}) {
        const pelmora::ReadFrames read =
            pelmora::ReadPackedText(text, *pelmora::FindSyntax(name), layout,
                                    pelmora::Packing{scheme, data[0] % 4 < 2}, true);
        for (const pelmora::PanelFrame& frame : read.frames) {
            if (read.error.empty() &&
                frame.bytes.size() != read.layout.value_or(layout).byteCount()) {
                std::abort();
            }
        }
    }
    return 0;
}
