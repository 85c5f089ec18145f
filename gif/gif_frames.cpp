#include "gif/gif_frames.h"

#include "core/io/utf8_path.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace pelmora {

namespace {

int ReadInput(GifFileType* gif, GifByteType* into, int wanted) {
    const auto& read = *static_cast<GifFrameReader::ReadBytes*>(gif->UserData);
    return static_cast<int>(read(into, static_cast<std::size_t>(std::max(wanted, 0))));
}

std::string GifReason(int code) {
    const char* text = GifErrorString(code);
    return text == nullptr ? std::string("the GIF is damaged") : std::string(text);
}

} // namespace

struct GifFrameReader::Decoder {
    ReadBytes input;
    GifFileType* gif = nullptr;
    std::vector<std::uint8_t> canvas;   // the screen as the last frame left it, RGBA
    std::vector<std::uint8_t> previous; // the frame's rectangle before it was drawn
    std::vector<GifPixelType> line;
    GraphicsControlBlock control{};

    ~Decoder() {
        if (gif != nullptr) {
            int ignored = 0;
            DGifCloseFile(gif, &ignored);
        }
    }
    void resetControl() {
        control = GraphicsControlBlock{};
        control.DisposalMode = DISPOSAL_UNSPECIFIED;
        control.TransparentColor = NO_TRANSPARENT_COLOR;
    }
};

bool LooksLikeGif(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 6 && std::memcmp(bytes.data(), "GIF8", 4) == 0 &&
           (bytes[4] == '7' || bytes[4] == '9') && bytes[5] == 'a';
}

GifFrameReader::GifFrameReader(std::span<const std::uint8_t> bytes)
    : GifFrameReader([bytes, at = std::size_t{0}](std::uint8_t* into, std::size_t wanted) mutable {
          const std::size_t count = std::min(wanted, bytes.size() - at);
          if (count > 0) {
              std::memcpy(into, bytes.data() + at, count);
          }
          at += count;
          return count;
      }) {}

GifFrameReader::GifFrameReader(ReadBytes read) : decoder_(std::make_unique<Decoder>()) {
    decoder_->input = std::move(read);
    decoder_->resetControl();
    int code = 0;
    decoder_->gif = DGifOpen(&decoder_->input, ReadInput, &code);
    if (decoder_->gif == nullptr) {
        fail(code == D_GIF_ERR_NOT_GIF_FILE ? "not a GIF" : GifReason(code));
        return;
    }
    width_ = decoder_->gif->SWidth;
    height_ = decoder_->gif->SHeight;
    if (width_ < 1 || height_ < 1) {
        fail("the GIF's screen is empty");
        return;
    }
    if (static_cast<long long>(width_) * height_ > kMaxGifScreenPixels) {
        fail("the GIF's screen of " + std::to_string(width_) + " x " + std::to_string(height_) +
             " pixels is larger in area than 4096 x 4096");
        return;
    }
    try {
        decoder_->canvas.assign(static_cast<std::size_t>(width_) * height_ * 4, 0);
    } catch (const std::bad_alloc&) {
        fail("the GIF needs more memory than this machine gives");
    }
}

GifFrameReader::~GifFrameReader() = default;

bool GifFrameReader::fail(std::string reason) {
    error_ = std::move(reason);
    ended_ = true;
    return false;
}

bool GifFrameReader::next(GifFrame& frame) {
    if (ended_) {
        return false;
    }
    GifFileType* gif = decoder_->gif;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) != GIF_OK) {
            return fail(gif->Error == D_GIF_ERR_READ_FAILED ? "the GIF is cut short"
                                                            : GifReason(gif->Error));
        }
        if (type == TERMINATE_RECORD_TYPE) {
            ended_ = true;
            return frames_ == 0 ? fail("the GIF holds no frame") : false;
        }
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) != GIF_OK) {
                return fail(GifReason(gif->Error));
            }
            if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
                DGifExtensionToGCB(block[0], block + 1, &decoder_->control);
            }
            while (block != nullptr) {
                if (DGifGetExtensionNext(gif, &block) != GIF_OK) {
                    return fail(GifReason(gif->Error));
                }
            }
            continue;
        }
        if (type == IMAGE_DESC_RECORD_TYPE) {
            return readImage(frame);
        }
        return fail("the GIF holds a record of no known kind");
    }
}

bool GifFrameReader::readImage(GifFrame& frame) {
    GifFileType* gif = decoder_->gif;
    const std::string name = "frame " + std::to_string(frames_);
    if (frames_ >= kMaxGifFrames) {
        return fail("the GIF holds more than " + std::to_string(kMaxGifFrames) + " frames");
    }
    if (DGifGetImageDesc(gif) != GIF_OK) {
        return fail(GifReason(gif->Error));
    }
    // giflib keeps a record of every image it met; dropped, so memory stays flat.
    GifFreeSavedImages(gif);
    gif->ImageCount = 0;
    const GifImageDesc& image = gif->Image;
    if (image.Width < 1 || image.Height < 1) {
        return fail(name + " is empty");
    }
    if (image.Left < 0 || image.Top < 0) {
        return fail(name + " lies before the GIF's screen");
    }
    const long long screenPixels = static_cast<long long>(width_) * height_;
    pixels_ += screenPixels + static_cast<long long>(image.Width) * image.Height;
    if (pixels_ > kMaxGifPixels) {
        return fail(name + " takes the GIF past " + std::to_string(kMaxGifPixels) +
                    " pixels to decode and prepare (each frame's screen and its own "
                    "rectangle counted)");
    }
    const ColorMapObject* colours = image.ColorMap != nullptr ? image.ColorMap : gif->SColorMap;
    if (colours == nullptr || colours->Colors == nullptr) {
        return fail(name + " has no colour table");
    }
    const GraphicsControlBlock control = decoder_->control;
    decoder_->resetControl();
    // The part of the frame on the screen; the rest is decoded and dropped.
    const int left = std::min(image.Left, width_);
    const int top = std::min(image.Top, height_);
    const int shownWidth = std::min(image.Left + image.Width, width_) - left;
    const int shownHeight = std::min(image.Top + image.Height, height_) - top;
    const std::size_t rowBytes = static_cast<std::size_t>(shownWidth) * 4;
    std::vector<std::uint8_t>& canvas = decoder_->canvas;
    const auto at = [this](int x, int y) {
        return (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                static_cast<std::size_t>(x)) *
               4;
    };
    // A frame wholly off the screen keeps and restores no rows: there are no bytes to copy.
    const int keptRows = rowBytes == 0 ? 0 : shownHeight;
    if (control.DisposalMode == DISPOSE_PREVIOUS) {
        decoder_->previous.resize(rowBytes * static_cast<std::size_t>(shownHeight));
        for (int y = 0; y < keptRows; ++y) {
            std::memcpy(decoder_->previous.data() + rowBytes * static_cast<std::size_t>(y),
                        canvas.data() + at(left, top + y), rowBytes);
        }
    }
    decoder_->line.resize(static_cast<std::size_t>(image.Width));
    // Interlaced rows come every 8th from 0, every 8th from 4, every 4th from 2, every 2nd.
    constexpr int kStarts[] = {0, 4, 2, 1};
    constexpr int kSteps[] = {8, 8, 4, 2};
    const int passes = image.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int step = image.Interlace ? kSteps[pass] : 1;
        for (int y = image.Interlace ? kStarts[pass] : 0; y < image.Height; y += step) {
            if (DGifGetLine(gif, decoder_->line.data(), image.Width) != GIF_OK) {
                return fail(gif->Error == D_GIF_ERR_READ_FAILED ? "the GIF is cut short"
                                                                : GifReason(gif->Error));
            }
            if (y >= shownHeight) {
                continue;
            }
            std::uint8_t* out = canvas.data() + at(left, top + y);
            for (int x = 0; x < shownWidth; ++x, out += 4) {
                const int index = decoder_->line[static_cast<std::size_t>(x)];
                if (index == control.TransparentColor) {
                    continue;
                }
                // An index past the table is black, as most viewers draw it.
                const GifColorType colour =
                    index < colours->ColorCount ? colours->Colors[index] : GifColorType{0, 0, 0};
                out[0] = colour.Red;
                out[1] = colour.Green;
                out[2] = colour.Blue;
                out[3] = 255;
            }
        }
    }
    frame.screen.width = width_;
    frame.screen.height = height_;
    frame.screen.rgba.assign(canvas.begin(), canvas.end());
    // A frame that gives no delay is shown as long as browsers show it.
    frame.delayMs = control.DelayTime > 0 ? control.DelayTime * 10 : kUntimedGifFrameMs;
    frame.number = frames_++;
    // What the next frame is drawn over.
    if (control.DisposalMode == DISPOSE_BACKGROUND) {
        for (int y = 0; y < keptRows; ++y) {
            std::memset(canvas.data() + at(left, top + y), 0, rowBytes);
        }
    } else if (control.DisposalMode == DISPOSE_PREVIOUS) {
        for (int y = 0; y < keptRows; ++y) {
            std::memcpy(canvas.data() + at(left, top + y),
                        decoder_->previous.data() + rowBytes * static_cast<std::size_t>(y),
                        rowBytes);
        }
    }
    return true;
}

GifFile::GifFile(const std::string& path) : file_(std::fopen(PathFromUtf8(path).c_str(), "rb")) {
    if (!file_ || std::fread(opening_, 1, sizeof opening_, file_.get()) != sizeof opening_ ||
        !LooksLikeGif(opening_)) {
        return;
    }
    // The opening is served again rather than sought back to, so a pipe reads as a file.
    reader_ = std::make_unique<GifFrameReader>([this](std::uint8_t* into, std::size_t wanted) {
        std::size_t given = 0;
        while (given < wanted && openingServed_ < sizeof opening_) {
            into[given++] = opening_[openingServed_++];
        }
        return given + std::fread(into + given, 1, wanted - given, file_.get());
    });
}

bool GifFile::next(GifFrame& frame) {
    return reader_ != nullptr && reader_->next(frame);
}

std::string GifFile::error() const {
    if (file_ && std::ferror(file_.get()) != 0) {
        return "the file could not be read";
    }
    return reader_ != nullptr ? reader_->error() : std::string();
}

} // namespace pelmora
