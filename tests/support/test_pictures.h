#pragma once

#include "core/conversion/conversion_state.h"
#include "core/conversion/encoder.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace pelmora::test {

// A picture as palette indices (0 or 1), row by row from the top.
struct Picture {
    int width = kPanelWidth;
    int height = kPanelHeight;
    std::vector<std::uint8_t> index = std::vector<std::uint8_t>(kPanelWidth * kPanelHeight, 0);

    std::uint8_t at(int x, int y) const { return index[y * width + x]; }
    void set(int x, int y, std::uint8_t value = 1) { index[y * width + x] = value; }
};

Picture MakePicture(const std::function<bool(int x, int y)>& isOne);
Picture RandomPicture(unsigned seed);

constexpr RGBQUAD kBlack{0, 0, 0, 0};
constexpr RGBQUAD kWhite{255, 255, 255, 0};

// How the tests' own BMP writer lays out a file.
struct BmpLayout {
    std::uint32_t headerSize = 40;
    int width = kPanelWidth;
    int height = kPanelHeight; // written as given; negative means top-down
    std::int16_t bitCount = 1;
    std::uint16_t planes = 1;
    char type[2] = {'B', 'M'};
    RGBQUAD entry0 = kBlack;
    RGBQUAD entry1 = kWhite;
};

// A complete BMP file: file header, information header of layout.headerSize bytes,
// for 1 bit two palette entries, then bottom-up rows padded to four bytes.
std::string EncodeBmp(const Picture& picture, const BmpLayout& layout = {});

void WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& path);

// What the panel file must hold, worked out pixel by pixel from its definition: byte k
// of a block is column k mod 64 of page k / 64, bit r is row r of that page.
std::string ExpectedLcdText(const Picture& picture, std::uint8_t onIndex);

// The picture shown in two palette colours, as a window or image loader would give it.
class PictureAsSurface : public PictureSurface {
  public:
    PictureAsSurface(const Picture& picture, RGBQUAD entry0, RGBQUAD entry1)
        : picture_(picture), colours_{ColourOf(entry0), ColourOf(entry1)} {}
    int pictureWidth() const override { return picture_.width; }
    int pictureHeight() const override { return picture_.height; }
    Colour colourAt(int x, int y) const override { return colours_[picture_.at(x, y)]; }

  private:
    const Picture& picture_;
    Colour colours_[2];
};

class RecordingProgress : public ProgressDisplay {
  public:
    void showProgress(const std::string& text) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

// The kind of file at path, as the first letter of ls -l shows it ('-', 'd', 'l', 'c',
// 'p'; '?' for anything else or nothing there).
char KindOf(const std::filesystem::path& path);

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchFolder {
  public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    std::vector<std::string> names() const; // sorted

  private:
    std::filesystem::path path_;
};

// The byte and bit that hold (x, y), from the layouts' description and not by the core's
// walk: halves and pages a column of 8 rows a byte, rows 8 columns a byte.
struct BytePlace {
    std::size_t index = 0;
    int bit = 0;
};
BytePlace PlaceOfDot(const PanelLayout& layout, int x, int y);

} // namespace pelmora::test
