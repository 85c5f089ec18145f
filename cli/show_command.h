#pragma once

#include "cli/cli_output.h"
#include "core/compress/packed_output.h"
#include "core/syntax/syntax.h"

#include <optional>

#include <string>
#include <string_view>
#include <vector>

namespace pelmora::cli {

struct ShowOptions {
    std::string textFile;           // "-": standard input
    std::string pngFile;            // empty: no picture
    std::string bmpFile;            // empty: no bitmap
    const Syntax* syntax = nullptr; // null: told by the file
    PanelLayout layout;             // where the file states none
    int scale = 4;                  // pixels per dot in the picture
    bool blocks = false;
    // A font file: asked for by these, or told by its content.
    bool font = false;
    std::string fontFormat;          // "gfxfont", "u8g2"; else the syntax of a cell table
    std::optional<PanelLayout> cell; // a table's cell where the file states none
    std::string text;                // drawn as the firmware would; empty: every glyph
    // Frames: told by the file's mark, or asked for (bin and ihex carry none).
    bool frames = false;
    std::optional<int> frame; // the one frame shown (--png and --bmp: 0 by default)
    std::string gifFile;      // empty: no animation written
    // --compress and --delta: how a file that does not say so is packed.
    std::optional<Packing> packing;
};

// Decodes a panel file and prints it, or writes it as a picture. Exit status 0/1.
int RunShow(const ShowOptions& options, StandardOutput& out);

// pelmora-cli show: its usage lines, its help, and its run over the arguments.
extern const std::string_view kShowSynopsis;
std::string ShowHelp();
int ShowCommand(const std::vector<std::string>& arguments, StandardOutput& out);

} // namespace pelmora::cli
