#pragma once

#include "core/compress/compress.h"
#include "core/frames/frames.h"
#include "core/syntax/syntax.h"

#include <optional>
#include <string>
#include <string_view>

namespace pelmora {

// Packed data written in the syntaxes. c and arduino: the packed bytes in program memory
// with SYMBOL_PACKED_SIZE and SYMBOL_UNPACKED_SIZE, the decoder carried inline; asm and gas:
// the packed bytes under the symbol, with a "pelmora-packed:" comment after the geometry;
// db, bin and ihex: the packed bytes alone. Frames are packed one by one, one after another.

struct Packing {
    Scheme scheme = Scheme::None;
    bool delta = false; // frames: each XORed with the one before it, the first whole
    bool packs() const { return scheme != Scheme::None || delta; }
};

// Why the syntax or layout cannot take the packing: the key refused and why, other keys
// named by name; in one line as the command line says it.
KeyRefusal RefusePacking(const Syntax& syntax, const PanelLayout& layout, const Packing& packing,
                         bool frames, KeyNamer name);
std::string PackingProblem(const Syntax& syntax, const PanelLayout& layout, const Packing& packing,
                           bool frames);

// Whether the syntax's packed text says how it is packed (c, arduino, asm, gas).
bool MarksPacking(const Syntax& syntax);

// "pelmora-packed:" in text.
bool ClaimsPacked(std::string_view text);

struct PackedText {
    std::string text;
    std::string error;
    Scheme scheme = Scheme::None; // as used: auto resolved for one picture
    std::size_t packedBytes = 0;
    std::size_t unpackedBytes = 0;
    bool ok() const { return error.empty(); }
};

PackedText WritePackedPicture(const Syntax& syntax, const PanelLayout& layout,
                              std::span<const std::uint8_t> bytes, std::string_view symbol,
                              Scheme scheme);
PackedText WritePackedFrames(const Syntax& syntax, const PanelLayout& layout, FrameSource& frames,
                             std::string_view symbol, const Packing& packing);

// The C lines of one packed asset for a header that includes the decoder itself: the
// size macros and the array, in program memory.
std::string PackedCArray(std::string_view symbol, std::span<const std::uint8_t> packed,
                         std::size_t unpackedBytes);

// A packed text read back and unpacked: one frame for a picture. The mark tells how it is
// packed; a syntax that carries none (db, bin, ihex) is read as given, its frames told
// apart by the packed data itself.
ReadFrames ReadPackedText(std::string_view text, const Syntax& syntax, const PanelLayout& fallback,
                          const std::optional<Packing>& given, bool frames);

} // namespace pelmora
