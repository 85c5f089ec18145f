#include "core/compress/compress.h"

#include <algorithm>
#include <array>

namespace pelmora {

namespace {

constexpr SchemeInfo kSchemes[] = {
    {Scheme::None, "none", "the bytes as they are (default)"},
    {Scheme::PackBits, "packbits", "runs and literals, as TIFF and Apple's PackBits"},
    {Scheme::Lzss, "lzss", "copies from the last 256 bytes, up to 18 long"},
    {Scheme::Arduboy, "arduboy", "the bit stream Arduboy2's drawCompressed reads"},
    {Scheme::Auto, "auto", "the smallest of none, packbits and lzss for each asset"},
};

constexpr std::size_t kPackBitsMaxRun = 128;

std::string EndsEarly() {
    return "the packed data ends before the picture does";
}

} // namespace

std::span<const SchemeInfo> Schemes() {
    return kSchemes;
}

std::optional<Scheme> FindScheme(std::string_view name) {
    for (const SchemeInfo& info : kSchemes) {
        if (info.name == name) {
            return info.scheme;
        }
    }
    return std::nullopt;
}

std::string_view NameOf(Scheme scheme) {
    for (const SchemeInfo& info : kSchemes) {
        if (info.scheme == scheme) {
            return info.name;
        }
    }
    return "none";
}

std::vector<std::uint8_t> PackBitsEncode(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> out;
    out.reserve(bytes.size() + bytes.size() / kPackBitsMaxRun + 1);
    std::size_t literalStart = 0; // the literal bytes not yet written: literalStart to i
    const auto flushLiterals = [&](std::size_t end) {
        while (literalStart < end) {
            const std::size_t count = std::min(end - literalStart, kPackBitsMaxRun);
            out.push_back(static_cast<std::uint8_t>(count - 1));
            out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(literalStart),
                       bytes.begin() + static_cast<std::ptrdiff_t>(literalStart + count));
            literalStart += count;
        }
    };
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::size_t run = 1;
        while (i + run < bytes.size() && run < kPackBitsMaxRun && bytes[i + run] == bytes[i]) {
            ++run;
        }
        // A run of two costs as much as two literals, so it breaks no literal run.
        if (run >= 3 || (run == 2 && literalStart == i)) {
            flushLiterals(i);
            out.push_back(static_cast<std::uint8_t>(257 - run));
            out.push_back(bytes[i]);
            i += run;
            literalStart = i;
        } else {
            i += run;
        }
    }
    flushLiterals(bytes.size());
    return out;
}

Unpacked PackBitsDecode(std::span<const std::uint8_t> stream, std::size_t size) {
    Unpacked result;
    result.bytes.reserve(size);
    std::size_t at = 0;
    while (result.bytes.size() < size) {
        if (at >= stream.size()) {
            result.error = EndsEarly();
            return result;
        }
        const std::uint8_t header = stream[at++];
        if (header == 128) {
            continue; // no operation
        }
        const std::size_t count = header < 128 ? header + 1u : 257u - header;
        if (count > size - result.bytes.size()) {
            result.error = "a run of the packed data goes past the picture's end";
            return result;
        }
        if (header < 128) {
            if (count > stream.size() - at) {
                result.error = EndsEarly();
                return result;
            }
            result.bytes.insert(result.bytes.end(),
                                stream.begin() + static_cast<std::ptrdiff_t>(at),
                                stream.begin() + static_cast<std::ptrdiff_t>(at + count));
            at += count;
        } else {
            if (at >= stream.size()) {
                result.error = EndsEarly();
                return result;
            }
            result.bytes.insert(result.bytes.end(), count, stream[at++]);
        }
    }
    result.used = at;
    return result;
}

std::vector<std::uint8_t> LzssEncode(std::span<const std::uint8_t> bytes) {
    // Chains of earlier positions with the same three bytes, so that each position is held
    // against the few that can match rather than the whole window.
    constexpr std::size_t kBuckets = 4096;
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::vector<std::size_t> head(kBuckets, kNone);
    std::vector<std::size_t> previous(bytes.size(), kNone);
    const auto bucket = [&bytes](std::size_t i) {
        return ((bytes[i] << 4) ^ (bytes[i + 1] << 2) ^ bytes[i + 2] ^ (bytes[i] >> 4) * 31u) &
               (kBuckets - 1);
    };
    const auto remember = [&](std::size_t i) {
        if (i + kLzssMinMatch <= bytes.size()) {
            const std::size_t b = bucket(i);
            previous[i] = head[b];
            head[b] = i;
        }
    };
    std::vector<std::uint8_t> out;
    out.reserve(bytes.size() + bytes.size() / 8 + 2);
    // The longest copy for position i among the earlier ones remembered: length, distance.
    const auto longest = [&](std::size_t i) {
        std::pair<std::size_t, std::size_t> best{0, 0};
        if (i + kLzssMinMatch > bytes.size()) {
            return best;
        }
        const std::size_t most = std::min(kLzssMaxMatch, bytes.size() - i);
        for (std::size_t from = head[bucket(i)]; from != kNone && i - from <= kLzssWindow;
             from = previous[from]) {
            std::size_t length = 0;
            while (length < most && bytes[from + length] == bytes[i + length]) {
                ++length;
            }
            if (length > best.first) {
                best = {length, i - from};
                if (length == most) {
                    break;
                }
            }
        }
        return best;
    };
    std::size_t remembered = 0; // positions below it are in the chains already
    std::size_t flagsAt = 0;
    int item = 8;
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (item == 8) {
            flagsAt = out.size();
            out.push_back(0);
            item = 0;
        }
        auto [bestLength, bestDistance] = longest(i);
        // A literal first where the next byte starts a longer copy (lazy matching).
        if (bestLength >= kLzssMinMatch && bestLength < kLzssMaxMatch && i + 1 < bytes.size()) {
            remember(i);
            if (longest(i + 1).first > bestLength) {
                bestLength = 0;
            }
            remembered = i + 1;
        }
        if (bestLength >= kLzssMinMatch) {
            out.push_back(static_cast<std::uint8_t>(bestDistance - 1));
            out.push_back(static_cast<std::uint8_t>(bestLength - kLzssMinMatch));
            for (std::size_t k = 0; k < bestLength; ++k) {
                if (i + k >= remembered) {
                    remember(i + k);
                }
            }
            i += bestLength;
        } else {
            out[flagsAt] |= static_cast<std::uint8_t>(1u << item);
            out.push_back(bytes[i]);
            if (i >= remembered) {
                remember(i);
            }
            ++i;
        }
        ++item;
    }
    return out;
}

Unpacked LzssDecode(std::span<const std::uint8_t> stream, std::size_t size) {
    Unpacked result;
    result.bytes.reserve(size);
    std::size_t at = 0;
    std::uint16_t flags = 1; // the flag bits left, with a 1 above them
    while (result.bytes.size() < size) {
        if (flags == 1) {
            if (at >= stream.size()) {
                result.error = EndsEarly();
                return result;
            }
            flags = static_cast<std::uint16_t>(stream[at++] | 0x100);
        }
        const bool literal = (flags & 1) != 0;
        flags >>= 1;
        if (literal) {
            if (at >= stream.size()) {
                result.error = EndsEarly();
                return result;
            }
            result.bytes.push_back(stream[at++]);
            continue;
        }
        if (stream.size() - at < 2) {
            result.error = EndsEarly();
            return result;
        }
        const std::size_t distance = stream[at] + 1u;
        const std::size_t length = (stream[at + 1] & 0x0F) + kLzssMinMatch;
        if ((stream[at + 1] & 0xF0) != 0) {
            result.error = "a copy of the packed data has a length over 18";
            return result;
        }
        at += 2;
        if (distance > result.bytes.size()) {
            result.error = "a copy of the packed data reaches before its start";
            return result;
        }
        if (length > size - result.bytes.size()) {
            result.error = "a copy of the packed data goes past the picture's end";
            return result;
        }
        for (std::size_t k = 0; k < length; ++k) {
            result.bytes.push_back(result.bytes[result.bytes.size() - distance]);
        }
    }
    result.used = at;
    return result;
}

std::string OptionNamed(std::string_view key) {
    return "--" + std::string(key);
}

KeyRefusal RefuseArduboy(const PanelLayout& layout, KeyNamer name) {
    const bool pages = layout.arrangement == Arrangement::Pages ||
                       (layout.arrangement == Arrangement::Halves && layout.blockCount() == 1);
    if (!layout.plain()) {
        return {"compress", "arduboy packs one plane of one bit a dot"};
    }
    if (!pages || layout.bitOrder != BitOrder::Lsb) {
        return {"compress", "arduboy takes the Arduboy's own layout: " + name("layout") +
                                " pages " + name("bit-order") + " lsb"};
    }
    if (layout.height % kPageHeight != 0) {
        return {"compress", "arduboy draws pages of 8 rows: the height must be a multiple of 8"};
    }
    if (layout.width > 256 || layout.height > 256) {
        return {"compress", "arduboy holds at most 256 x 256 dots"};
    }
    return {};
}

std::string ArduboyProblem(const PanelLayout& layout) {
    const KeyRefusal refusal = RefuseArduboy(layout, OptionNamed);
    return refusal.reason.empty() ? std::string() : OptionNamed(refusal.key) + " " + refusal.reason;
}

namespace {

class BitWriter {
  public:
    void put(std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i) {
            if (bit_ == 0) {
                bytes.push_back(0);
                bit_ = 1;
            }
            if ((value >> i & 1U) != 0) {
                bytes.back() |= bit_;
            }
            bit_ = static_cast<std::uint8_t>(bit_ << 1);
        }
    }
    std::vector<std::uint8_t> bytes;

  private:
    std::uint8_t bit_ = 0;
};

class BitReader {
  public:
    explicit BitReader(std::span<const std::uint8_t> stream) : stream_(stream) {}
    // count bits, least significant first; nullopt past the end.
    std::optional<std::uint32_t> get(int count) {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            if (bit_ == 0) {
                if (at_ >= stream_.size()) {
                    return std::nullopt;
                }
                byte_ = stream_[at_++];
                bit_ = 1;
            }
            if ((byte_ & bit_) != 0) {
                value |= std::uint32_t{1} << i;
            }
            bit_ = static_cast<std::uint8_t>(bit_ << 1);
        }
        return value;
    }
    std::size_t used() const { return at_; }

  private:
    std::span<const std::uint8_t> stream_;
    std::size_t at_ = 0;
    std::uint8_t byte_ = 0;
    std::uint8_t bit_ = 0;
};

// The library keeps a span's length in 16 bits.
constexpr std::size_t kArduboyMaxSpan = 65535;
constexpr int kArduboyMaxLengthBits = 17;

} // namespace

Packed ArduboyEncode(const PanelLayout& layout, std::span<const std::uint8_t> bytes) {
    Packed packed;
    packed.scheme = Scheme::Arduboy;
    if (std::string problem = ArduboyProblem(layout); !problem.empty()) {
        packed.error = std::move(problem);
        return packed;
    }
    if (bytes.size() != layout.byteCount()) {
        packed.error = "the bytes are not the panel's";
        return packed;
    }
    const auto dot = [&bytes](std::size_t n) {
        return (bytes[n / 8] >> (n % 8) & 1) != 0;
    };
    const std::size_t dots = bytes.size() * 8;
    BitWriter out;
    out.put(static_cast<std::uint32_t>(layout.width - 1), 8);
    out.put(static_cast<std::uint32_t>(layout.height - 1), 8);
    out.put(dot(0) ? 1 : 0, 1);
    for (std::size_t n = 0; n < dots;) {
        std::size_t span = 1;
        while (n + span < dots && dot(n + span) == dot(n)) {
            ++span;
        }
        if (span > kArduboyMaxSpan) {
            packed.error = "--compress arduboy cannot hold more than 65535 dots of one colour "
                           "in a row";
            return packed;
        }
        const std::uint32_t value = static_cast<std::uint32_t>(span - 1);
        int lengthBits = 1;
        while (lengthBits < 32 && (value >> lengthBits) != 0) {
            lengthBits += 2;
        }
        out.put(0, (lengthBits - 1) / 2);
        out.put(1, 1);
        out.put(value, lengthBits);
        n += span;
    }
    packed.bytes = std::move(out.bytes);
    return packed;
}

Unpacked ArduboyDecode(std::span<const std::uint8_t> stream, const PanelLayout& layout) {
    Unpacked result;
    BitReader in(stream);
    const std::optional<std::uint32_t> width = in.get(8);
    const std::optional<std::uint32_t> height = in.get(8);
    std::optional<std::uint32_t> colour = in.get(1);
    if (!colour) {
        result.error = EndsEarly();
        return result;
    }
    if (static_cast<int>(*width) + 1 != layout.width ||
        static_cast<int>(*height) + 1 != layout.height) {
        result.error = "the packed data is of " + std::to_string(*width + 1) + " x " +
                       std::to_string(*height + 1) + " dots, not the panel's " +
                       std::to_string(layout.width) + " x " + std::to_string(layout.height);
        return result;
    }
    const std::size_t dots = static_cast<std::size_t>(layout.width) *
                             static_cast<std::size_t>((layout.height + 7) / 8 * 8);
    result.bytes.assign(dots / 8, 0);
    for (std::size_t n = 0; n < dots;) {
        int lengthBits = 1;
        for (;;) {
            const std::optional<std::uint32_t> stop = in.get(1);
            if (!stop) {
                result.error = EndsEarly();
                return result;
            }
            if (*stop != 0) {
                break;
            }
            lengthBits += 2;
            if (lengthBits > kArduboyMaxLengthBits) {
                result.error = "a span of the packed data is longer than the library reads";
                return result;
            }
        }
        const std::optional<std::uint32_t> value = in.get(lengthBits);
        if (!value) {
            result.error = EndsEarly();
            return result;
        }
        const std::size_t span = std::size_t{*value} + 1;
        if (span > kArduboyMaxSpan || span > dots - n) {
            result.error = "a span of the packed data goes past the picture's end";
            return result;
        }
        if (*colour != 0) {
            for (std::size_t k = n; k < n + span; ++k) {
                result.bytes[k / 8] =
                    static_cast<std::uint8_t>(result.bytes[k / 8] | 1u << (k % 8));
            }
        }
        n += span;
        *colour ^= 1;
    }
    result.used = in.used();
    return result;
}

Packed Pack(Scheme scheme, const PanelLayout& layout, std::span<const std::uint8_t> bytes) {
    if (scheme == Scheme::Arduboy) {
        return ArduboyEncode(layout, bytes);
    }
    Packed packed;
    if (bytes.size() != layout.byteCount()) {
        packed.error = "the bytes are not the panel's";
        return packed;
    }
    const auto tagged = [](std::uint8_t tag, std::span<const std::uint8_t> stream) {
        std::vector<std::uint8_t> data;
        data.reserve(stream.size() + 1);
        data.push_back(tag);
        data.insert(data.end(), stream.begin(), stream.end());
        return data;
    };
    packed.scheme = scheme;
    switch (scheme) {
    case Scheme::PackBits:
        packed.bytes = tagged(kTagPackBits, PackBitsEncode(bytes));
        break;
    case Scheme::Lzss:
        packed.bytes = tagged(kTagLzss, LzssEncode(bytes));
        break;
    case Scheme::Auto: {
        // The smallest; the plain bytes when neither scheme gains.
        std::vector<std::uint8_t> best = tagged(kTagNone, bytes);
        packed.scheme = Scheme::None;
        for (const Scheme each : {Scheme::PackBits, Scheme::Lzss}) {
            Packed candidate = Pack(each, layout, bytes);
            if (candidate.bytes.size() < best.size()) {
                best = std::move(candidate.bytes);
                packed.scheme = each;
            }
        }
        packed.bytes = std::move(best);
        break;
    }
    default:
        packed.bytes = tagged(kTagNone, bytes);
        break;
    }
    return packed;
}

Unpacked Unpack(Scheme scheme, const PanelLayout& layout, std::span<const std::uint8_t> data) {
    if (scheme == Scheme::Arduboy) {
        return ArduboyDecode(data, layout);
    }
    Unpacked result;
    const std::size_t size = layout.byteCount();
    if (data.empty()) {
        result.error = EndsEarly();
        return result;
    }
    const std::span<const std::uint8_t> stream = data.subspan(1);
    switch (data[0]) {
    case kTagNone:
        if (stream.size() < size) {
            result.error = EndsEarly();
            return result;
        }
        result.bytes.assign(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(size));
        result.used = size;
        break;
    case kTagPackBits:
        result = PackBitsDecode(stream, size);
        break;
    case kTagLzss:
        result = LzssDecode(stream, size);
        break;
    default:
        result.error = "the packed data opens with " + std::to_string(data[0]) +
                       ", no scheme's tag (0 none, 1 packbits, 2 lzss)";
        return result;
    }
    result.used += 1;
    return result;
}

void XorInto(std::span<std::uint8_t> frame, std::span<const std::uint8_t> before) {
    for (std::size_t i = 0; i < frame.size() && i < before.size(); ++i) {
        frame[i] = static_cast<std::uint8_t>(frame[i] ^ before[i]);
    }
}

} // namespace pelmora
