#pragma once

#include "core/asset/asset.h"

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

// An asset's options by name, without dashes ("dither" -> "atkinson"); a switch that is on
// is there with an empty text. The command line's options and a manifest's keys both.
using NamedValues = std::map<std::string, std::string, std::less<>>;

// The keys of the preparation, in the order they are read.
std::span<const std::string_view> PreparationKeys();

// Whether any key of the preparation is given.
bool AsksToPrepare(const NamedValues& values);

// "WxH", each side a whole number from 1 to kMaxPanelSide.
std::optional<DotSize> ReadDotSize(std::string_view text);
// What ReadDotSize takes, for a message: "WIDTHxHEIGHT, each 1 to 4096".
std::string DotSizeWanted();

// A whole decimal number, nothing before or after it.
bool ReadWhole(std::string_view text, int& number);

// "a, b, c or d", "(default)" after the first when asked.
std::string ChoicesText(std::span<const std::string_view> names, bool markDefault);

// One bad value: the key it is given under and why ("dither", "takes a, b or c").
struct OptionProblem {
    std::string key;    // empty: the panel's geometry as a whole
    std::string reason; // other keys named as the front end names them
    std::string file;   // a file the value names that could not be read (chars=@FILE)
    std::string fileError;
};

// How a front end names a key: "--dither" on the command line, "dither" in a manifest.
enum class KeyStyle { Option, Key };

// The command line stops at its first problem; a manifest says every key's, then what only
// keys given together get wrong when each was right alone.
enum class ProblemsSaid { First, Every };

// Reads named values into the parts of an Asset, adding one problem per bad value.
class AssetReader {
  public:
    AssetReader(NamedValues values, KeyStyle style, ProblemsSaid said);

    const NamedValues& values() const { return values_; }
    const std::vector<OptionProblem>& problems() const { return problems_; }
    bool ok() const { return problems_.empty(); }

    // The key as this front end writes it.
    std::string name(std::string_view key) const;
    // The problem in one line: "--dither takes ...", "levels: ...".
    std::string said(const OptionProblem& problem) const;

    // The panel and syntax, starting from panel's preset, each value given beside it; the
    // first problem only, as each value may depend on those before it. choice is set whole
    // only when the panel is right.
    bool readPanel(OutputChoice& choice);
    // depth, colours, ink and mask into layout.
    bool readDots(PanelLayout& layout);
    // size alone into layout.
    bool readSize(PanelLayout& layout);
    // A frames asset's sheet and delay; a sheet is the panel's size unless size or panel
    // says otherwise.
    bool readFrameInput(FrameInput& input);
    // compress and delta, for choice's syntax and panel.
    bool readPacking(const OutputChoice& choice, bool frames, Packing& packing);
    // The preparation on layout (whose depth levels must match).
    bool readPreparation(const PanelLayout& layout, Preparation& preparation);
    // A picture or frames: frames input, panel, packing, and the preparation when frames,
    // asked for, or the panel is not one plain bit (unless takesBmp says a BMP is taken in
    // as it is).
    Asset readPicture(bool frames, bool takesBmp = false);
    // Whether readPicture's problem was the panel's.
    bool panelRefused() const { return panelRefused_; }

    // Which font formats a font may take: any, or those the combined C files hold.
    enum class FontFormats { Any, Build };
    // A font's size, chars (an @FILE in folder), hinting, format and table cell.
    bool readFont(FontFormats formats, std::string_view folder, FontInput& font);

  private:
    bool add(std::string key, std::string reason);

    NamedValues values_;
    KeyStyle style_;
    ProblemsSaid said_;
    std::vector<OptionProblem> problems_;
    bool panelRefused_ = false;
};

} // namespace pelmora
