#pragma once

#include "core/panel/panel_layout.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

// Packing a panel's bytes smaller for flash. The general schemes (none, packbits, lzss)
// open with one tag byte naming the scheme, so one decoder reads them all; arduboy is the
// bit stream the Arduboy library draws, with no tag.
enum class Scheme { None, PackBits, Lzss, Arduboy, Auto };

struct SchemeInfo {
    Scheme scheme;
    std::string_view name;
    std::string_view description;
};

// Every scheme in the order they are offered, none first.
std::span<const SchemeInfo> Schemes();
std::optional<Scheme> FindScheme(std::string_view name);
std::string_view NameOf(Scheme scheme);

// The tag byte that opens the data of a general scheme.
constexpr std::uint8_t kTagNone = 0;
constexpr std::uint8_t kTagPackBits = 1;
constexpr std::uint8_t kTagLzss = 2;

// LZSS: a flags byte before every eight items, bit 0 first; a 1 bit is one literal byte, a
// 0 bit a copy of two bytes: the distance back less one (1 to 256), then the length less
// three in the low nibble (3 to 18), the high nibble 0.
constexpr std::size_t kLzssWindow = 256;
constexpr std::size_t kLzssMinMatch = 3;
constexpr std::size_t kLzssMaxMatch = 18;

// Each scheme's own stream, without a tag.
std::vector<std::uint8_t> PackBitsEncode(std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> LzssEncode(std::span<const std::uint8_t> bytes);

// What a decoder made of a stream: size bytes, the stream bytes it used, or why not.
struct Unpacked {
    std::vector<std::uint8_t> bytes;
    std::size_t used = 0;
    std::string error;
    bool ok() const { return error.empty(); }
};
Unpacked PackBitsDecode(std::span<const std::uint8_t> stream, std::size_t size);
Unpacked LzssDecode(std::span<const std::uint8_t> stream, std::size_t size);

// An option whose value cannot be: the key it is given under ("compress") and why, other
// keys named by the front end's own way of naming them.
struct KeyRefusal {
    std::string key;
    std::string reason; // empty: nothing is refused
};
using KeyNamer = std::string (*)(std::string_view key);
// "--compress", as the command line names a key.
std::string OptionNamed(std::string_view key);

// Why the layout cannot be packed for the Arduboy, or empty: one plane of one bit, its
// pages of 8 rows, top dot in bit 0, a height a multiple of 8, each side at most 256.
KeyRefusal RefuseArduboy(const PanelLayout& layout, KeyNamer name);
// The same in one line, as the command line says it.
std::string ArduboyProblem(const PanelLayout& layout);
// The Arduboy stream: width and height less one, a byte each; the first dot's colour bit;
// then spans of one colour, alternating, each length less one in 2k+1 bits after k zero
// bits and a one bit; every value least significant bit first.
struct Packed {
    std::vector<std::uint8_t> bytes;
    Scheme scheme = Scheme::None; // the scheme used (auto resolved)
    std::string error;
    bool ok() const { return error.empty(); }
};
Packed ArduboyEncode(const PanelLayout& layout, std::span<const std::uint8_t> bytes);
// The panel's bytes from an Arduboy stream, checked against the layout's size.
Unpacked ArduboyDecode(std::span<const std::uint8_t> stream, const PanelLayout& layout);

// bytes packed by scheme for the layout: the general ones with their tag (auto the smallest
// of them, never more than the bytes and the tag), arduboy as that library reads it.
Packed Pack(Scheme scheme, const PanelLayout& layout, std::span<const std::uint8_t> bytes);
// The layout's bytes from data packed by scheme (any general one is told by its tag).
Unpacked Unpack(Scheme scheme, const PanelLayout& layout, std::span<const std::uint8_t> data);

// Each frame XORed with the one before (the first as it is), and back.
void XorInto(std::span<std::uint8_t> frame, std::span<const std::uint8_t> before);

} // namespace pelmora
