#pragma once

#include <cstddef>
#include <string>

namespace pelmora {

constexpr int kBlockWidth = 64;  // columns driven by one controller half
constexpr int kPageHeight = 8;   // rows packed into one display byte
constexpr int kPanelWidth = 128; // the panel of the two 64-column halves
constexpr int kPanelHeight = 64;
constexpr int kMaxPanelSide = 4096;

// How a panel takes its bytes. Halves: blocks of blockWidth columns, each page by page
// (8 rows), column by column. Pages: the same in one block as wide as the panel. Rows:
// row by row from the top, each row padded to whole bytes.
enum class Arrangement { Halves, Pages, Rows };

// Which bit holds the first dot of a byte: the top one in pages, the leftmost in rows.
enum class BitOrder { Lsb, Msb };

struct PanelLayout {
    int width = kPanelWidth;
    int height = kPanelHeight;
    Arrangement arrangement = Arrangement::Halves;
    int blockWidth = kBlockWidth;
    BitOrder bitOrder = BitOrder::Lsb;

    int blockCount() const { return arrangement == Arrangement::Halves ? width / blockWidth : 1; }
    int blockColumns() const { return arrangement == Arrangement::Halves ? blockWidth : width; }
    // 8-row bands; in rows, every row is a band of its own.
    int pageCount() const {
        return arrangement == Arrangement::Rows ? height : (height + kPageHeight - 1) / kPageHeight;
    }
    int rowBytes() const { return (width + 7) / 8; }
    std::size_t blockBytes() const {
        return arrangement == Arrangement::Rows
                   ? static_cast<std::size_t>(rowBytes()) * static_cast<std::size_t>(height)
                   : static_cast<std::size_t>(blockColumns()) *
                         static_cast<std::size_t>(pageCount());
    }
    std::size_t byteCount() const { return blockBytes() * static_cast<std::size_t>(blockCount()); }

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

// Why the layout cannot be used, or empty: sizes 1 to 4096, blocks that fit the width.
std::string CheckLayout(const PanelLayout& layout);

// "halves", "pages", "rows"; "lsb", "msb".
std::string_view NameOf(Arrangement arrangement);
std::string_view NameOf(BitOrder order);

} // namespace pelmora
