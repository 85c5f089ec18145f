#pragma once

#include "core/prepare/prepare.h"

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <span>
#include <string>

namespace pelmora {

// The frames of a GIF as a viewer shows them, one at a time: each frame drawn over what
// the ones before it left (their disposal honoured), so that frame N is the whole logical
// screen at that moment. Nothing of a frame outlives the next one, so memory stays that of
// one screen (two with "restore to previous") however many frames the file holds.

// The largest logical screen read: 4096 x 4096, a screen's RGBA is then 64 MiB.
constexpr long long kMaxGifScreenPixels = 4096LL * 4096;
// The most frames read from one file.
constexpr int kMaxGifFrames = 10000;

struct GifFrame {
    RgbaPicture screen; // straight RGBA; alpha 0 where no frame has drawn (or one cleared)
    int delayMs = 0;    // the frame's delay: centiseconds x 10, 0 kept as 0
    int number = 0;     // from 0, in file order
};

// Whether bytes begin as a GIF does.
bool LooksLikeGif(std::span<const std::uint8_t> bytes);

class GifFrameReader {
  public:
    // Reads from bytes, which must outlive the reader.
    explicit GifFrameReader(std::span<const std::uint8_t> bytes);
    // Reads through read, which fills up to wanted bytes and gives how many it gave (fewer
    // only at the end): a file is read as it is decoded, never held whole.
    using ReadBytes = std::function<std::size_t(std::uint8_t* into, std::size_t wanted)>;
    explicit GifFrameReader(ReadBytes read);
    GifFrameReader(const GifFrameReader&) = delete;
    GifFrameReader& operator=(const GifFrameReader&) = delete;
    ~GifFrameReader();

    // The next frame into frame (its storage reused); false at the end of the file or when
    // it cannot be read, and then error() says why (empty at a clean end).
    bool next(GifFrame& frame);
    const std::string& error() const { return error_; }
    int width() const { return width_; }
    int height() const { return height_; }

  private:
    struct Decoder;
    bool fail(std::string reason);
    bool readImage(GifFrame& frame);

    std::unique_ptr<Decoder> decoder_;
    std::string error_;
    int width_ = 0;
    int height_ = 0;
    int frames_ = 0;
    bool ended_ = false;
};

// The frames of the GIF file at path (UTF-8), read as they are decoded: a long animation
// is never held whole.
class GifFile {
  public:
    explicit GifFile(const std::string& path);
    GifFile(const GifFile&) = delete; // the reader reads through this very file
    GifFile& operator=(const GifFile&) = delete;

    // Whether the file opens as a GIF does; nothing else is read of another file.
    bool isGif() const { return reader_ != nullptr; }
    // As GifFrameReader::next; false at once for a file that is no GIF.
    bool next(GifFrame& frame);
    // Why the frames stopped before the end: the file or its GIF; empty at a clean end.
    std::string error() const;

  private:
    std::ifstream file_;
    std::unique_ptr<GifFrameReader> reader_;
};

} // namespace pelmora
