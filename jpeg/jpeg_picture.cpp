#include "jpeg/jpeg_picture.h"

#include "core/io/source_file.h"
#include "core/io/utf8_path.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <functional>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

namespace pelmora {

namespace {

// Why libjpeg stopped: set by the hooks below before they jump back.
enum class Stop { Unreadable, Damaged, CutShort, TooManyScans };

// libjpeg reports a fatal error by calling error_exit, which must not return: it jumps
// back to the step that called libjpeg, with the reason kept. Plain data only, so that it
// may be reached from libjpeg's error manager, its first member.
struct ErrorManager {
    jpeg_error_mgr manager;
    std::jmp_buf back;
    char message[JMSG_LENGTH_MAX];
    Stop stop;
};

static_assert(std::is_standard_layout_v<ErrorManager>);

[[noreturn]] void StopWith(j_common_ptr info, Stop stop) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    errors->manager.format_message(info, errors->message);
    errors->stop = stop;
    std::longjmp(errors->back, 1);
}

[[noreturn]] void JumpBack(j_common_ptr info) {
    StopWith(info, Stop::Unreadable);
}

// Corrupt data is an error, not a warning: libjpeg would paint what it cannot decode grey
// and go on, and a damaged photo would be prepared as if whole. Two notes about the
// header alone leave the pixels as they are.
void WarningsAreErrors(j_common_ptr info, int level) {
    const int code = info->err->msg_code;
    if (level < 0 && code != JWRN_JFIF_MAJOR && code != JWRN_ADOBE_XFORM) {
        StopWith(info, code == JWRN_JPEG_EOF ? Stop::CutShort : Stop::Damaged);
    }
}

// Each scan of a progressive JPEG is a pass over every block: a file of a few kilobytes
// with thousands of empty scans would cost minutes. Photos have about ten; libjpeg-turbo's
// own tools suggest refusing more than 100.
constexpr int kMaxScans = 100;

void LimitScans(j_common_ptr info) {
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans) {
        StopWith(info, Stop::TooManyScans);
    }
}

std::string Reason(const ErrorManager& errors) {
    switch (errors.stop) {
    case Stop::CutShort:
        return "the picture is cut short (its JPEG data has no end)";
    case Stop::Damaged:
        return std::string("the picture is damaged (") + errors.message + ")";
    case Stop::TooManyScans:
        return "the picture could not be read (more than " + std::to_string(kMaxScans) + " scans)";
    default:
        return std::string("the picture could not be read (") + errors.message + ")";
    }
}

// One picture being decoded. Each step that calls libjpeg sets its own return point, and
// nothing between it and libjpeg owns memory that the jump would skip freeing.
class Decoder {
  public:
    Decoder() {
        info_.err = jpeg_std_error(&errors_.manager);
        errors_.manager.error_exit = JumpBack;
        errors_.manager.emit_message = WarningsAreErrors;
        progress_.progress_monitor = LimitScans;
    }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;
    ~Decoder() { jpeg_destroy_decompress(&info_); }

    // The header: size, colours, orientation. handled stays false for colours left to Qt.
    bool begin(std::span<const std::uint8_t> bytes, long long maxPixels, bool& handled,
               std::string& error) {
        handled = true;
        if (setjmp(errors_.back) != 0) {
            error = Reason(errors_);
            return false;
        }
        jpeg_create_decompress(&info_);
        info_.progress = &progress_; // after the creation, which clears it
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
            error = Reason(errors_);
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
    jpeg_progress_mgr progress_{};
    int orientation_ = 1;
};

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
    std::vector<std::uint8_t> line(static_cast<std::size_t>(decoder.width()) * 4);
    const auto decode = [&](auto& scaler, auto add) {
        if (decoder.rows([&](int) { return line.data(); },
                         [&](int y, const std::uint8_t* row) { add(scaler, y, row); }, out.error)) {
            out.shown = scaler.take();
        }
        return out;
    };
    if (decoder.orientation() != 1 || panel.rotate % 360 != 0 || panel.mirror != Mirror::None) {
        // Turned, and still scaled row by row as decoded: the turn of a picture of this size.
        const RgbaPicture shape{decoder.width(), decoder.height(), {}};
        const TurnedView view =
            TurnedView(shape).upright(decoder.orientation()).turned(panel.rotate, panel.mirror);
        out.placement =
            PlacePicture(view.width(), view.height(), panel.width, panel.height, panel.fit);
        TurnedAreaScaler scaler(view, out.placement);
        return decode(scaler, [width = decoder.width()](TurnedAreaScaler& turned, int y,
                                                        const std::uint8_t* row) {
            turned.add(y, width, row);
        });
    }
    out.placement =
        PlacePicture(decoder.width(), decoder.height(), panel.width, panel.height, panel.fit);
    AreaScaler scaler(out.placement);
    return decode(scaler,
                  [](AreaScaler& plain, int y, const std::uint8_t* row) { plain.add(y, row); });
}

} // namespace

bool LooksLikeJpeg(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8;
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
    return DecodePictureFile<JpegPicture>(path, 2, LooksLikeJpeg,
                                          [](const auto& bytes) { return DecodeJpeg(bytes); });
}

JpegShown ReadJpegShown(const std::string& path, const PanelFit& panel) {
    return DecodePictureFile<JpegShown>(
        path, 2, LooksLikeJpeg, [&](const auto& bytes) { return DecodeJpegShown(bytes, panel); });
}

} // namespace pelmora
