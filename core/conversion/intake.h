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
    std::string refusal; // the headers passed, the pixel data did not: why
    bool usable() const { return check.accepted() && refusal.empty(); }
};

// The panel size a bitmap must have is the layout's.
TakenIn TakeInBitmapFile(ConversionState& state, Palette& palette, const std::string& path,
                         const PanelLayout& panel = {});

// The same on a whole file's bytes already read.
TakenIn TakeInBitmapBytes(ConversionState& state, Palette& palette, std::string_view bytes,
                          const PanelLayout& panel = {});

// Where a conversion of fileName writes, in folder: for DB lines the rule of "lcd_" and
// every ".bmp" turned into ".txt"; for the others "lcd_" and the name with its last
// extension replaced by the syntax's.
std::string OutputPathFor(std::string_view folder, std::string_view fileName, const Syntax& syntax);

// The symbol a source syntax names the data by: the output file's name without its
// extension, every character outside [A-Za-z0-9_] made "_", a leading digit prefixed.
std::string SymbolFor(std::string_view outputPath);

// Converts a taken-in picture, Normal (palette entry 0 is on) or Inverse (entry 1), into
// the file at state.outputPath, or into text when toText is given.
WriteOutcome ConvertTakenIn(ConversionState& state, const TakenIn& picture, const Palette& palette,
                            bool inverse, ProgressDisplay& progress, ResultFlag& resultFlag,
                            const OutputChoice& choice = {});
std::string ConvertTakenInToText(ConversionState& state, const TakenIn& picture,
                                 const Palette& palette, bool inverse, ProgressDisplay& progress,
                                 const OutputChoice& choice = {});

} // namespace pelmora
