#include "picture_helper/cut_short.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace pelmora {

namespace {

// What a check finds: the picture is whole, cut short, or not what the check reads.
enum class End { Whole, Cut, Unknown };

// Reads little- or big-endian numbers, telling when they lie past the end.
class Bytes {
  public:
    explicit Bytes(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint64_t size() const { return bytes_.size(); }
    bool has(std::uint64_t at, std::uint64_t count) const {
        return at <= bytes_.size() && count <= bytes_.size() - at;
    }
    bool startsWith(std::string_view text, std::uint64_t at = 0) const {
        return has(at, text.size()) &&
               std::equal(text.begin(), text.end(),
                          bytes_.begin() + static_cast<std::ptrdiff_t>(at),
                          [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
    }
    std::uint8_t at(std::uint64_t at) const { return bytes_[at]; }
    // count bytes from at, which the caller has checked are there.
    std::uint64_t number(std::uint64_t at, int count, bool bigEndian = false) const {
        std::uint64_t value = 0;
        for (int i = 0; i < count; ++i) {
            const std::uint64_t byte = bytes_[at + static_cast<std::uint64_t>(i)];
            value = bigEndian ? value << 8 | byte : value | byte << (8 * i);
        }
        return value;
    }

  private:
    std::span<const std::uint8_t> bytes_;
};

// RLE data runs to its end-of-bitmap mark; data that stops right after the last row's
// end-of-line mark lacks nothing either.
End RleEnd(const Bytes& b, std::uint64_t at, std::uint64_t rows, bool fourBits) {
    std::uint64_t rowsEnded = 0;
    for (;;) {
        if (!b.has(at, 2)) {
            return rowsEnded >= rows && at == b.size() ? End::Whole : End::Cut;
        }
        const std::uint8_t count = b.at(at);
        const std::uint8_t code = b.at(at + 1);
        at += 2;
        if (count != 0) {
            continue; // a run of one value
        }
        if (code == 0) {
            ++rowsEnded;
        } else if (code == 1) {
            return End::Whole;
        } else if (code == 2) {
            if (!b.has(at, 2)) {
                return End::Cut;
            }
            rowsEnded += b.at(at + 1);
            at += 2;
        } else {
            std::uint64_t length = fourBits ? (code + 1U) / 2 : code;
            length += length & 1; // absolute runs keep to 16-bit words
            if (!b.has(at, length)) {
                return End::Cut;
            }
            at += length;
        }
    }
}

End BmpEnd(const Bytes& b) {
    if (!b.has(0, 18)) {
        return End::Cut;
    }
    const std::uint64_t pixelsAt = b.number(10, 4);
    const std::uint64_t infoSize = b.number(14, 4);
    if (infoSize != 12 && (infoSize < 16 || infoSize > 124)) {
        return End::Unknown;
    }
    if (!b.has(14, infoSize)) {
        return End::Cut;
    }
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    std::uint64_t bits = 0;
    std::uint64_t compression = 0;
    if (infoSize == 12) {
        width = b.number(18, 2);
        height = b.number(20, 2);
        bits = b.number(24, 2);
    } else {
        const auto signedWidth = static_cast<std::int32_t>(b.number(18, 4));
        const auto signedHeight = static_cast<std::int32_t>(b.number(22, 4));
        width = signedWidth > 0 ? static_cast<std::uint64_t>(signedWidth) : 0;
        // Negative: rows stored top down.
        height = signedHeight < 0 ? 0 - static_cast<std::uint64_t>(signedHeight)
                                  : static_cast<std::uint64_t>(signedHeight);
        bits = b.number(28, 2);
        compression = infoSize >= 20 ? b.number(30, 4) : 0;
    }
    if (width == 0 || height == 0 || bits == 0 || bits > 32) {
        return End::Unknown;
    }
    if (compression == 1 || compression == 2) {
        return RleEnd(b, pixelsAt, height, compression == 2);
    }
    if (compression != 0 && compression != 3 && compression != 6) {
        return End::Unknown; // JPEG or PNG inside, which Qt does not read
    }
    // Rows of whole 32-bit words.
    const std::uint64_t rowBytes = (width * bits + 31) / 32 * 4;
    return rowBytes <= b.size() / height && b.has(pixelsAt, rowBytes * height) ? End::Whole
                                                                               : End::Cut;
}

// Sub-blocks of up to 255 bytes, each led by its length, ended by an empty one.
bool SkipSubBlocks(const Bytes& b, std::uint64_t& at) {
    for (;;) {
        if (!b.has(at, 1)) {
            return false;
        }
        const std::uint8_t length = b.at(at++);
        if (length == 0) {
            return true;
        }
        at += length;
    }
}

std::uint64_t GifColourTable(std::uint8_t flags) {
    return (flags & 0x80) != 0 ? 3U << ((flags & 7) + 1) : 0;
}

// Every frame's data complete, and the trailer after the last.
End GifEnd(const Bytes& b) {
    if (!b.has(0, 13)) {
        return End::Cut;
    }
    std::uint64_t at = 13 + GifColourTable(b.at(10));
    for (;;) {
        if (!b.has(at, 1)) {
            return End::Cut;
        }
        switch (b.at(at)) {
        case 0x3B:
            return End::Whole;
        case 0x21: // an extension: its label, then sub-blocks
            at += 2;
            break;
        case 0x2C: // a frame: its descriptor, colours, the LZW code size, then sub-blocks
            if (!b.has(at, 10)) {
                return End::Cut;
            }
            at += 10 + GifColourTable(b.at(at + 9)) + 1;
            break;
        default:
            return End::Unknown; // not a block: damaged rather than cut; Qt's to judge
        }
        if (!SkipSubBlocks(b, at)) {
            return End::Cut;
        }
    }
}

End PngEnd(const Bytes& b) {
    for (std::uint64_t at = 8;;) {
        if (!b.has(at, 8)) {
            return End::Cut;
        }
        const std::uint64_t length = b.number(at, 4, true);
        if (length > 0x7FFFFFFF) {
            return End::Unknown;
        }
        const bool last = b.startsWith("IEND", at + 4);
        at += 12 + length; // length, type, data, check
        if (!b.has(0, at)) {
            return End::Cut;
        }
        if (last) {
            return End::Whole;
        }
    }
}

End WebpEnd(const Bytes& b) {
    return b.has(8, b.number(4, 4)) ? End::Whole : End::Cut;
}

std::uint64_t TiffTypeSize(std::uint64_t type) {
    // BYTE ASCII SHORT LONG RATIONAL SBYTE UNDEFINED SSHORT SLONG SRATIONAL FLOAT DOUBLE IFD,
    // then the 64-bit LONG8 SLONG8 IFD8; 0 for a type no reader knows, which it skips.
    constexpr std::array<std::uint8_t, 19> kSizes = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4,
                                                     8, 4, 8, 4, 0, 0, 8, 8, 8};
    return type < kSizes.size() ? kSizes[type] : 0;
}

// Every directory in the chain, everything each points at, and each strip and tile of data.
End TiffEnd(const Bytes& b, bool big, bool bigEndian) {
    const int offsetSize = big ? 8 : 4;
    const std::uint64_t entrySize = big ? 20 : 12;
    const int countSize = big ? 8 : 2;
    if (!b.has(0, big ? 16 : 8)) {
        return End::Cut;
    }
    auto number = [&](std::uint64_t at, int count) {
        return b.number(at, count, bigEndian);
    };
    std::uint64_t directory = number(big ? 8 : 4, offsetSize);
    // A chain that loops is Qt's to refuse; a bound keeps the walk short whatever it is.
    constexpr int kMaxDirectories = 64;
    for (int seen = 0; directory != 0 && seen < kMaxDirectories; ++seen) {
        if (!b.has(directory, static_cast<std::uint64_t>(countSize))) {
            return End::Cut;
        }
        const std::uint64_t entries = number(directory, countSize);
        const std::uint64_t first = directory + static_cast<std::uint64_t>(countSize);
        if (entries > b.size() / entrySize ||
            !b.has(first, entries * entrySize + static_cast<std::uint64_t>(offsetSize))) {
            return End::Cut;
        }
        // Where each entry's values lie, and how many there are.
        struct Values {
            std::uint64_t at = 0;
            std::uint64_t count = 0;
            std::uint64_t size = 0;
        };
        auto valuesOf = [&](std::uint64_t entry) {
            Values values;
            values.count = number(entry + 4, offsetSize);
            values.size = TiffTypeSize(number(entry + 2, 2));
            const std::uint64_t field = entry + 4 + static_cast<std::uint64_t>(offsetSize);
            // Values that fit in the entry's own field are kept there.
            const bool inside =
                values.size != 0 &&
                values.count <= static_cast<std::uint64_t>(offsetSize) / values.size;
            values.at = inside ? field : number(field, offsetSize);
            return values;
        };
        std::array<Values, 4> data{}; // StripOffsets, StripByteCounts, TileOffsets, TileByteCounts
        for (std::uint64_t i = 0; i < entries; ++i) {
            const std::uint64_t entry = first + i * entrySize;
            const Values values = valuesOf(entry);
            if (values.size == 0) {
                continue;
            }
            if (values.count > b.size() || !b.has(values.at, values.count * values.size)) {
                return End::Cut;
            }
            switch (number(entry, 2)) {
            case 273:
                data[0] = values;
                break;
            case 279:
                data[1] = values;
                break;
            case 324:
                data[2] = values;
                break;
            case 325:
                data[3] = values;
                break;
            default:
                break;
            }
        }
        for (std::size_t kind = 0; kind < data.size(); kind += 2) {
            const Values& offsets = data[kind];
            const Values& counts = data[kind + 1];
            for (std::uint64_t i = 0; i < std::min(offsets.count, counts.count); ++i) {
                const std::uint64_t at =
                    number(offsets.at + i * offsets.size, static_cast<int>(offsets.size));
                const std::uint64_t count =
                    number(counts.at + i * counts.size, static_cast<int>(counts.size));
                if (!b.has(at, count)) {
                    return End::Cut;
                }
            }
        }
        directory = number(first + entries * entrySize, offsetSize);
    }
    return End::Whole;
}

// C source: the data ends with the closing brace of its array.
End SourceEnd(const Bytes& b) {
    std::uint64_t end = b.size();
    while (end > 0 && (b.at(end - 1) == ' ' || b.at(end - 1) == '\n' || b.at(end - 1) == '\r' ||
                       b.at(end - 1) == '\t')) {
        --end;
    }
    if (end > 0 && b.at(end - 1) == ';') {
        --end;
    }
    return end > 0 && b.at(end - 1) == '}' ? End::Whole : End::Cut;
}

bool LooksLikeXbm(const Bytes& b) {
    const std::uint64_t head = std::min<std::uint64_t>(b.size(), 256);
    bool define = false;
    bool width = false;
    for (std::uint64_t at = 0; at < head; ++at) {
        define = define || b.startsWith("#define", at);
        width = width || b.startsWith("_width", at);
    }
    return define && width;
}

} // namespace

std::optional<std::string_view> CutShortFormat(std::span<const std::uint8_t> bytes) {
    const Bytes b(bytes);
    struct Format {
        std::string_view name;
        End end;
    };
    Format format{{}, End::Unknown};
    if (b.startsWith("BM")) {
        format = {"BMP", BmpEnd(b)};
    } else if (b.startsWith("GIF8")) {
        format = {"GIF", GifEnd(b)};
    } else if (b.startsWith("\x89PNG\r\n\x1a\n")) {
        format = {"PNG", PngEnd(b)};
    } else if (b.startsWith("RIFF") && b.startsWith("WEBP", 8)) {
        format = {"WebP", WebpEnd(b)};
    } else if (b.startsWith("II") || b.startsWith("MM")) {
        const bool bigEndian = b.startsWith("MM");
        const std::uint64_t version = b.has(2, 2) ? b.number(2, 2, bigEndian) : 0;
        if (version == 42 || version == 43) {
            format = {"TIFF", TiffEnd(b, version == 43, bigEndian)};
        }
    } else if (b.startsWith("/* XPM */")) {
        format = {"XPM", SourceEnd(b)};
    } else if (LooksLikeXbm(b)) {
        format = {"XBM", SourceEnd(b)};
    }
    if (format.end == End::Cut) {
        return format.name;
    }
    return std::nullopt;
}

std::string CutShortReason(std::string_view format) {
    return "the picture is cut short (its " + std::string(format) + " data has no end)";
}

} // namespace pelmora
