#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pelmora {

// Where a table of an sfnt file (TrueType, OpenType, or the first font of a collection)
// lies by the file's own directory: FreeType drops a table that runs past the file's end
// and then reports it missing, which would hide a cut or damaged file as a font without it.
enum class SfntTablePlace { NotListed, InTheFile, PastTheEnd };
SfntTablePlace FindSfntTable(std::string_view file, std::string_view tag);

// Whether the file starts as an sfnt does: TrueType, OpenType or a collection of them.
bool IsSfnt(std::string_view file);

// The table of the directory (the first font's, in a collection) that runs past the end
// of the file, the one placed first where several do: FreeType reads a cut file's other
// tables and drops those silently, a hinting program or the glyph names with them.
struct SfntCut {
    bool found = false;
    std::string tag; // the table's tag, printable; empty where the directory itself is cut
};
SfntCut FindCutSfntTable(std::string_view file);

// Whether a cmap table has a subtable that maps characters: version 0 and an encoding
// record placing a subtable of a known format inside the table. FreeType skips every other
// record and, left with none, makes a map of the glyphs' names, which may lack characters.
bool CmapHasSubtable(std::string_view cmap);

// The bytes of the glyf table that the loca table gives a glyph; false where its entries
// lie past the loca table.
bool LocaRange(std::string_view loca, bool longOffsets, long glyph, std::uint64_t& from,
               std::uint64_t& to);

// The first glyph whose outline the loca table places absurdly: its entry past the loca
// table, running backwards, or ending past the glyf table. FreeType draws such glyphs empty
// or from the wrong bytes without a word.
struct LocaFault {
    long glyph = -1; // the glyph index; -1 when every entry is sound
    std::string reason;
};
LocaFault CheckLoca(std::string_view loca, bool longOffsets, long glyphs, std::uint64_t glyfLength);

} // namespace pelmora
