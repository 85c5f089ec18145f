#pragma once

#include "core/bmp/bitmap_header.h"
#include "core/bmp/bitmap_pixels.h"
#include "core/conversion/conversion_state.h"
#include "core/conversion/encoder.h"

#include <string>
#include <string_view>

namespace pelmora {

// A bitmap taken in: the file read once, its headers checked and, when they are accepted,
// its pixels decoded from the same bytes.
struct TakenIn {
    BitmapCheck check;
    BitmapPixels pixels;
    std::string error; // the headers passed, the pixel data did not: why
    bool usable() const { return check.accepted() && error.empty(); }
};

// The panel size a bitmap must have is the layout's.
TakenIn TakeInBitmapFile(const std::string& path, const PanelLayout& panel = {});

// The same on a whole file's bytes already read.
TakenIn TakeInBitmapBytes(std::string_view bytes, const PanelLayout& panel = {});

// The window's record of a bitmap read: its headers into state and, for a 1-bit file, its
// two palette entries into palette. A file too short for its headers leaves both as they
// were.
void KeepBitmapHeaders(const BitmapCheck& check, ConversionState& state, Palette& palette);

// Reads and checks the 128 x 64 bitmap at path, kept in state and palette as above.
BitmapCheck ReadAndCheckBitmap(ConversionState& state, const std::string& path, Palette& palette);

// Where a conversion of fileName writes, in folder: for DB lines the rule of "lcd_" and
// every ".bmp" turned into ".txt"; for the others "lcd_" and the name with its last
// extension replaced by the syntax's.
std::string OutputPathFor(std::string_view folder, std::string_view fileName, const Syntax& syntax);

// The symbol a source syntax names the data by: the output file's name without its
// extension, every character outside [A-Za-z0-9_] made "_", a leading digit prefixed.
std::string SymbolFor(std::string_view outputPath);

// The colour that is on: palette entry 0 for Normal, entry 1 for Inverse.
Colour OnColour(const Palette& palette, bool inverse);

// A taken-in picture, Normal or Inverse, as the text of the choice's panel and syntax; the
// symbol, when the choice has none, from outputPath.
EncodedText ConvertTakenInToText(const TakenIn& picture, bool inverse, ProgressDisplay& progress,
                                 const OutputChoice& choice = {}, std::string_view outputPath = {});

} // namespace pelmora
