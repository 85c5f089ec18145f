#include "png/png_picture.h"

#include "core/io/source_file.h"
#include "core/io/utf8_path.h"
#include "core/prepare/resample.h"
#include "png/plain_png.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include <spng.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pelmora {

namespace {

struct FreeContext {
    void operator()(spng_ctx* context) const { spng_ctx_free(context); }
};

// A 16-bit sample to 8 bits as Qt converts it: x / 257, rounded to nearest.
std::uint8_t Narrow(std::uint16_t x) {
    return static_cast<std::uint8_t>((x + 128U - ((x + 128U) >> 8)) >> 8);
}

// count 16-bit samples at from to 8 bits at to; to may be from itself.
void NarrowSamples(const std::uint8_t* from, std::uint8_t* to, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        std::uint16_t sample = 0;
        std::memcpy(&sample, from + 2 * i, 2);
        to[i] = Narrow(sample);
    }
}

// Transparent pixels made transparent black.
void BlackTransparent(std::uint8_t* rgba, std::size_t pixels) {
    for (std::size_t i = 0; i < pixels; ++i, rgba += 4) {
        if (rgba[3] == 0) {
            std::fill_n(rgba, 3, 0);
        }
    }
}

// One line of reason for what libspng refused.
std::string Reason(int error) {
    switch (error) {
    case SPNG_EOF:
    case SPNG_IO_EOF:
    case SPNG_EIDAT_TOO_SHORT:
        return "the picture is cut short (its PNG data ends early)";
    case SPNG_ECHUNK_CRC:
        return "the picture is damaged (a PNG chunk fails its checksum)";
    case SPNG_EZLIB:
    case SPNG_EIDAT_STREAM:
    case SPNG_EFILTER:
        return "the picture is damaged (its PNG data does not decompress)";
    case SPNG_EMEM:
        return kNoMemoryReason;
    default:
        return std::string("the picture could not be read (") + spng_strerror(error) + ")";
    }
}

// Whether a chunk before IEND runs past the end of bytes, or IEND never comes: the file cut
// short, told so whichever chunk it is and whichever reader would meet it first (libspng
// names some such lengths by the chunk's own rules, and leaves its state spoilt by others).
bool ChunksCutShort(std::span<const std::uint8_t> bytes) {
    if (!LooksLikePng(bytes)) {
        return false; // libspng's to name
    }
    for (std::size_t at = 8;;) {
        if (bytes.size() - at < 12) {
            return true;
        }
        const std::uint32_t length = static_cast<std::uint32_t>(bytes[at]) << 24 |
                                     static_cast<std::uint32_t>(bytes[at + 1]) << 16 |
                                     static_cast<std::uint32_t>(bytes[at + 2]) << 8 |
                                     static_cast<std::uint32_t>(bytes[at + 3]);
        if (length > bytes.size() - at - 12) {
            return true;
        }
        if (std::equal(bytes.begin() + static_cast<std::ptrdiff_t>(at) + 4,
                       bytes.begin() + static_cast<std::ptrdiff_t>(at) + 8, "IEND")) {
            return false;
        }
        at += 12 + length;
    }
}

// Text and other ancillary chunks may hold at most this much between them, so that a
// small file cannot make the reader keep a large one.
constexpr std::size_t kMaxChunkCache = std::size_t{64} << 20;

// A plain PNG is inflated whole, and so held whole: up to this much, which an RGB photo of 20
// million pixels stays under. Beyond it libspng reads the rows one at a time.
constexpr std::size_t kMaxPlainBytes = std::size_t{64} << 20;

// One picture being decoded, from the header to the last row.
class Decoder {
  public:
    // plain: whether a plain PNG is read by PlainRows (libspng still judging its chunks),
    // in room if it is large enough.
    explicit Decoder(bool plain = true, std::span<std::uint8_t> room = {})
        : context_(spng_ctx_new(0)), plain_(plain), room_(room) {}

    bool begin(std::span<const std::uint8_t> bytes, long long maxPixels, std::string& error) {
        if (ChunksCutShort(bytes)) {
            error = Reason(SPNG_EOF);
            return false;
        }
        if (plain_ && beginPlain(bytes, maxPixels)) {
            return true;
        }
        if (!context_) {
            error = kNoMemoryReason;
            return false;
        }
        spng_ctx* context = context_.get();
        spng_ihdr header{};
        int result = spng_set_chunk_limits(context, kMaxChunkCache, kMaxChunkCache);
        if (result == 0) {
            result = spng_set_png_buffer(context, bytes.data(), bytes.size());
        }
        if (result == 0) {
            result = spng_get_ihdr(context, &header);
        }
        if (result != 0) {
            error = Reason(result);
            return false;
        }
        if (static_cast<long long>(header.width) * header.height > maxPixels) {
            error = TooManyPixels(header.width, header.height, maxPixels);
            return false;
        }
        width_ = static_cast<int>(header.width);
        height_ = static_cast<int>(header.height);
        wide_ = header.bit_depth == 16;
        interlaced_ = header.interlace_method != SPNG_INTERLACE_NONE;
        // Qt reads a grey picture of up to 8 bits as indexed colours, its transparent grey
        // turned into transparent black.
        if (header.color_type == SPNG_COLOR_TYPE_GRAYSCALE && header.bit_depth <= 8) {
            // Looking for tRNS reads the chunks before the image data: their damage is told
            // here as for any other picture, not as the state it leaves libspng in.
            spng_trns transparency{};
            result = spng_get_trns(context, &transparency);
            if (result != 0 && result != SPNG_ECHUNKAVAIL) {
                error = Reason(result);
                return false;
            }
            blackTransparent_ = result == 0;
        }
        return true;
    }

    int width() const { return width_; }
    int height() const { return height_; }
    bool interlaced() const { return interlaced_; }

    // Every row in turn, in order: handed to done(y, row) as 8-bit RGBA.
    bool rows(const std::function<void(int, const std::uint8_t*)>& done, std::string& error) {
        if (plainRows_) {
            std::vector<std::uint8_t> line(static_cast<std::size_t>(width_) * 4);
            for (int y = 0; y < height_; ++y) {
                plainRows_->next(line.data());
                done(y, line.data());
            }
            return true;
        }
        spng_ctx* context = context_.get();
        const int format = wide_ ? SPNG_FMT_RGBA16 : SPNG_FMT_RGBA8;
        const std::size_t pixels = static_cast<std::size_t>(width_);
        std::vector<std::uint8_t> raw(pixels * (wide_ ? 8 : 4));
        std::vector<std::uint8_t> line(wide_ ? pixels * 4 : 0);
        int result = spng_decode_image(context, nullptr, 0, format,
                                       SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE);
        for (int y = 0; result == 0 && y < height_; ++y) {
            result = spng_decode_row(context, raw.data(), raw.size());
            if (result != 0 && !(result == SPNG_EOI && y + 1 == height_)) {
                break;
            }
            result = 0;
            if (wide_) {
                NarrowSamples(raw.data(), line.data(), pixels * 4);
            } else if (blackTransparent_) {
                BlackTransparent(raw.data(), pixels);
            }
            done(y, wide_ ? line.data() : raw.data());
        }
        if (result == 0) {
            result = readToEnd();
        }
        if (result != 0) {
            error = Reason(result);
            return false;
        }
        return true;
    }

    // The whole picture at once, as an interlaced one must be decoded.
    bool whole(RgbaPicture& picture, std::string& error) {
        spng_ctx* context = context_.get();
        const int format = wide_ ? SPNG_FMT_RGBA16 : SPNG_FMT_RGBA8;
        std::size_t size = 0;
        int result = spng_decoded_image_size(context, format, &size);
        if (result == 0) {
            picture.rgba.resize(size);
            result =
                spng_decode_image(context, picture.rgba.data(), size, format, SPNG_DECODE_TRNS);
        }
        if (result == 0) {
            result = readToEnd();
        }
        if (result != 0) {
            error = Reason(result);
            return false;
        }
        picture.width = width_;
        picture.height = height_;
        if (wide_) {
            // In place: each 8-bit sample lands at or before the 16-bit one it comes from.
            NarrowSamples(picture.rgba.data(), picture.rgba.data(), size / 2);
            picture.rgba.resize(size / 2);
            picture.rgba.shrink_to_fit();
        } else if (blackTransparent_) {
            BlackTransparent(picture.rgba.data(), picture.rgba.size() / 4);
        }
        return true;
    }

  private:
    // A plain PNG read by PlainRows, when libspng accepts every other chunk of it as they
    // stand in a file of one pixel: then it would accept the whole file, and decode the
    // same pixels. Anything else is left to libspng alone, which gives the reasons.
    bool beginPlain(std::span<const std::uint8_t> bytes, long long maxPixels) {
        const std::optional<PlainLayout> layout = FindPlainLayout(bytes, maxPixels, kMaxPlainBytes);
        if (!layout) {
            return false;
        }
        const std::vector<std::uint8_t> standIn = StandIn(bytes, *layout);
        Decoder judge(false);
        std::string refused;
        if (!judge.begin(standIn, maxPixels, refused) ||
            !judge.rows([](int, const std::uint8_t*) {}, refused)) {
            return false;
        }
        plainRows_ = PlainRows::Inflate(bytes, *layout, room_);
        if (!plainRows_) {
            return false;
        }
        width_ = layout->width;
        height_ = layout->height;
        return true;
    }

    // The chunks after the image data, up to the closing one: a file cut anywhere is
    // refused, even where every row was already whole.
    int readToEnd() {
        spng_time time{};
        const int result = spng_get_time(context_.get(), &time);
        return result == SPNG_ECHUNKAVAIL ? 0 : result;
    }

    std::unique_ptr<spng_ctx, FreeContext> context_;
    bool plain_;
    std::span<std::uint8_t> room_;
    std::optional<PlainRows> plainRows_;
    int width_ = 0;
    int height_ = 0;
    bool wide_ = false;
    bool blackTransparent_ = false;
    bool interlaced_ = false;
};

bool DecodeAll(Decoder& decoder, RgbaPicture& picture, std::string& error) {
    if (decoder.interlaced()) {
        return decoder.whole(picture, error);
    }
    picture.width = decoder.width();
    picture.height = decoder.height();
    const std::size_t row = static_cast<std::size_t>(picture.width) * 4;
    picture.rgba.resize(row * static_cast<std::size_t>(picture.height));
    return decoder.rows(
        [&](int y, const std::uint8_t* pixels) {
            std::memcpy(picture.rgba.data() + row * static_cast<std::size_t>(y), pixels, row);
        },
        error);
}

PngDecoded DecodeWhole(std::span<const std::uint8_t> bytes, long long maxPixels, bool plain,
                       std::span<std::uint8_t> room = {}) {
    PngDecoded out;
    out.handled = true;
    Decoder decoder(plain, room);
    if (!decoder.begin(bytes, maxPixels, out.error)) {
        return out;
    }
    if (!DecodeAll(decoder, out.picture, out.error)) {
        out.picture = {};
        return out;
    }
    return out;
}

PngShown DecodeShown(std::span<const std::uint8_t> bytes, const PanelFit& panel,
                     long long maxPixels, std::span<std::uint8_t> room = {}) {
    PngShown out;
    out.handled = true;
    Decoder decoder(true, room);
    if (!decoder.begin(bytes, maxPixels, out.error)) {
        return out;
    }
    if (!decoder.interlaced() && (panel.rotate % 360 != 0 || panel.mirror != Mirror::None)) {
        // Turned, and still scaled row by row as decoded: the turn of a picture of this size.
        const RgbaPicture shape{decoder.width(), decoder.height(), {}};
        const TurnedView view = TurnedView(shape).turned(panel.rotate, panel.mirror);
        out.placement =
            PlacePicture(view.width(), view.height(), panel.width, panel.height, panel.fit);
        TurnedAreaScaler scaler(view, out.placement);
        if (decoder.rows([&](int y, const std::uint8_t* row) { scaler.add(y, shape.width, row); },
                         out.error)) {
            out.shown = scaler.take();
        }
        return out;
    }
    if (decoder.interlaced()) {
        // Interlaced rows come in passes: the picture is made whole first.
        RgbaPicture picture;
        if (!DecodeAll(decoder, picture, out.error)) {
            return out;
        }
        const TurnedView view = TurnedView(picture).turned(panel.rotate, panel.mirror);
        out.placement =
            PlacePicture(view.width(), view.height(), panel.width, panel.height, panel.fit);
        out.shown = ShownPart(view, out.placement);
        return out;
    }
    out.placement =
        PlacePicture(decoder.width(), decoder.height(), panel.width, panel.height, panel.fit);
    AreaScaler scaler(out.placement);
    if (!decoder.rows([&](int y, const std::uint8_t* row) { scaler.add(y, row); }, out.error)) {
        return out;
    }
    out.shown = scaler.take();
    return out;
}

#ifndef _WIN32
struct CloseDescriptor {
    int descriptor;
    ~CloseDescriptor() { ::close(descriptor); }
};

// A regular PNG file read whole into memory with the room a plain PNG's rows need after
// it: in huge pages where Linux gives them, a photo's file and rows fault in at once,
// where a file read as every picture file is read faults in a page at a time. nullopt
// for anything unusual (not a regular file, too large, changing as it is read, no
// memory), which is then read that way.
template <typename Result, typename Decode>
std::optional<Result> ReadWithRoom(const std::string& path, Decode& decode) {
    const int descriptor = ::open(PathFromUtf8(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        return std::nullopt;
    }
    const CloseDescriptor closer{descriptor};
    struct stat status {};
    std::uint8_t start[33];
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) ||
        status.st_size < static_cast<off_t>(sizeof start) ||
        static_cast<std::uintmax_t>(status.st_size) > kMaxPictureFileBytes ||
        pread(descriptor, start, sizeof start, 0) != static_cast<ssize_t>(sizeof start) ||
        !LooksLikePng(start)) {
        return std::nullopt;
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    const std::size_t room = PlainRoom(start, size, kMaxPicturePixels, kMaxPlainBytes);
    try {
        const LargeMemory memory(size + room);
        for (std::size_t got = 0; got < size;) {
            const ssize_t read = ::read(descriptor, memory.data() + got, size - got);
            if (read < 0 && errno == EINTR) {
                continue;
            }
            if (read <= 0) {
                return std::nullopt;
            }
            got += static_cast<std::size_t>(read);
        }
        std::uint8_t more = 0;
        if (::read(descriptor, &more, 1) != 0) {
            return std::nullopt;
        }
        return decode(std::span<const std::uint8_t>(memory.data(), size),
                      std::span<std::uint8_t>(memory.data() + size, room));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}
#endif

// The file at path decoded by decode(bytes, room).
template <typename Result, typename Decode> Result ReadPng(const std::string& path, Decode decode) {
#ifndef _WIN32
    if (std::optional<Result> read = ReadWithRoom<Result>(path, decode)) {
        return std::move(*read);
    }
#endif
    return DecodePictureFile<Result>(path, 8, LooksLikePng, [&](const auto& bytes) {
        return decode(bytes, std::span<std::uint8_t>());
    });
}

} // namespace

bool LooksLikePng(std::span<const std::uint8_t> bytes) {
    constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return bytes.size() >= sizeof kSignature &&
           std::equal(kSignature, kSignature + sizeof kSignature, bytes.begin());
}

PngDecoded DecodePng(std::span<const std::uint8_t> bytes, long long maxPixels) {
    try {
        return DecodeWhole(bytes, maxPixels, true);
    } catch (const std::bad_alloc&) {
        return {true, {}, kNoMemoryReason};
    }
}

PngDecoded DecodePngByLibspng(std::span<const std::uint8_t> bytes, long long maxPixels) {
    try {
        return DecodeWhole(bytes, maxPixels, false);
    } catch (const std::bad_alloc&) {
        return {true, {}, kNoMemoryReason};
    }
}

PngShown DecodePngShown(std::span<const std::uint8_t> bytes, const PanelFit& panel,
                        long long maxPixels) {
    try {
        return DecodeShown(bytes, panel, maxPixels);
    } catch (const std::bad_alloc&) {
        return {true, {}, {}, kNoMemoryReason};
    }
}

PngDecoded ReadPngFile(const std::string& path) {
    return ReadPng<PngDecoded>(path, [](const auto& bytes, std::span<std::uint8_t> room) {
        try {
            return DecodeWhole(bytes, kMaxPicturePixels, true, room);
        } catch (const std::bad_alloc&) {
            return PngDecoded{true, {}, kNoMemoryReason};
        }
    });
}

PngShown ReadPngShown(const std::string& path, const PanelFit& panel) {
    return ReadPng<PngShown>(path, [&](const auto& bytes, std::span<std::uint8_t> room) {
        try {
            return DecodeShown(bytes, panel, kMaxPicturePixels, room);
        } catch (const std::bad_alloc&) {
            return PngShown{true, {}, {}, kNoMemoryReason};
        }
    });
}

} // namespace pelmora
