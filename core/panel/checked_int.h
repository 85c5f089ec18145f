#pragma once

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

namespace pelmora {

// Thrown when a value does not fit the field it is stored in. Counters and
// geometry are 16-bit by design; leaving that range is a fault, never a wrap.
class OverflowError : public std::overflow_error {
  public:
    using std::overflow_error::overflow_error;
};

template <typename Narrow> constexpr Narrow CheckedNarrow(long long value) {
    if (value < std::numeric_limits<Narrow>::min() || value > std::numeric_limits<Narrow>::max()) {
        throw OverflowError("value " + std::to_string(value) + " is out of range");
    }
    return static_cast<Narrow>(value);
}

constexpr std::int16_t CheckedInt16(long long value) {
    return CheckedNarrow<std::int16_t>(value);
}
constexpr std::int32_t CheckedInt32(long long value) {
    return CheckedNarrow<std::int32_t>(value);
}

} // namespace pelmora
