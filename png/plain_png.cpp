#include "png/plain_png.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

#include <libdeflate.h>

namespace pelmora {

namespace {

constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t kHeaderEnd = sizeof kSignature + 12 + 13;
constexpr std::uint32_t kMaxLength = 0x7FFFFFFF; // chunk lengths and sides alike

std::uint32_t Big32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
           static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
}

void PutBig32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

bool Named(const std::uint8_t* type, const char* name) {
    return std::memcmp(type, name, 4) == 0;
}

// The chunk at chunk (its length field) holds the CRC of its type and data.
bool CrcRight(const std::uint8_t* chunk, std::uint32_t length) {
    return libdeflate_crc32(0, chunk + 4, std::size_t{length} + 4) == Big32(chunk + 8 + length);
}

void PutChunk(std::vector<std::uint8_t>& out, const char* type,
              std::span<const std::uint8_t> data) {
    PutBig32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBig32(out, static_cast<std::uint32_t>(
                      libdeflate_crc32(0, out.data() + start, out.size() - start)));
}

int Paeth(int a, int b, int c) {
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// row undone from its filter, given the row above (already undone). The pixel to the left
// is kept in registers: through memory, each byte would wait on the store before it.
template <int N>
void Unfilter(int filter, std::uint8_t* row, const std::uint8_t* above, std::size_t bytes) {
    std::uint8_t left[N] = {};
    std::uint8_t corner[N] = {};
    switch (filter) {
    case 1: // Sub
        for (std::size_t i = 0; i < bytes; i += N) {
            for (int c = 0; c < N; ++c) {
                left[c] = static_cast<std::uint8_t>(row[i + c] + left[c]);
                row[i + c] = left[c];
            }
        }
        break;
    case 2: // Up
        for (std::size_t i = 0; i < bytes; ++i) {
            row[i] = static_cast<std::uint8_t>(row[i] + above[i]);
        }
        break;
    case 3: // Average
        for (std::size_t i = 0; i < bytes; i += N) {
            for (int c = 0; c < N; ++c) {
                left[c] = static_cast<std::uint8_t>(row[i + c] + ((left[c] + above[i + c]) >> 1));
                row[i + c] = left[c];
            }
        }
        break;
    case 4: // Paeth
        for (std::size_t i = 0; i < bytes; i += N) {
            for (int c = 0; c < N; ++c) {
                const std::uint8_t up = above[i + c];
                left[c] = static_cast<std::uint8_t>(row[i + c] + Paeth(left[c], up, corner[c]));
                row[i + c] = left[c];
                corner[c] = up;
            }
        }
        break;
    default: // None
        break;
    }
}

struct FreeDecompressor {
    void operator()(libdeflate_decompressor* decompressor) const {
        libdeflate_free_decompressor(decompressor);
    }
};

} // namespace

LargeMemory::LargeMemory(std::size_t size) {
#ifdef __linux__
    constexpr std::size_t kHuge = std::size_t{2} << 20;
    if (size >= kHuge / 2) {
        const std::size_t huge = (size + kHuge - 1) / kHuge * kHuge;
        void* mapped =
            mmap(nullptr, huge + kHuge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped != MAP_FAILED) {
            mapped_ = mapped;
            mappedSize_ = huge + kHuge;
            const auto start = reinterpret_cast<std::uintptr_t>(mapped);
            data_ = reinterpret_cast<std::uint8_t*>((start + kHuge - 1) / kHuge * kHuge);
            madvise(data_, huge, MADV_HUGEPAGE); // a hint: without it, small pages
            return;
        }
    }
#endif
    heap_.reset(new std::uint8_t[size]);
    data_ = heap_.get();
}

LargeMemory::~LargeMemory() {
#ifdef __linux__
    if (mapped_ != nullptr) {
        munmap(mapped_, mappedSize_);
    }
#endif
}

namespace {

// The picture png's signature and header state, when they are a plain PNG's within the
// limits: its layout, but for where the chunks lie.
std::optional<PlainLayout> PlainHeader(std::span<const std::uint8_t> png, long long maxPixels,
                                       std::size_t maxInflated) {
    const std::uint8_t* bytes = png.data();
    if (png.size() < kHeaderEnd || !std::equal(kSignature, kSignature + sizeof kSignature, bytes) ||
        Big32(bytes + 8) != 13 || !Named(bytes + 12, "IHDR") || !CrcRight(bytes + 8, 13)) {
        return std::nullopt;
    }
    const std::uint32_t width = Big32(bytes + 16);
    const std::uint32_t height = Big32(bytes + 20);
    const int type = bytes[25];
    const int channels = type == 0 ? 1 : type == 2 ? 3 : type == 4 ? 2 : type == 6 ? 4 : 0;
    if (bytes[24] != 8 || channels == 0 || bytes[26] != 0 || bytes[27] != 0 || bytes[28] != 0 ||
        width == 0 || height == 0 || width > kMaxLength || height > kMaxLength ||
        static_cast<long long>(width) * height > maxPixels ||
        height > maxInflated / (1 + std::size_t{width} * channels)) {
        return std::nullopt;
    }
    PlainLayout layout;
    layout.width = static_cast<int>(width);
    layout.height = static_cast<int>(height);
    layout.channels = channels;
    return layout;
}

// The rows, then the data joined (no more than the file).
std::size_t RoomFor(const PlainLayout& layout, std::size_t fileSize) {
    return (1 + layout.rowBytes()) * static_cast<std::size_t>(layout.height) + fileSize;
}

} // namespace

std::size_t PlainRoom(std::span<const std::uint8_t> start, std::size_t fileSize,
                      long long maxPixels, std::size_t maxInflated) {
    const std::optional<PlainLayout> layout = PlainHeader(start, maxPixels, maxInflated);
    return layout ? RoomFor(*layout, fileSize) : 0;
}

std::optional<PlainLayout> FindPlainLayout(std::span<const std::uint8_t> png, long long maxPixels,
                                           std::size_t maxInflated) {
    std::optional<PlainLayout> header = PlainHeader(png, maxPixels, maxInflated);
    if (!header) {
        return std::nullopt;
    }
    PlainLayout& layout = *header;
    const std::uint8_t* bytes = png.data();
    bool inData = false;
    for (std::size_t at = kHeaderEnd;;) {
        if (png.size() - at < 12) {
            return std::nullopt;
        }
        const std::uint32_t length = Big32(bytes + at);
        if (length > kMaxLength || png.size() - at - 12 < length) {
            return std::nullopt;
        }
        const std::uint8_t* type = bytes + at + 4;
        const std::size_t next = at + 12 + length;
        if (Named(type, "IDAT") && (layout.dataBegin == 0 || inData)) {
            if (!CrcRight(bytes + at, length)) {
                return std::nullopt;
            }
            layout.dataBegin = layout.dataBegin == 0 ? at : layout.dataBegin;
            layout.dataEnd = next;
            inData = true;
        } else {
            inData = false;
            // A transparent colour changes the pixels; libspng applies it.
            if (Named(type, "tRNS")) {
                return std::nullopt;
            }
            if (Named(type, "IEND")) {
                if (layout.dataBegin == 0) {
                    return std::nullopt;
                }
                layout.end = next;
                return header;
            }
        }
        at = next;
    }
}

std::vector<std::uint8_t> StandIn(std::span<const std::uint8_t> png, const PlainLayout& layout) {
    std::vector<std::uint8_t> out(kSignature, kSignature + sizeof kSignature);
    out.reserve(kHeaderEnd + (layout.dataBegin - kHeaderEnd) + 32 + (layout.end - layout.dataEnd));
    const std::uint8_t header[13] = {0, 0, 0, 1, 0, 0, 0, 1, 8, png[25], 0, 0, 0};
    PutChunk(out, "IHDR", header);
    out.insert(out.end(), png.begin() + kHeaderEnd, png.begin() + layout.dataBegin);
    // The one row, its filter byte and pixel all zero, in a stored deflate block.
    const auto rowBytes = static_cast<std::uint8_t>(1 + layout.channels);
    const std::uint8_t zeros[5] = {};
    std::vector<std::uint8_t> stream = {
        0x78, 0x01, 0x01, rowBytes, 0, static_cast<std::uint8_t>(~rowBytes), 0xFF};
    stream.insert(stream.end(), zeros, zeros + rowBytes);
    PutBig32(stream, libdeflate_adler32(1, zeros, rowBytes));
    PutChunk(out, "IDAT", stream);
    out.insert(out.end(), png.begin() + layout.dataEnd, png.begin() + layout.end);
    return out;
}

std::optional<PlainRows> PlainRows::Inflate(std::span<const std::uint8_t> png,
                                            const PlainLayout& layout,
                                            std::span<std::uint8_t> room) {
    try {
        // The data of the chunks one after the other; a lone chunk's read where it lies.
        std::vector<std::span<const std::uint8_t>> pieces;
        std::size_t total = 0;
        for (std::size_t at = layout.dataBegin; at < layout.dataEnd;) {
            const std::uint32_t length = Big32(png.data() + at);
            pieces.push_back(png.subspan(at + 8, length));
            total += length;
            at += 12 + length;
        }
        // The rows first, then the data joined when it lies in more than one chunk.
        const std::size_t stride = 1 + layout.rowBytes();
        const std::size_t size = stride * static_cast<std::size_t>(layout.height);
        PlainRows rows(layout);
        if (room.size() >= RoomFor(layout, png.size())) {
            rows.rows_ = room.data();
        } else {
            rows.memory_ = std::make_unique<LargeMemory>(size + (pieces.size() > 1 ? total : 0));
            rows.rows_ = rows.memory_->data();
        }
        std::span<const std::uint8_t> stream = pieces.front();
        if (pieces.size() > 1) {
            std::uint8_t* to = rows.rows_ + size;
            for (const auto& piece : pieces) {
                to = std::copy(piece.begin(), piece.end(), to);
            }
            stream = {rows.rows_ + size, total};
        }
        const std::unique_ptr<libdeflate_decompressor, FreeDecompressor> decompressor(
            libdeflate_alloc_decompressor());
        std::size_t read = 0;
        std::size_t made = 0;
        if (!decompressor ||
            libdeflate_zlib_decompress_ex(decompressor.get(), stream.data(), stream.size(),
                                          rows.rows_, size, &read, &made) != LIBDEFLATE_SUCCESS ||
            read != stream.size() || made != size) {
            return std::nullopt;
        }
        for (std::size_t at = 0; at < size; at += stride) {
            if (rows.rows_[at] > 4) {
                return std::nullopt;
            }
        }
        rows.zeros_.assign(layout.rowBytes(), 0);
        return rows;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

void PlainRows::next(std::uint8_t* out) {
    const std::size_t bytes = layout_.rowBytes();
    std::uint8_t* row = rows_ + (1 + bytes) * static_cast<std::size_t>(y_);
    const std::uint8_t* above = y_ == 0 ? zeros_.data() : row - bytes;
    const int filter = row[0];
    ++row;
    const int width = layout_.width;
    switch (layout_.channels) {
    case 1:
        Unfilter<1>(filter, row, above, bytes);
        for (int x = 0; x < width; ++x, out += 4) {
            std::memset(out, row[x], 3);
            out[3] = 255;
        }
        break;
    case 2:
        Unfilter<2>(filter, row, above, bytes);
        for (int x = 0; x < width; ++x, out += 4, row += 2) {
            std::memset(out, row[0], 3);
            out[3] = row[1];
        }
        break;
    case 3:
        Unfilter<3>(filter, row, above, bytes);
        for (int x = 0; x < width; ++x, out += 4, row += 3) {
            std::memcpy(out, row, 3);
            out[3] = 255;
        }
        break;
    default:
        Unfilter<4>(filter, row, above, bytes);
        std::memcpy(out, row, bytes);
        break;
    }
    ++y_;
}

} // namespace pelmora
