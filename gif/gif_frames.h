#pragma once

#include "core/prepare/prepare.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <span>
#include <string>

namespace pelmora {

// The frames of a GIF as a viewer shows them, one at a time: each frame drawn over what
// the ones before it left (their disposal honoured), the part of it outside the logical
// screen clipped as browsers clip it, so that frame N is the whole screen at that moment. Nothing
// of a frame outlives the next one, so memory stays that of one screen (two with "restore to
// previous") however many frames the file holds.

// The largest logical screen read: 4096 x 4096, a screen's RGBA is then 64 MiB.
constexpr long long kMaxGifScreenPixels = 4096LL * 4096;
// The most frames read from one file.
constexpr int kMaxGifFrames = 10000;
// What the frames of one file may cost together, so that time is bounded as memory is: each
// frame counts the pixels of its screen (prepared) and of its own rectangle (decoded). Full
// frames of 512 x 512: 512 of them; of 4096 x 4096: 8.
constexpr long long kMaxGifPixels = 1LL << 28;
// The delay of a frame that gives none (0), as browsers show it.
constexpr int kUntimedGifFrameMs = 100;

struct GifFrame {
    RgbaPicture screen; // straight RGBA; alpha 0 where no frame has drawn (or one cleared)
    int delayMs = 0;    // centiseconds x 10; none (0) is kUntimedGifFrameMs
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
    long long pixels_ = 0; // what the frames so far cost, as kMaxGifPixels counts it
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
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    // A C stream rather than an ifstream: the browser page's module then carries no locale.
    std::unique_ptr<std::FILE, Closer> file_;
    std::uint8_t opening_[6] = {}; // read to tell a GIF, then handed to the reader first
    std::size_t openingServed_ = 0;
    std::unique_ptr<GifFrameReader> reader_;
};

} // namespace pelmora
