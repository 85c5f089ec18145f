#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace pelmora {

constexpr int kBlockWidth = 64;  // columns driven by one controller half
constexpr int kPageHeight = 8;   // rows packed into one display byte
constexpr int kPanelWidth = 128; // the panel of the two 64-column halves
constexpr int kPanelHeight = 64;
constexpr int kMaxPanelSide = 4096;

// How a panel takes its bytes. Halves: blocks of blockWidth columns, each page by page,
// column by column. Pages: the same in one block as wide as the panel. Rows: row by row
// from the top, each row padded to whole bytes. A page is 8 rows at one bit a dot, 4 at
// two, 2 at four, each byte holding one column's dots. BitPlanes: pages of 8 rows where
// each column takes depth bytes, the first holding the top bit of its 8 dots' levels,
// the last bit 0.
enum class Arrangement { Halves, Pages, Rows, BitPlanes };

// Which bits hold the first dot of a byte: the lowest for Lsb, the highest for Msb; the
// first dot is the top one in pages, the leftmost in rows.
enum class BitOrder { Lsb, Msb };

// Tri-colour e-paper: two one-bit planes, the black one then the colour one; a dot is
// white, black or the colour (levels 0, 1 and 2), ink in at most one plane.
enum class Colours { None, BlackRed, BlackYellow };

// A plane of the opaque dots: after the picture's planes, in its layout at one bit a dot;
// or interleaved as Arduboy's drawPlusMask reads it (width, height, then each picture
// byte in pages followed by its mask byte).
enum class MaskForm { None, Plane, Interleaved };

constexpr int kMaxDepth = 4;

struct PanelLayout {
    int width = kPanelWidth;
    int height = kPanelHeight;
    Arrangement arrangement = Arrangement::Halves;
    int blockWidth = kBlockWidth;
    BitOrder bitOrder = BitOrder::Lsb;
    int depth = 1;                   // bits a dot: 1, 2 or 4
    int ramWidth = 0;                // columns written for each page or row; 0: the width
    int xOffset = 0;                 // the picture's first column in those
    Colours colours = Colours::None; // two planes of tri-colour e-paper
    bool inkIsZero = false;          // e-paper planes: 0 marks ink, 1 is white
    MaskForm mask = MaskForm::None;

    // One bit a dot in one plane, every column the picture's: the layouts ByteWalk walks.
    bool plain() const {
        return depth == 1 && (ramWidth == 0 || ramWidth == width) && xOffset == 0 &&
               arrangement != Arrangement::BitPlanes && colours == Colours::None &&
               mask == MaskForm::None;
    }
    int ramColumns() const { return ramWidth == 0 ? width : ramWidth; }
    int blockCount() const { return arrangement == Arrangement::Halves ? width / blockWidth : 1; }
    // As the geometry line names it: the block width, or the panel's width.
    int blockColumns() const { return arrangement == Arrangement::Halves ? blockWidth : width; }
    // The columns one block's pages hold: RAM columns where the controller has more.
    int pageColumns() const {
        return arrangement == Arrangement::Halves ? blockWidth : ramColumns();
    }
    int pageRows() const {
        return arrangement == Arrangement::BitPlanes ? kPageHeight : kPageHeight / depth;
    }
    // Bands of pageRows rows; in rows, every row is a band of its own.
    int pageCount() const {
        return arrangement == Arrangement::Rows ? height : (height + pageRows() - 1) / pageRows();
    }
    int rowBytes() const { return (ramColumns() * depth + 7) / 8; }
    std::size_t blockBytes() const {
        return arrangement == Arrangement::Rows
                   ? static_cast<std::size_t>(rowBytes()) * static_cast<std::size_t>(height)
                   : static_cast<std::size_t>(pageColumns()) *
                         static_cast<std::size_t>(pageCount()) *
                         static_cast<std::size_t>(arrangement == Arrangement::BitPlanes ? depth
                                                                                        : 1);
    }
    // The bytes of one plane of the picture.
    std::size_t planeBytes() const { return blockBytes() * static_cast<std::size_t>(blockCount()); }
    // The bytes of the mask's plane: the layout at one bit a dot.
    std::size_t maskBytes() const;
    // Every byte written: the picture's planes, then the mask.
    std::size_t byteCount() const;

    bool operator==(const PanelLayout&) const = default;
};

// The dots that one byte holds: dot i lies at (x + i * dx, y + i * dy) for i below count;
// the rest of the byte is padding, always 0.
struct ByteDots {
    int x = 0;
    int y = 0;
    int dx = 0;
    int dy = 1;
    int count = 8;
};

// The one walk over a panel: where the dots of each byte lie, in output order. Packing and
// unpacking both go through it, so the two cannot drift apart. It starts at any byte and
// then steps from byte to byte without dividing.
class ByteWalk {
  public:
    ByteWalk(const PanelLayout& layout, std::size_t index);
    const ByteDots& dots() const { return dots_; }
    void next();

  private:
    int width_;
    int height_;
    bool rows_;
    int blockColumns_;
    int blockStart_ = 0; // the block's first column (pages and halves)
    ByteDots dots_;
};

// Where the dots of byte index lie.
inline ByteDots DotsOfByte(const PanelLayout& layout, std::size_t index) {
    return ByteWalk(layout, index).dots();
}

// The bit of a byte that holds its dot i.
constexpr int BitOfDot(const PanelLayout& layout, int i) {
    return layout.bitOrder == BitOrder::Lsb ? i : 7 - i;
}

// Why the layout cannot be used, or empty: sizes 1 to 4096, blocks that fit the width,
// depth 1, 2 or 4, the picture inside the RAM's columns, planes and masks that go together.
std::string CheckLayout(const PanelLayout& layout);

// "halves", "pages", "rows", "bitplanes"; "lsb", "msb"; "black-red", "black-yellow".
std::string_view NameOf(Arrangement arrangement);
std::string_view NameOf(BitOrder order);
std::string_view NameOf(Colours colours);
std::optional<Arrangement> ArrangementNamed(std::string_view name);
std::optional<Colours> ColoursNamed(std::string_view name);

// The most a dot's level can be: 1 at one bit, 3 at two, 15 at four; 2 for tri-colour.
int TopLevel(const PanelLayout& layout);

} // namespace pelmora
