// The check for pictures cut short, on arbitrary bytes: it reads within them whatever their
// headers claim, and a picture it calls cut is one of the formats it knows.

#include "picture_helper/cut_short.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pelmora;
    const std::optional<std::string_view> format = CutShortFormat({data, size});
    if (format && format->empty()) {
        std::abort();
    }
    return 0;
}
