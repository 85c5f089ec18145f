#include "freetype/outline_tables.h"

#include <algorithm>

namespace pelmora {

namespace {

std::uint64_t BigEndian(std::string_view bytes, std::size_t at, int length) {
    std::uint64_t value = 0;
    for (int i = 0; i < length; ++i) {
        value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

} // namespace

SfntTablePlace FindSfntTable(std::string_view file, std::string_view tag) {
    std::size_t start = 0;
    if (file.substr(0, 4) == "ttcf") {
        if (file.size() < 16) {
            return SfntTablePlace::NotListed;
        }
        start = static_cast<std::size_t>(BigEndian(file, 12, 4));
    }
    if (start > file.size() || file.size() - start < 12) {
        return SfntTablePlace::NotListed;
    }
    const std::uint64_t tables = BigEndian(file, start + 4, 2);
    for (std::uint64_t i = 0; i < tables; ++i) {
        const std::uint64_t record = start + 12 + 16 * i;
        if (record + 16 > file.size()) {
            break;
        }
        const auto at = static_cast<std::size_t>(record);
        if (file.substr(at, 4) == tag) {
            const std::uint64_t offset = BigEndian(file, at + 8, 4);
            const std::uint64_t length = BigEndian(file, at + 12, 4);
            return offset + length > file.size() ? SfntTablePlace::PastTheEnd
                                                 : SfntTablePlace::InTheFile;
        }
    }
    return SfntTablePlace::NotListed;
}

bool IsSfnt(std::string_view file) {
    const std::string_view magic = file.substr(0, 4);
    return magic == std::string_view("\0\1\0\0", 4) || magic == "OTTO" || magic == "true" ||
           magic == "typ1" || magic == "ttcf";
}

SfntCut FindCutSfntTable(std::string_view file) {
    if (!IsSfnt(file)) {
        return {};
    }
    std::uint64_t start = 0;
    if (file.substr(0, 4) == "ttcf") {
        if (file.size() < 16) {
            return {true, ""};
        }
        start = BigEndian(file, 12, 4);
    }
    if (start > file.size() || file.size() - start < 12) {
        return {true, ""};
    }
    const std::uint64_t tables = BigEndian(file, static_cast<std::size_t>(start) + 4, 2);
    if (start + 12 + 16 * tables > file.size()) {
        return {true, ""};
    }
    // Of the tables past the end, the one placed first: where a cut file was cut.
    SfntCut cut;
    std::uint64_t first = 0;
    for (std::uint64_t i = 0; i < tables; ++i) {
        const auto at = static_cast<std::size_t>(start + 12 + 16 * i);
        const std::uint64_t offset = BigEndian(file, at + 8, 4);
        const std::uint64_t length = BigEndian(file, at + 12, 4);
        if (offset + length > file.size() && (!cut.found || offset < first)) {
            cut = {true, std::string(file.substr(at, 4))};
            first = offset;
        }
    }
    std::replace_if(
        cut.tag.begin(), cut.tag.end(), [](char c) { return c < ' ' || c > '~'; }, '?');
    return cut;
}

bool CmapHasSubtable(std::string_view cmap) {
    if (cmap.size() < 4 || BigEndian(cmap, 0, 2) != 0) {
        return false;
    }
    const std::uint64_t records = BigEndian(cmap, 2, 2);
    for (std::uint64_t i = 0; i < records && 4 + 8 * i + 8 <= cmap.size(); ++i) {
        const std::uint64_t offset = BigEndian(cmap, static_cast<std::size_t>(4 + 8 * i + 4), 4);
        if (offset < 4 + 8 * records || offset + 6 > cmap.size()) {
            continue;
        }
        // Format 14 holds variation selectors alone; FreeType tolerates a format 4 length
        // past the table, so the lengths are not held to it.
        switch (BigEndian(cmap, static_cast<std::size_t>(offset), 2)) {
        case 0:
        case 2:
        case 4:
        case 6:
        case 8:
        case 10:
        case 12:
        case 13:
            return true;
        default:
            break;
        }
    }
    return false;
}

bool LocaRange(std::string_view loca, bool longOffsets, long glyph, std::uint64_t& from,
               std::uint64_t& to) {
    const std::size_t size = longOffsets ? 4 : 2;
    if (glyph < 0 || static_cast<std::uint64_t>(glyph) + 2 > loca.size() / size) {
        return false;
    }
    const auto at = static_cast<std::size_t>(glyph) * size;
    from = BigEndian(loca, at, static_cast<int>(size));
    to = BigEndian(loca, at + size, static_cast<int>(size));
    // Short offsets count 16-bit words.
    if (!longOffsets) {
        from *= 2;
        to *= 2;
    }
    return true;
}

LocaFault CheckLoca(std::string_view loca, bool longOffsets, long glyphs,
                    std::uint64_t glyfLength) {
    for (long glyph = 0; glyph < glyphs; ++glyph) {
        std::uint64_t from = 0;
        std::uint64_t to = 0;
        if (!LocaRange(loca, longOffsets, glyph, from, to)) {
            const std::size_t places = loca.size() / (longOffsets ? 4 : 2);
            return {glyph, "its outline's end lies past the loca table, which has room for " +
                               std::to_string(places > 0 ? places - 1 : 0) + " of the font's " +
                               std::to_string(glyphs) + " glyphs"};
        }
        if (to < from) {
            return {glyph, "the loca table runs backwards at its outline (from byte " +
                               std::to_string(from) + " of the glyf table to " +
                               std::to_string(to) + ")"};
        }
        if (to > glyfLength) {
            return {glyph, "the loca table places its outline past the glyf table (bytes " +
                               std::to_string(from) + " to " + std::to_string(to) + " of " +
                               std::to_string(glyfLength) + ")"};
        }
    }
    return {};
}

} // namespace pelmora
