#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace pelmora {

// The PNG most files are: 8 bits a sample, grey, grey and alpha, RGB or RGBA, not
// interlaced, no tRNS chunk. Its image data is inflated in one call by libdeflate and
// unfiltered here, which is twice as fast as libspng inflating a row at a time. This
// reader only takes a file it is sure of and never refuses one: anything else, or
// anything wrong, gives nullopt, and libspng then reads the file and gives the reason.
// It checks the header, the image data's chunks and the zlib stream itself (CRCs, the
// Adler-32, every row whole and nothing after them); every other chunk is libspng's to
// judge, in the stand-in file that StandIn makes.

// Where the chunks of a plain PNG lie in its bytes, and the picture they hold.
struct PlainLayout {
    int width = 0;
    int height = 0;
    int channels = 0;          // 1 grey, 2 grey and alpha, 3 RGB, 4 RGBA
    std::size_t dataBegin = 0; // the first of the consecutive IDAT chunks after the header
    std::size_t dataEnd = 0;   // just past the last of them
    std::size_t end = 0;       // just past IEND
    std::size_t rowBytes() const { return static_cast<std::size_t>(width) * channels; }
};

// The layout of png when it is a plain PNG of at most maxPixels whose inflated rows take
// no more than maxInflated bytes; nullopt for any other file.
std::optional<PlainLayout> FindPlainLayout(std::span<const std::uint8_t> png, long long maxPixels,
                                           std::size_t maxInflated);

// The room PlainRows::Inflate needs for a file of fileSize bytes that begins with start (its
// signature and header, 33 bytes), should it be a plain PNG within the limits; 0 when its
// header already says it is not one.
std::size_t PlainRoom(std::span<const std::uint8_t> start, std::size_t fileSize,
                      long long maxPixels, std::size_t maxInflated);

// Memory of the size asked for, untouched. Fresh pages fault in one at a time as they are
// first written, each fault costing more than inflating the page; where Linux gives huge
// pages, a large block takes them, 2 MiB faulting in at once.
class LargeMemory {
  public:
    explicit LargeMemory(std::size_t size); // throws std::bad_alloc
    LargeMemory(const LargeMemory&) = delete;
    LargeMemory& operator=(const LargeMemory&) = delete;
    ~LargeMemory();
    std::uint8_t* data() const { return data_; }

  private:
    // Used only where Linux maps the memory; other systems take it from the heap.
    [[maybe_unused]] void* mapped_ = nullptr;
    [[maybe_unused]] std::size_t mappedSize_ = 0;
    std::unique_ptr<std::uint8_t[]> heap_;
    std::uint8_t* data_ = nullptr;
};

// png with a 1 x 1 picture of the same kind in place of its header and image data, every
// other chunk as it is, up to IEND: what libspng makes of it is what it makes of png's
// chunks.
std::vector<std::uint8_t> StandIn(std::span<const std::uint8_t> png, const PlainLayout& layout);

// The rows of a plain PNG, inflated whole and unfiltered one at a time as they are asked
// for.
class PlainRows {
  public:
    // nullopt when the data is not one zlib stream of exactly the rows with its Adler-32
    // right, or a row's filter is unknown, or there is no memory for it. room, when it is
    // as large as PlainRoom says, is used instead of memory of its own; it must outlive the
    // rows.
    static std::optional<PlainRows> Inflate(std::span<const std::uint8_t> png,
                                            const PlainLayout& layout,
                                            std::span<std::uint8_t> room = {});

    const PlainLayout& layout() const { return layout_; }
    // The next row, from the top, as 8-bit RGBA: width pixels of 4 bytes into out.
    void next(std::uint8_t* out);

  private:
    explicit PlainRows(const PlainLayout& layout) : layout_(layout) {}

    PlainLayout layout_;
    std::unique_ptr<LargeMemory> memory_; // when no room was given
    std::uint8_t* rows_ = nullptr;        // each row its filter byte, then its bytes
    std::vector<std::uint8_t> zeros_;     // the row above the first
    int y_ = 0;
};

} // namespace pelmora
