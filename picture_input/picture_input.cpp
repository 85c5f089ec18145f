#include "picture_input/picture_input.h"

#include "core/io/source_file.h"
#include "core/prepare/picture_handoff.h"
#include "core/prepare/resample.h"
#include "gif/gif_frames.h"
#include "jpeg/jpeg_picture.h"
#include "png/png_picture.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace pelmora {

namespace {

namespace fs = std::filesystem;

// Beside this program in the build tree, else where the package installs it.
std::string PictureHelper() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        const fs::path sibling = self.parent_path() / "pelmora-picture";
        if (access(sibling.c_str(), X_OK) == 0) {
            return sibling.string();
        }
    }
    return PELMORA_PICTURE_HELPER;
}

// Runs the helper and collects what it writes on each stream, to its end.
struct Ran {
    int status = -1;
    std::string out;
    std::string err;
    std::string spawnError;
};

void ReadToEnd(int fd, std::string& into) {
    char buffer[65536];
    for (ssize_t got; (got = read(fd, buffer, sizeof buffer)) != 0;) {
        if (got < 0 && errno != EINTR) {
            break;
        }
        if (got > 0) {
            into.append(buffer, static_cast<std::size_t>(got));
        }
    }
}

Ran RunHelper(const std::vector<std::string>& arguments) {
    Ran ran;
    int outPipe[2];
    int errPipe[2];
    if (pipe(outPipe) != 0) {
        ran.spawnError = std::strerror(errno);
        return ran;
    }
    if (pipe(errPipe) != 0) {
        ran.spawnError = std::strerror(errno);
        close(outPipe[0]);
        close(outPipe[1]);
        return ran;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    for (const int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) {
        posix_spawn_file_actions_addclose(&actions, fd);
    }
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    if (spawned != 0) {
        ran.spawnError = std::string(argv[0]) + ": " + std::strerror(spawned);
        close(outPipe[0]);
        close(errPipe[0]);
        return ran;
    }
    // Standard error first is safe: the helper writes at most one line there, and only
    // once it has given up on standard output.
    ReadToEnd(outPipe[0], ran.out);
    ReadToEnd(errPipe[0], ran.err);
    close(outPipe[0]);
    close(errPipe[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return ran;
}

} // namespace

namespace {

// The picture at path decoded, turned, placed and scaled (a JPEG or a PNG here, any other
// format in pelmora-picture), then handed to finish.
template <typename Result, typename Finish>
Result PrepareDecoded(const std::string& path, const Preparation& preparation,
                      const Finish& finish) {
    // The system's reason first: the readers below would only say they found no picture.
    if (std::string unreadable = UnreadableReason(path); !unreadable.empty()) {
        return {{}, std::move(unreadable)};
    }
    // JPEGs and PNGs are decoded here, to the pixels Qt gives; anything else by the Qt
    // helper, whose start-up costs more than decoding a photo.
    const PanelFit panel{preparation.width, preparation.height, preparation.options.fit,
                         preparation.rotate, preparation.mirror};
    const auto prepared = [&](const auto& decoded) -> Result {
        if (!decoded.ok()) {
            return {{}, decoded.error};
        }
        return finish(
            PlacedPicture{decoded.shown, decoded.placement, preparation.width, preparation.height});
    };
    if (const JpegShown jpeg = ReadJpegShown(path, panel); jpeg.handled) {
        return prepared(jpeg);
    }
    if (const PngShown png = ReadPngShown(path, panel); png.handled) {
        return prepared(png);
    }
    const Ran ran = RunHelper(
        {PictureHelper(), path, std::to_string(preparation.width),
         std::to_string(preparation.height), std::string(NameOfFit(preparation.options.fit)),
         std::to_string(preparation.rotate), std::string(NameOfMirror(preparation.mirror))});
    if (!ran.spawnError.empty()) {
        return {{}, "the picture reader could not be started: " + ran.spawnError};
    }
    if (ran.status != 0) {
        // The helper's own reason is its last line; Qt's image plugins may warn before it.
        std::string reason = ran.err;
        while (!reason.empty() && reason.back() == '\n') {
            reason.pop_back();
        }
        reason = reason.substr(reason.find_last_of('\n') + 1);
        return {{}, reason.empty() ? std::string("the picture could not be read") : reason};
    }
    const std::optional<PictureHandoff> handoff =
        ParsePictureHandoff(ran.out, preparation.width, preparation.height);
    if (!handoff) {
        return {{}, "the picture reader answered what cannot be read"};
    }
    return finish(
        PlacedPicture{handoff->shown, handoff->placement, preparation.width, preparation.height});
}

// A frame's dots; an empty frame where the layout cannot be prepared, which the spool
// refuses as of another size.
PanelDots FrameDots(const RgbaPicture& picture, const Preparation& preparation) {
    return PreparePlacedDots(PlaceRgba(picture, preparation), preparation).dots;
}

} // namespace

PreparedPicture PreparePictureFile(const std::string& path, const Preparation& preparation) {
    return PrepareDecoded<PreparedPicture>(path, preparation, [&](const PlacedPicture& placed) {
        return PreparedPicture{PreparePlacedPanel(placed, preparation), {}};
    });
}

PreparedDots PreparePictureDots(const std::string& path, const Preparation& preparation) {
    return PrepareDecoded<PreparedDots>(path, preparation, [&](const PlacedPicture& placed) {
        return PreparePlacedDots(placed, preparation);
    });
}

PlacedPicture PlaceRgba(const RgbaPicture& picture, const Preparation& preparation) {
    const TurnedView view = TurnedView(picture).turned(preparation.rotate, preparation.mirror);
    const Placement placement = PlacePicture(view.width(), view.height(), preparation.width,
                                             preparation.height, preparation.options.fit);
    return {ShownPart(view, placement), placement, preparation.width, preparation.height};
}

MonoPicture PreparePlacedPanel(const PlacedPicture& placed, const Preparation& preparation) {
    return PreparePanel(placed.shown, placed.placement, placed.width, placed.height,
                        preparation.options);
}

PreparedDots PreparePlacedDots(const PlacedPicture& placed, const Preparation& preparation) {
    PanelDots dots =
        PreparePanelDots(placed.shown, placed.placement, preparation.layout, preparation.options);
    if (dots.width != placed.width || dots.height != placed.height) {
        return {{}, "the picture cannot be prepared for this panel"};
    }
    return {std::move(dots), {}};
}

MonoPicture PrepareRgba(const RgbaPicture& picture, const Preparation& preparation) {
    return PreparePlacedPanel(PlaceRgba(picture, preparation), preparation);
}

GifFramesRead ReadGifFrames(const std::string& path,
                            const std::function<std::string(GifFrame&&)>& take) {
    GifFile file(path);
    if (!file.isGif()) {
        return {};
    }
    for (GifFrame frame; file.next(frame);) {
        if (std::string stop = take(std::move(frame)); !stop.empty()) {
            return {true, std::move(stop)};
        }
    }
    return {true, file.error()};
}

HeldGifFrames HoldGifFrames(const std::string& path, std::size_t maxBytes) {
    HeldGifFrames held;
    std::size_t bytes = 0;
    const GifFramesRead read = ReadGifFrames(path, [&](GifFrame&& frame) -> std::string {
        bytes += frame.screen.rgba.size();
        if (bytes > maxBytes) {
            return "the frames hold more than " + std::to_string(maxBytes) + " bytes";
        }
        held.frames.push_back(std::move(frame));
        return {};
    });
    held.gif = read.gif;
    held.error = read.error;
    if (!held.error.empty()) {
        held.frames.clear();
    }
    return held;
}

namespace {

std::string FileName(const std::string& path) {
    return path == "-" ? std::string("standard input") : path.substr(path.find_last_of('/') + 1);
}

// The cells of picture, each prepared and handed on in turn.
FramesOutcome CutSheet(const RgbaPicture& picture, const std::string& name,
                       const Preparation& preparation, const FrameInput& input,
                       const std::function<std::string(PreparedFrame&&)>& take) {
    const auto [cellWidth, cellHeight] = *input.sheet;
    if (picture.width % cellWidth != 0 || picture.height % cellHeight != 0) {
        return {"the sheet of " + std::to_string(picture.width) + " x " +
                    std::to_string(picture.height) + " is no whole number of " +
                    std::to_string(cellWidth) + " x " + std::to_string(cellHeight) + " cells",
                true};
    }
    RgbaPicture cell;
    cell.width = cellWidth;
    cell.height = cellHeight;
    const std::size_t cellRow = static_cast<std::size_t>(cellWidth) * 4;
    const std::size_t sheetRow = static_cast<std::size_t>(picture.width) * 4;
    int number = 0;
    for (int top = 0; top < picture.height; top += cellHeight) {
        for (int left = 0; left < picture.width; left += cellWidth) {
            cell.rgba.resize(cellRow * static_cast<std::size_t>(cellHeight));
            for (int y = 0; y < cellHeight; ++y) {
                const auto from =
                    picture.rgba.begin() +
                    static_cast<std::ptrdiff_t>(sheetRow * static_cast<std::size_t>(top + y) +
                                                static_cast<std::size_t>(left) * 4);
                std::copy(from, from + static_cast<std::ptrdiff_t>(cellRow),
                          cell.rgba.begin() +
                              static_cast<std::ptrdiff_t>(cellRow * static_cast<std::size_t>(y)));
            }
            PreparedFrame frame{FrameDots(cell, preparation), input.stillDelayMs,
                                name + " cell " + std::to_string(number++)};
            if (std::string stop = take(std::move(frame)); !stop.empty()) {
                return {std::move(stop)};
            }
        }
    }
    return {};
}

} // namespace

FramesOutcome PrepareFrames(const std::string& path, const Preparation& preparation,
                            const FrameInput& input,
                            const std::function<std::string(PreparedFrame&&)>& take) {
    const std::string name = FileName(path);
    // A still picture is left to PreparePictureFile, which reads it its own way.
    if (!input.sheet) {
        const GifFramesRead read = ReadGifFrames(path, [&](GifFrame&& frame) {
            return take({FrameDots(frame.screen, preparation), frame.delayMs,
                         name + " frame " + std::to_string(frame.number)});
        });
        if (read.gif) {
            return {read.error};
        }
        PreparedDots still = PreparePictureDots(path, preparation);
        if (!still.ok()) {
            return {still.error};
        }
        return {take({std::move(still.dots), input.stillDelayMs, name})};
    }
    const SourceFile source = ReadSourceFile(path);
    if (!source.ok()) {
        return {source.error};
    }
    const auto bytes =
        std::span(reinterpret_cast<const std::uint8_t*>(source.bytes.data()), source.bytes.size());
    if (LooksLikeGif(bytes)) {
        GifFrameReader reader(bytes);
        for (GifFrame gif; reader.next(gif);) {
            const std::string cellName = name + " frame " + std::to_string(gif.number);
            if (FramesOutcome cut = CutSheet(gif.screen, cellName, preparation, input, take);
                !cut.error.empty()) {
                return cut;
            }
        }
        return {reader.error()};
    }
    if (LooksLikePng(bytes)) {
        const PngDecoded png = DecodePng(bytes);
        return png.ok() ? CutSheet(png.picture, name, preparation, input, take)
                        : FramesOutcome{png.error};
    }
    if (LooksLikeJpeg(bytes)) {
        const JpegPicture jpeg = DecodeJpeg(bytes);
        if (jpeg.handled) {
            return jpeg.ok() ? CutSheet(jpeg.picture, name, preparation, input, take)
                             : FramesOutcome{jpeg.error};
        }
    }
    return {"a sheet is read from a PNG, JPEG or GIF"};
}

} // namespace pelmora
