#include "core/io/png_writer.h"

#include <algorithm>
#include <memory>
#include <vector>

#include <zlib.h>

namespace pelmora {

namespace {

void PutBig32(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out += static_cast<char>((value >> shift) & 0xFFU);
    }
}

// One chunk: length, type, data, CRC of type and data.
std::string Chunk(std::string_view type, std::string_view data) {
    std::string chunk;
    chunk.reserve(data.size() + 12);
    PutBig32(chunk, static_cast<std::uint32_t>(data.size()));
    chunk += type;
    chunk += data;
    const auto* typeBytes = reinterpret_cast<const Bytef*>(type.data());
    const auto* dataBytes = reinterpret_cast<const Bytef*>(data.data());
    uLong crc = crc32(0L, typeBytes, static_cast<uInt>(type.size()));
    if (!data.empty()) { // zlib takes a null buffer as asking for the initial value
        crc = crc32(crc, dataBytes, static_cast<uInt>(data.size()));
    }
    PutBig32(chunk, static_cast<std::uint32_t>(crc));
    return chunk;
}

struct EndDeflate {
    void operator()(z_stream* stream) const { deflateEnd(stream); }
};

} // namespace

bool WritePng(const PngPicture& picture, const std::function<bool(std::string_view)>& sink) {
    const std::size_t colours = picture.palette.size();
    if (picture.width < 1 || picture.height < 1 || picture.width > kMaxPngSide ||
        picture.height > kMaxPngSide || !picture.row || colours < 1 || colours > 256 ||
        picture.alphas.size() > colours) {
        return false;
    }
    const unsigned bits = colours <= 4 ? 2 : colours <= 16 ? 4 : 8;
    std::string head("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    PutBig32(header, static_cast<std::uint32_t>(picture.width));
    PutBig32(header, static_cast<std::uint32_t>(picture.height));
    header += static_cast<char>(bits);
    header += std::string("\x03\x00\x00\x00", 4); // indexed, no interlace
    head += Chunk("IHDR", header);
    std::string palette;
    for (const std::uint32_t colour : picture.palette) {
        palette += static_cast<char>((colour >> 16) & 0xFFU);
        palette += static_cast<char>((colour >> 8) & 0xFFU);
        palette += static_cast<char>(colour & 0xFFU);
    }
    head += Chunk("PLTE", palette);
    if (!picture.alphas.empty()) {
        head += Chunk("tRNS", std::string(picture.alphas.begin(), picture.alphas.end()));
    }
    if (!sink(head)) {
        return false;
    }

    z_stream stream{};
    // Rows of few colours, unfiltered, compress best at the highest level, and it is cheap.
    if (deflateInit(&stream, 9) != Z_OK) {
        return false;
    }
    const std::unique_ptr<z_stream, EndDeflate> ending(&stream);
    constexpr std::size_t kChunkData = 64 * 1024; // IDAT chunks of about this much
    std::vector<Bytef> out(16 * 1024);
    std::string idat;
    // Compresses what stream holds as input; each time enough has gathered, one IDAT chunk.
    const auto pump = [&](int flush) {
        do {
            stream.next_out = out.data();
            stream.avail_out = static_cast<uInt>(out.size());
            if (deflate(&stream, flush) == Z_STREAM_ERROR) {
                return false;
            }
            idat.append(reinterpret_cast<const char*>(out.data()), out.size() - stream.avail_out);
            if (idat.size() >= kChunkData || (flush == Z_FINISH && stream.avail_out != 0)) {
                if (!sink(Chunk("IDAT", idat))) {
                    return false;
                }
                idat.clear();
            }
        } while (stream.avail_out == 0);
        return true;
    };

    const auto width = static_cast<std::size_t>(picture.width);
    std::vector<std::uint8_t> indices(width);
    const std::size_t perByte = 8 / bits;
    const unsigned top = (1U << bits) - 1U;
    // The filter byte (none), then the pixels.
    std::vector<std::uint8_t> row(1 + (width + perByte - 1) / perByte);
    for (int y = 0; y < picture.height; ++y) {
        std::fill(row.begin(), row.end(), 0);
        picture.row(y, indices.data());
        for (std::size_t x = 0; x < width; ++x) {
            const unsigned index =
                std::min<unsigned>(indices[x], static_cast<unsigned>(colours - 1));
            const auto shift = static_cast<unsigned>(8 - bits * (x % perByte + 1));
            row[1 + x / perByte] =
                static_cast<std::uint8_t>(row[1 + x / perByte] | ((index & top) << shift));
        }
        stream.next_in = row.data();
        stream.avail_in = static_cast<uInt>(row.size());
        if (!pump(Z_NO_FLUSH)) {
            return false;
        }
    }
    return pump(Z_FINISH) && sink(Chunk("IEND", {}));
}

} // namespace pelmora
