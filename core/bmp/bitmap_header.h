#pragma once

#include "core/bmp/bmp_records.h"
#include "core/panel/panel_layout.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace pelmora {

constexpr std::string_view kRejectionTitle = "Picture Size Error";
constexpr std::string_view kRejectionText =
    "Picture Resolution is limit to 128 x 64 pixels (Width x Height) and \r\n2 Colors Bitmap.";

enum class BitmapVerdict {
    Accepted,  // 128 x 64 at 1 bit per pixel
    Rejected,  // any other size or depth, or too short to hold its headers (error says so)
    Unreadable // could not be opened or read at all; error says why
};

// What the check found: the verdict and, once the file was long enough to hold them, the
// headers and (for a 1-bit file) the two palette entries it read.
struct BitmapCheck {
    BitmapVerdict verdict = BitmapVerdict::Rejected;
    std::string error; // why a file is unreadable or too short; empty for a plain rejection
    bool headersRead = false;
    BITMAPFILEHEADER fileHeader;
    BITMAPINFOHEADER infoHeader;
    Palette palette{}; // read only for a 1-bit file; black otherwise
    bool accepted() const { return verdict == BitmapVerdict::Accepted; }
};

// Checks a whole file's bytes: the file and information headers and, for a 1-bit file, the
// two palette entries that follow the information header. Accepts exactly width x height
// at 1 bit per pixel.
BitmapCheck CheckBitmapBytes(std::span<const std::uint8_t> bytes, int width = kPanelWidth,
                             int height = kPanelHeight);

// The same for the file at path (UTF-8).
BitmapCheck CheckBitmapFile(const std::string& path, int width = kPanelWidth,
                            int height = kPanelHeight);

// Where the last row of pixel data ends, counted from the start of the file, for an
// uncompressed bitmap with these headers. A shorter file is cut short.
std::uint64_t PixelDataEnd(const BITMAPFILEHEADER& fileHeader, const BITMAPINFOHEADER& infoHeader);

// "1 Bits  (2 Colors)" for an accepted file.
std::string ColourDepthText(const BITMAPINFOHEADER& infoHeader);

// The rejection message for a panel of another size; for 128 x 64 it is kRejectionText.
std::string RejectionText(int width, int height);

// The rejection message on one line, as a command line prints it.
std::string RejectionTextOneLine(int width = kPanelWidth, int height = kPanelHeight);

// A text's characters as bytes.
std::span<const std::uint8_t> AsBytes(std::string_view text);

} // namespace pelmora
