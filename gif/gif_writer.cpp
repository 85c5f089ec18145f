#include "gif/gif_writer.h"

#include <gif_lib.h>

#include <memory>
#include <vector>

namespace pelmora {

namespace {

int WriteOutput(GifFileType* gif, const GifByteType* bytes, int count) {
    static_cast<std::string*>(gif->UserData)
        ->append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(count));
    return count;
}

struct Closer {
    void operator()(GifFileType* gif) const {
        int ignored = 0;
        EGifCloseFile(gif, &ignored);
    }
};

} // namespace

EncodedGif EncodeGif(const GifAnimation& animation) {
    EncodedGif encoded;
    const auto failed = [&encoded](int code) {
        const char* text = GifErrorString(code);
        encoded.bytes.clear();
        encoded.error = text == nullptr ? "the GIF could not be made" : text;
        return encoded;
    };
    if (animation.width < 1 || animation.height < 1 || animation.width > 65535 ||
        animation.height > 65535 || animation.frames < 1) {
        encoded.error = "no GIF can hold this picture";
        return encoded;
    }
    int code = 0;
    GifFileType* opened = EGifOpen(&encoded.bytes, WriteOutput, &code);
    if (opened == nullptr) {
        return failed(code);
    }
    std::unique_ptr<GifFileType, Closer> gif(opened);
    GifColorType colours[4];
    for (int i = 0; i < 4; ++i) {
        const std::uint32_t rgb = animation.palette[static_cast<std::size_t>(i)];
        colours[i] = {static_cast<GifByteType>(rgb >> 16), static_cast<GifByteType>(rgb >> 8),
                      static_cast<GifByteType>(rgb)};
    }
    ColorMapObject* map = GifMakeMapObject(4, colours);
    if (map == nullptr) {
        return failed(E_GIF_ERR_NOT_ENOUGH_MEM);
    }
    EGifSetGifVersion(gif.get(), true);
    const int put = EGifPutScreenDesc(gif.get(), animation.width, animation.height, 2, 0, map);
    GifFreeMapObject(map);
    if (put != GIF_OK) {
        return failed(gif->Error);
    }
    // Loop for ever, as players of such strips expect.
    const GifByteType loop[] = {1, 0, 0};
    if (EGifPutExtensionLeader(gif.get(), APPLICATION_EXT_FUNC_CODE) != GIF_OK ||
        EGifPutExtensionBlock(gif.get(), 11, "NETSCAPE2.0") != GIF_OK ||
        EGifPutExtensionBlock(gif.get(), 3, loop) != GIF_OK ||
        EGifPutExtensionTrailer(gif.get()) != GIF_OK) {
        return failed(gif->Error);
    }
    std::vector<GifPixelType> line(static_cast<std::size_t>(animation.width));
    for (int n = 0; n < animation.frames; ++n) {
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSE_DO_NOT;
        control.TransparentColor = NO_TRANSPARENT_COLOR;
        control.DelayTime = (animation.delayMs(n) + 5) / 10;
        GifByteType extension[4];
        const std::size_t length = EGifGCBToExtension(&control, extension);
        if (EGifPutExtension(gif.get(), GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length),
                             extension) != GIF_OK ||
            EGifPutImageDesc(gif.get(), 0, 0, animation.width, animation.height, false, nullptr) !=
                GIF_OK) {
            return failed(gif->Error);
        }
        for (int y = 0; y < animation.height; ++y) {
            animation.row(n, y, line.data());
            if (EGifPutLine(gif.get(), line.data(), animation.width) != GIF_OK) {
                return failed(gif->Error);
            }
        }
    }
    GifFileType* done = gif.release();
    if (EGifCloseFile(done, &code) != GIF_OK) {
        return failed(code);
    }
    return encoded;
}

} // namespace pelmora
