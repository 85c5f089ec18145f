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

    // Decodes at 1/denominator of the size (2, 4 or 8), by libjpeg's scaled inverse DCT:
    // each block gives fewer pixels, for much less work than decoding every pixel.
    void scaleDown(int denominator) {
        info_.scale_num = 1;
        info_.scale_denom = static_cast<unsigned>(denominator);
    }
    // The size of the rows decoded, once scaled: libjpeg rounds up.
    int outputWidth() const {
        return static_cast<int>((info_.image_width + info_.scale_denom - 1) / info_.scale_denom);
    }
    int outputHeight() const {
        return static_cast<int>((info_.image_height + info_.scale_denom - 1) / info_.scale_denom);
    }

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
    picture.width = decoder.outputWidth();
    picture.height = decoder.outputHeight();
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

// The scale libjpeg decodes at for a part shown this size: 1/2, 1/4 or 1/8 where even then
// each pixel shown still covers at least kScaledCover decoded pixels each way, so that the
// scaled inverse DCT's inaccuracy (and colours clipped before averaging, not after)
// averages out to within a grey level. At 4, one photo of noise in fifteen was off by 2 at
// a dot or two; at 6 and 8, none of thirty. 1 elsewhere.
constexpr int kScaledCover = 6;

int DctScale(const Placement& placement) {
    int scale = 1;
    while (scale < 8 && placement.sourceWidth >= 2 * scale * kScaledCover * placement.width &&
           placement.sourceHeight >= 2 * scale * kScaledCover * placement.height) {
        scale *= 2;
    }
    return scale;
}

// One axis of a picture decoded at 1/scale: pixel j stands for the `scale` pixels of the
// full picture it was made from, the one at the picture's far edge for fewer (libjpeg rounds
// the size up). Reversed: the axis runs the other way (a turned picture), so that partial
// pixel comes first.
struct ScaledAxis {
    long long full = 0; // pixels at full size
    long long count = 0;
    int scale = 1;
    bool reversed = false;

    // Full-size pixels [first, end) that pixel j stands for.
    long long first(long long j) const {
        return reversed ? std::max(0LL, full - (count - j) * scale) : j * scale;
    }
    long long end(long long j) const {
        return reversed ? full - (count - 1 - j) * scale : std::min(full, (j + 1) * scale);
    }
    long long pixelOf(long long fullPixel) const {
        return reversed ? count - 1 - (full - 1 - fullPixel) / scale : fullPixel / scale;
    }
};

// The area average of AreaScaler, for a picture decoded at 1/scale: each output pixel the
// average of the full-size area it covers, each decoded pixel weighted by how much of the
// full-size area it stands for lies in it. The same rounding as the core's.
class ScaledAreaScaler {
  public:
    ScaledAreaScaler(const Placement& placement, const ScaledAxis& across, const ScaledAxis& down)
        : placement_(placement), down_(down) {
        const Placement& p = placement;
        start_.push_back(0);
        for (long long i = 0; i < p.width; ++i) {
            // In units of 1/width of a full-size pixel: output pixel i is sourceWidth long.
            const long long begin = static_cast<long long>(p.sourceX) * p.width + i * p.sourceWidth;
            const long long end = begin + p.sourceWidth;
            const long long last = across.pixelOf((end - 1) / p.width);
            for (long long j = across.pixelOf(begin / p.width); j <= last; ++j) {
                const long long overlap = std::min(end, across.end(j) * p.width) -
                                          std::max(begin, across.first(j) * p.width);
                if (overlap > 0) {
                    pixel_.push_back(static_cast<int>(j));
                    weight_.push_back(static_cast<std::uint64_t>(overlap));
                }
            }
            start_.push_back(pixel_.size());
        }
        line_.resize(static_cast<std::size_t>(p.width) * 4);
        pending_.resize(line_.size());
        shown_.width = p.width;
        shown_.height = p.height;
        shown_.rgba.resize(line_.size() * static_cast<std::size_t>(p.height));
    }

    // Decoded row y, 4 bytes a pixel, from its left edge.
    void add(int y, const std::uint8_t* row) {
        const Placement& p = placement_;
        const long long top = down_.first(y) * p.height;
        const long long bottom = down_.end(y) * p.height;
        const long long shownTop = static_cast<long long>(p.sourceY) * p.height;
        const long long shownBottom = shownTop + static_cast<long long>(p.sourceHeight) * p.height;
        if (bottom <= shownTop || top >= shownBottom) {
            return;
        }
        for (std::size_t x = 0; x < static_cast<std::size_t>(p.width); ++x) {
            std::uint64_t sums[4] = {};
            for (std::size_t k = start_[x]; k < start_[x + 1]; ++k) {
                const std::uint8_t* pixel = row + static_cast<std::size_t>(pixel_[k]) * 4;
                const std::uint64_t weighted = weight_[k] * pixel[3];
                sums[0] += weighted;
                sums[1] += weighted * pixel[0];
                sums[2] += weighted * pixel[1];
                sums[3] += weighted * pixel[2];
            }
            std::copy(sums, sums + 4, line_.begin() + static_cast<std::ptrdiff_t>(x * 4));
        }
        // Output row i covers [shownTop + i sourceHeight, + sourceHeight) in the same units.
        for (long long i = std::max(0LL, (top - shownTop) / p.sourceHeight); i < p.height; ++i) {
            const long long begin = shownTop + i * p.sourceHeight;
            const long long end = begin + p.sourceHeight;
            if (begin >= bottom) {
                break;
            }
            const long long overlap = std::min(end, bottom) - std::max(begin, top);
            if (overlap > 0) {
                for (std::size_t c = 0; c < pending_.size(); ++c) {
                    pending_[c] += static_cast<std::uint64_t>(overlap) * line_[c];
                }
            }
            if (end > bottom) {
                break;
            }
            finishRow(static_cast<int>(i));
        }
    }

    RgbaPicture take() { return std::move(shown_); }

  private:
    void finishRow(int y) {
        const std::uint64_t area = static_cast<std::uint64_t>(placement_.sourceWidth) *
                                   static_cast<std::uint64_t>(placement_.sourceHeight);
        std::uint8_t* out = shown_.rgba.data() + static_cast<std::size_t>(y) *
                                                     static_cast<std::size_t>(placement_.width) * 4;
        for (std::size_t i = 0; i < pending_.size(); i += 4, out += 4) {
            const std::uint64_t a = pending_[i];
            for (std::size_t c = 0; c < 3; ++c) {
                out[c] =
                    a == 0 ? 0 : static_cast<std::uint8_t>((2 * pending_[i + c + 1] + a) / (2 * a));
            }
            out[3] = static_cast<std::uint8_t>((2 * a + area) / (2 * area));
        }
        std::fill(pending_.begin(), pending_.end(), 0);
    }

    Placement placement_;
    ScaledAxis down_;
    std::vector<std::size_t> start_; // where output pixel x's decoded pixels begin
    std::vector<int> pixel_;
    std::vector<std::uint64_t> weight_;
    std::vector<std::uint64_t> line_;
    std::vector<std::uint64_t> pending_;
    RgbaPicture shown_;
};

// Which way a turned view of a picture runs: whether its rows follow the picture's columns,
// and whether each of its axes runs backwards. Told by turning a 2 x 3 picture whose
// pixels name their place, so that it is the very turn TurnedView makes.
struct TurnedAxes {
    bool swapped = false;
    bool reverseAcross = false;
    bool reverseDown = false;
};

TurnedAxes AxesOf(int orientation, int rotate, Mirror mirror) {
    RgbaPicture probe{2, 3, std::vector<std::uint8_t>(24)};
    for (std::uint8_t y = 0; y < 3; ++y) {
        for (std::uint8_t x = 0; x < 2; ++x) {
            probe.rgba[(static_cast<std::size_t>(y) * 2 + x) * 4] = x;
            probe.rgba[(static_cast<std::size_t>(y) * 2 + x) * 4 + 1] = y;
        }
    }
    const TurnedView view = TurnedView(probe).upright(orientation).turned(rotate, mirror);
    std::vector<std::uint8_t> first(static_cast<std::size_t>(view.width()) * 4);
    std::vector<std::uint8_t> second(first.size());
    view.row(0, first.data());
    view.row(1, second.data());
    TurnedAxes axes;
    axes.swapped = view.width() == 3;
    const int along = axes.swapped ? 1 : 0; // the picture's axis that the view's rows follow
    axes.reverseAcross = first[4 + along] < first[along];
    axes.reverseDown = second[1 - along] < first[1 - along];
    return axes;
}

// The part placement shows of the picture decoded at 1/scale, as a turned view of it.
RgbaPicture ShownScaled(const TurnedView& view, const Placement& placement, int scale,
                        const TurnedAxes& axes, int fullWidth, int fullHeight) {
    if (scale == 1) {
        return ShownPart(view, placement);
    }
    const ScaledAxis across{fullWidth, view.width(), scale, axes.reverseAcross};
    const ScaledAxis down{fullHeight, view.height(), scale, axes.reverseDown};
    ScaledAreaScaler scaler(placement, across, down);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(view.width()) * 4);
    for (int y = 0; y < view.height(); ++y) {
        view.row(y, row.data());
        scaler.add(y, row.data());
    }
    return scaler.take();
}

JpegShown DecodeShown(std::span<const std::uint8_t> bytes, const PanelFit& panel,
                      long long maxPixels) {
    JpegShown out;
    Decoder decoder;
    if (!decoder.begin(bytes, maxPixels, out.handled, out.error)) {
        return out;
    }
    // The placement is the full picture's, turned; the pixels may come from fewer.
    const TurnedAxes axes = AxesOf(decoder.orientation(), panel.rotate, panel.mirror);
    const int width = axes.swapped ? decoder.height() : decoder.width();
    const int height = axes.swapped ? decoder.width() : decoder.height();
    out.placement = PlacePicture(width, height, panel.width, panel.height, panel.fit);
    const int scale = DctScale(out.placement);
    decoder.scaleDown(scale);
    if (decoder.orientation() != 1 || panel.rotate % 360 != 0 || panel.mirror != Mirror::None) {
        // Decoded whole first, then gathered row by row as turned.
        RgbaPicture picture;
        if (!DecodeAll(decoder, picture, out.error)) {
            return out;
        }
        const TurnedView view =
            TurnedView(picture).upright(decoder.orientation()).turned(panel.rotate, panel.mirror);
        out.shown = ShownScaled(view, out.placement, scale, axes, width, height);
        return out;
    }
    std::vector<std::uint8_t> line(static_cast<std::size_t>(decoder.outputWidth()) * 4);
    const auto decode = [&](auto& scaler) {
        return decoder.rows([&](int) { return line.data(); },
                            [&](int y, const std::uint8_t* row) { scaler.add(y, row); }, out.error);
    };
    if (scale == 1) {
        AreaScaler scaler(out.placement);
        if (decode(scaler)) {
            out.shown = scaler.take();
        }
        return out;
    }
    ScaledAreaScaler scaler(out.placement, {width, decoder.outputWidth(), scale, false},
                            {height, decoder.outputHeight(), scale, false});
    if (decode(scaler)) {
        out.shown = scaler.take();
    }
    return out;
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
