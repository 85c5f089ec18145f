// The whole conversion on arbitrary bytes: header check, pixel decoder, encoder. A picture
// that gets through must give the full 129 lines.

#include "core/conversion/intake.h"
#include "core/syntax/db.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

struct Quiet : pelmora::ProgressDisplay {
    void showProgress(const std::string&) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const pelmora::TakenIn taken = pelmora::TakeInBitmapBytes(bytes);
    if (!taken.usable()) {
        return 0;
    }
    Quiet progress;
    const std::string text = pelmora::ConvertTakenInToText(taken, false, progress).text;
    long lines = 0;
    pelmora::ForEachLine(text, [&](long, std::string_view) { return ++lines > 0; });
    if (lines != 129) {
        std::abort();
    }
    return 0;
}
