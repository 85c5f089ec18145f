// The PNG reader on arbitrary bytes: whole, and scaled row by row onto a small panel,
// turned or not; and the same bytes read by libspng alone, which must give the same
// pixels or the same refusal as the plain reader in front of it. The bytes are tried
// again with every CRC and the image data's Adler-32 made right, so that changes inside
// the chunks reach the readers behind those checks. Pictures are capped small here so
// that a header stating a large one costs no time.

#include "png/png_picture.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include <libdeflate.h>
#include <zlib.h>

namespace {

using namespace pelmora;

constexpr long long kMaxPixels = 1 << 20;
// Room for the rows of any picture of kMaxPixels.
constexpr std::size_t kMaxInflated = std::size_t{8} << 20;

std::uint32_t Big32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
           static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
}

void PutBig32(std::uint8_t* bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    }
}

// Where each byte of the first run of IDAT chunks' data lies in png.
std::vector<std::size_t> DataPlaces(const std::vector<std::uint8_t>& png) {
    std::vector<std::size_t> places;
    bool started = false;
    for (std::size_t at = 8; png.size() - at >= 12;) {
        const std::uint32_t length = Big32(png.data() + at);
        if (length > png.size() - at - 12) {
            break;
        }
        const bool data = std::equal(png.begin() + static_cast<std::ptrdiff_t>(at) + 4,
                                     png.begin() + static_cast<std::ptrdiff_t>(at) + 8, "IDAT");
        if (started && !data) {
            break;
        }
        started = started || data;
        for (std::size_t i = 0; data && i < length; ++i) {
            places.push_back(at + 8 + i);
        }
        at += 12 + length;
    }
    return places;
}

struct FreeDecompressor {
    void operator()(libdeflate_decompressor* decompressor) const {
        libdeflate_free_decompressor(decompressor);
    }
};

// The zlib stream of png's image data, joined.
std::vector<std::uint8_t> Stream(const std::vector<std::uint8_t>& png,
                                 const std::vector<std::size_t>& places) {
    std::vector<std::uint8_t> stream;
    for (const std::size_t place : places) {
        stream.push_back(png[place]);
    }
    return stream;
}

// png with the Adler-32 after its deflate data (as libdeflate inflates it) made right, then
// every chunk's CRC.
std::vector<std::uint8_t> MadeRight(std::vector<std::uint8_t> png) {
    if (png.size() < 8) {
        return png;
    }
    const std::vector<std::size_t> places = DataPlaces(png);
    const std::vector<std::uint8_t> stream = Stream(png, places);
    const std::unique_ptr<libdeflate_decompressor, FreeDecompressor> decompressor(
        libdeflate_alloc_decompressor());
    const std::unique_ptr<std::uint8_t[]> rows(new std::uint8_t[kMaxInflated]);
    std::size_t read = 0;
    std::size_t made = 0;
    if (decompressor && stream.size() > 2 &&
        libdeflate_deflate_decompress_ex(decompressor.get(), stream.data() + 2, stream.size() - 2,
                                         rows.get(), kMaxInflated, &read,
                                         &made) == LIBDEFLATE_SUCCESS &&
        2 + read + 4 <= stream.size()) {
        const std::uint32_t adler = libdeflate_adler32(1, rows.get(), made);
        for (int i = 0; i < 4; ++i) {
            png[places[2 + read + static_cast<std::size_t>(i)]] =
                static_cast<std::uint8_t>(adler >> (24 - 8 * i));
        }
    }
    for (std::size_t at = 8; png.size() - at >= 12;) {
        const std::uint32_t length = Big32(png.data() + at);
        if (length > png.size() - at - 12) {
            break;
        }
        PutBig32(png.data() + at + 8 + length,
                 static_cast<std::uint32_t>(crc32(0, png.data() + at + 4, length + 4)));
        at += 12 + length;
    }
    return png;
}

// The one way the plain reader may part from libspng: a deflate stream that libdeflate
// inflates and zlib refuses (see png_picture.h).
bool ZlibRefusesWhatLibdeflateTakes(const std::vector<std::uint8_t>& png) {
    std::vector<std::uint8_t> stream = Stream(png, DataPlaces(png));
    const std::unique_ptr<std::uint8_t[]> rows(new std::uint8_t[kMaxInflated]);
    z_stream zlib{};
    if (inflateInit(&zlib) != Z_OK) {
        std::abort();
    }
    zlib.next_in = stream.data();
    zlib.avail_in = static_cast<uInt>(stream.size());
    zlib.next_out = rows.get();
    zlib.avail_out = static_cast<uInt>(kMaxInflated);
    const int result = inflate(&zlib, Z_FINISH);
    inflateEnd(&zlib);
    return result != Z_STREAM_END;
}

void Check(const std::vector<std::uint8_t>& data) {
    const std::span<const std::uint8_t> bytes(data);
    const PngDecoded whole = DecodePng(bytes, kMaxPixels);
    if (whole.handled && whole.ok() &&
        whole.picture.rgba.size() != static_cast<std::size_t>(whole.picture.width) *
                                         static_cast<std::size_t>(whole.picture.height) * 4) {
        std::abort();
    }
    if (!whole.ok() && (whole.error.empty() || whole.error.find('\n') != std::string::npos)) {
        std::abort();
    }
    const PngDecoded libspng = DecodePngByLibspng(bytes, kMaxPixels);
    if (libspng.error != whole.error || libspng.picture.width != whole.picture.width ||
        libspng.picture.height != whole.picture.height ||
        libspng.picture.rgba != whole.picture.rgba) {
        if (!(whole.ok() && ZlibRefusesWhatLibdeflateTakes(data))) {
            std::abort();
        }
    }
    const int turn = data.empty() ? 0 : data.back();
    const PanelFit panel{1 + turn % 97, 1 + turn % 61, static_cast<Fit>(turn % 4), 90 * (turn % 3),
                         static_cast<Mirror>(turn % 3)};
    const PngShown shown = DecodePngShown(bytes, panel, kMaxPixels);
    if (shown.ok() != whole.ok() ||
        (shown.ok() && (shown.shown.width != shown.placement.width ||
                        shown.shown.height != shown.placement.height ||
                        shown.placement.panelX + shown.placement.width > panel.width ||
                        shown.placement.panelY + shown.placement.height > panel.height))) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    Check(bytes);
    const std::vector<std::uint8_t> madeRight = MadeRight(bytes);
    if (madeRight != bytes) {
        Check(madeRight);
    }
    return 0;
}
