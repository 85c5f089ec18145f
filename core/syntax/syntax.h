#pragma once

#include "core/panel/panel_layout.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

// What a syntax's reader made of a text.
struct SyntaxText {
    std::vector<std::uint8_t> bytes;   // the panel's bytes in order, as far as they could be read
    std::optional<PanelLayout> layout; // the geometry the text states of itself, if any
    std::string error;                 // "line N: ...": reading stopped there; empty when whole
};

// What the frames and font-table writers take: in syntax_frames.h and cell_text.h.
class FrameSource;
class TextOut;
struct ReadFrames;
struct CellTable;

// One output syntax: its name, how the window lists it, a line that says what it is, the
// extension of the files it writes, bytes to text, text back to bytes, and a look at a
// text to tell whether it is one of its own; its writers of frames and of font tables;
// and what it can do.
struct Syntax {
    std::string_view name;
    std::string_view label;
    std::string_view description;
    std::string_view extension;
    std::string (*write)(const PanelLayout& layout, std::span<const std::uint8_t> bytes,
                         std::string_view symbol);
    SyntaxText (*read)(std::string_view text);
    bool (*claims)(std::string_view text);
    // An animation's frames to out and back, the frames cut by fallback's size where the
    // text states none; null where a file of it holds one picture (xbm).
    void (*writeFrames)(const PanelLayout& layout, FrameSource& frames, std::string_view symbol,
                        TextOut& out);
    ReadFrames (*readFrames)(std::string_view text, const PanelLayout& fallback);
    // Whether a frames text told as its own is one: the DB text of frames opens with the
    // assembler's comments. Null where every such text is.
    bool (*claimsFrames)(std::string_view text);
    // A fixed-cell font table: every glyph a small panel of the cell's layout.
    std::string (*writeCellTable)(const CellTable& table, std::string_view symbol);
    // X bitmaps hold one layout only: rows from the top, the leftmost dot in bit 0.
    bool onlyRowsLsb;
    // The file is the bytes themselves: no text to show, paste or read as lines.
    bool rawBytes;
    // A C header that says how an Arduino sketch reads it.
    bool forSketch;
    // Bytes, as they are or in records: nothing in it marks frames, packing or geometry.
    bool binary;
    // A C header of const uint8_t arrays: packed bytes go in as an array of their own beside
    // the unpacker, and the asset build's combined header takes it.
    bool cArrays;
    // Its text takes the packing mark on a comment line beside its geometry.
    bool marksPacking;
};

// Every syntax in the order they are offered, the default (DB lines) first.
std::span<const Syntax* const> Syntaxes();

const Syntax& DefaultSyntax();
// Every syntax's name, in the order they are offered.
std::vector<std::string_view> SyntaxNames();

// Why the syntax cannot hold the layout's bytes (an X bitmap holds plain rows, lsb), or empty.
std::string SyntaxLayoutProblem(const Syntax& syntax, const PanelLayout& layout);
const Syntax* FindSyntax(std::string_view name);

// The syntax whose text this is, told from the content, then from the file name's
// extension; DB lines when neither tells.
const Syntax& SyntaxOfText(std::string_view text, std::string_view fileName = {});

// Calls line(number, text) for every line (without its CR LF or LF) until it returns false.
template <typename Visit> void ForEachLine(std::string_view text, Visit&& line) {
    long number = 1;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view current = text.substr(0, end);
        if (!current.empty() && current.back() == '\r') {
            current.remove_suffix(1);
        }
        if (!line(number++, current) || end == std::string_view::npos) {
            return;
        }
        text.remove_prefix(end + 1);
    }
}

} // namespace pelmora
