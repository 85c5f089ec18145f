#include "jpeg/jpeg_picture.h"

#include "core/io/source_file.h"
#include "core/io/utf8_path.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <functional>
#include <memory>
#include <new>
#include <vector>

#include <jpeglib.h>

namespace pelmora {

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return: it jumps
// back to the step that called libjpeg, with the message kept.
struct ErrorManager {
    jpeg_error_mgr manager;
    std::jmp_buf back;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void JumpBack(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    errors->manager.format_message(info, errors->message);
    std::longjmp(errors->back, 1);
}

void Quiet(j_common_ptr) {
    // Warnings about corrupt data: the picture decodes as Qt would decode it, unannounced.
}

std::string Unreadable(const char* why) {
    return std::string("the picture could not be read (") + why + ")";
}

// The end marker within the last 4 KiB, where a whole file has it (trailing bytes aside).
bool HasEnd(std::span<const std::uint8_t> bytes) {
    const std::span<const std::uint8_t> tail =
        bytes.last(std::min<std::size_t>(bytes.size(), 4096));
    for (std::size_t i = 0; i + 1 < tail.size(); ++i) {
        if (tail[i] == 0xFF && tail[i + 1] == 0xD9) {
            return true;
        }
    }
    return false;
}

// One picture being decoded. Each step that calls libjpeg sets its own return point, and
// nothing between it and libjpeg owns memory that the jump would skip freeing.
class Decoder {
  public:
    Decoder() {
        info_.err = jpeg_std_error(&errors_.manager);
        errors_.manager.error_exit = JumpBack;
        errors_.manager.output_message = Quiet;
    }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;
    ~Decoder() { jpeg_destroy_decompress(&info_); }

    // The header: size, colours, orientation. handled stays false for colours left to Qt.
    bool begin(std::span<const std::uint8_t> bytes, long long maxPixels, bool& handled,
               std::string& error) {
        handled = true;
        if (!HasEnd(bytes)) {
            error = "the picture is cut short (its JPEG data has no end)";
            return false;
        }
        if (setjmp(errors_.back) != 0) {
            error = Unreadable(errors_.message);
            return false;
        }
        jpeg_create_decompress(&info_);
        jpeg_mem_src(&info_, bytes.data(), static_cast<unsigned long>(bytes.size()));
        jpeg_save_markers(&info_, JPEG_APP0 + 1, 0xFFFF);
        jpeg_read_header(&info_, TRUE);
        if (info_.jpeg_color_space != JCS_GRAYSCALE && info_.jpeg_color_space != JCS_YCbCr &&
            info_.jpeg_color_space != JCS_RGB) {
            handled = false;
            return false;
        }
        if (static_cast<long long>(info_.image_width) * info_.image_height > maxPixels) {
            error = TooManyPixels(info_.image_width, info_.image_height, maxPixels);
            return false;
        }
        for (jpeg_saved_marker_ptr marker = info_.marker_list; marker != nullptr;
             marker = marker->next) {
            if (marker->marker == JPEG_APP0 + 1 && orientation_ == 1) {
                orientation_ = ExifOrientation({marker->data, marker->data_length});
            }
        }
        info_.out_color_space = JCS_EXT_RGBA;
        return true;
    }

    int width() const { return static_cast<int>(info_.image_width); }
    int height() const { return static_cast<int>(info_.image_height); }
    int orientation() const { return orientation_; }

    // Every row in turn: decoded where rowAt(y) says, then handed to done(y, row).
    bool rows(const std::function<std::uint8_t*(int)>& rowAt,
              const std::function<void(int, const std::uint8_t*)>& done, std::string& error) {
        if (setjmp(errors_.back) != 0) {
            error = Unreadable(errors_.message);
            return false;
        }
        jpeg_start_decompress(&info_);
        while (info_.output_scanline < info_.output_height) {
            const int y = static_cast<int>(info_.output_scanline);
            JSAMPROW row = rowAt(y);
            jpeg_read_scanlines(&info_, &row, 1);
            done(y, row);
        }
        jpeg_finish_decompress(&info_);
        return true;
    }

  private:
    jpeg_decompress_struct info_{};
    ErrorManager errors_{};
    int orientation_ = 1;
};

// The largest JPEG file read: a photo of the largest picture prepared is far smaller.
constexpr std::size_t kMaxJpegBytes = std::size_t{512} << 20;

// Whether the file begins as a JPEG; only its first two bytes are read to tell.
bool IsJpegFile(const std::string& path) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
        std::fopen(PathFromUtf8(path).c_str(), "rb"), std::fclose);
    std::uint8_t start[2] = {};
    return file && std::fread(start, 1, 2, file.get()) == 2 && LooksLikeJpeg(start);
}

// A JPEG file read whole, then decoded; anything else is left to Qt.
template <typename Result, typename Decode>
Result FromFile(const std::string& path, Decode decode) {
    Result result;
    if (!IsJpegFile(path)) {
        return result;
    }
    result.handled = true;
    try {
        const SourceFile source = ReadSourceFile(path, kMaxJpegBytes);
        if (!source.ok()) {
            result.error = source.error;
            return result;
        }
        return decode(std::span(reinterpret_cast<const std::uint8_t*>(source.bytes.data()),
                                source.bytes.size()));
    } catch (const std::bad_alloc&) {
        result.error = kNoMemoryReason;
        return result;
    }
}

// Every row, into a picture of the decoder's size.
bool DecodeAll(Decoder& decoder, RgbaPicture& picture, std::string& error) {
    picture.width = decoder.width();
    picture.height = decoder.height();
    const std::size_t row = static_cast<std::size_t>(picture.width) * 4;
    picture.rgba.resize(row * static_cast<std::size_t>(picture.height));
    return decoder.rows(
        [&](int y) { return picture.rgba.data() + row * static_cast<std::size_t>(y); },
        [](int, const std::uint8_t*) {}, error);
}

JpegPicture DecodeWhole(std::span<const std::uint8_t> bytes, long long maxPixels) {
    JpegPicture out;
    Decoder decoder;
    if (!decoder.begin(bytes, maxPixels, out.handled, out.error)) {
        return out;
    }
    if (!DecodeAll(decoder, out.picture, out.error)) {
        out.picture = {};
        return out;
    }
    out.picture = Upright(std::move(out.picture), decoder.orientation());
    return out;
}

JpegShown DecodeShown(std::span<const std::uint8_t> bytes, const PanelFit& panel,
                      long long maxPixels) {
    JpegShown out;
    Decoder decoder;
    if (!decoder.begin(bytes, maxPixels, out.handled, out.error)) {
        return out;
    }
    if (decoder.orientation() != 1 || panel.rotate % 360 != 0 || panel.mirror != Mirror::None) {
        // Turned: decoded whole first, then gathered row by row as turned.
        RgbaPicture picture;
        if (!DecodeAll(decoder, picture, out.error)) {
            return out;
        }
        const TurnedView view =
            TurnedView(picture).upright(decoder.orientation()).turned(panel.rotate, panel.mirror);
        out.placement =
            PlacePicture(view.width(), view.height(), panel.width, panel.height, panel.fit);
        out.shown = ShownPart(view, out.placement);
        return out;
    }
    out.placement =
        PlacePicture(decoder.width(), decoder.height(), panel.width, panel.height, panel.fit);
    AreaScaler scaler(out.placement);
    std::vector<std::uint8_t> line(static_cast<std::size_t>(decoder.width()) * 4);
    if (!decoder.rows([&](int) { return line.data(); },
                      [&](int y, const std::uint8_t* row) { scaler.add(y, row); }, out.error)) {
        return out;
    }
    out.shown = scaler.take();
    return out;
}

} // namespace

bool LooksLikeJpeg(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8;
}

std::string TooManyPixels(long long width, long long height, long long maxPixels) {
    return "the picture is " + std::to_string(width) + " x " + std::to_string(height) +
           " pixels, more than the " +
           (maxPixels == kMaxPicturePixels ? std::string("100 million")
                                           : std::to_string(maxPixels)) +
           " prepared";
}

// A picture too large for the memory there is is refused like any other, not a crash.
JpegPicture DecodeJpeg(std::span<const std::uint8_t> bytes, long long maxPixels) {
    try {
        return DecodeWhole(bytes, maxPixels);
    } catch (const std::bad_alloc&) {
        return {true, {}, kNoMemoryReason};
    }
}

JpegShown DecodeJpegShown(std::span<const std::uint8_t> bytes, const PanelFit& panel,
                          long long maxPixels) {
    try {
        return DecodeShown(bytes, panel, maxPixels);
    } catch (const std::bad_alloc&) {
        return {true, {}, {}, kNoMemoryReason};
    }
}

JpegPicture ReadJpegFile(const std::string& path) {
    return FromFile<JpegPicture>(path, [](const auto& bytes) { return DecodeJpeg(bytes); });
}

JpegShown ReadJpegShown(const std::string& path, const PanelFit& panel) {
    return FromFile<JpegShown>(path,
                               [&](const auto& bytes) { return DecodeJpegShown(bytes, panel); });
}

} // namespace pelmora
