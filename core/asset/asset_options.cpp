#include "core/asset/asset_options.h"

#include "core/compress/compress.h"
#include "core/font/character_set.h"
#include "core/frames/frames.h"
#include "core/panel/presets.h"
#include "core/syntax/syntax.h"

#include <array>
#include <charconv>
#include <tuple>

namespace pelmora {

namespace {

// A manifest's key, as it is written there.
std::string KeyAsWritten(std::string_view key) {
    return std::string(key);
}

constexpr std::array<std::string_view, 10> kPreparationKeys{
    "levels",     "fit",      "background", "dither", "threshold",
    "brightness", "contrast", "rotate",     "mirror", "invert"};

std::string UpToSide(int least) {
    return "a whole number from " + std::to_string(least) + " to " + std::to_string(kMaxPanelSide);
}

// name in folder, unless it is absolute or there is no folder.
std::string InFolder(std::string_view folder, std::string_view name) {
    if (folder.empty() || (!name.empty() && name.front() == '/')) {
        return std::string(name);
    }
    return std::string(folder) + (folder.back() == '/' ? "" : "/") + std::string(name);
}

} // namespace

std::string_view NameOfMirror(Mirror mirror) {
    switch (mirror) {
    case Mirror::Horizontal:
        return "horizontal";
    case Mirror::Vertical:
        return "vertical";
    case Mirror::None:
        break;
    }
    return "none";
}

std::span<const std::string_view> PreparationKeys() {
    return kPreparationKeys;
}

bool AsksToPrepare(const NamedValues& values) {
    for (const std::string_view key : kPreparationKeys) {
        if (values.contains(key)) {
            return true;
        }
    }
    return false;
}

bool ReadWhole(std::string_view text, int& number) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    return error == std::errc() && stop == end && !text.empty();
}

std::optional<DotSize> ReadDotSize(std::string_view text) {
    const std::size_t cross = text.find('x');
    DotSize size;
    if (cross == std::string_view::npos || !ReadWhole(text.substr(0, cross), size.width) ||
        !ReadWhole(text.substr(cross + 1), size.height) || size.width < 1 || size.height < 1 ||
        size.width > kMaxPanelSide || size.height > kMaxPanelSide) {
        return std::nullopt;
    }
    return size;
}

std::string DotSizeWanted() {
    return "WIDTHxHEIGHT, each 1 to " + std::to_string(kMaxPanelSide);
}

std::string ChoicesText(std::span<const std::string_view> names, bool markDefault) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += i == 0 ? "" : i + 1 == names.size() ? " or " : ", ";
        text += names[i];
        text += i == 0 && markDefault ? " (default)" : "";
    }
    return text;
}

AssetReader::AssetReader(NamedValues values, KeyStyle style, ProblemsSaid said)
    : values_(std::move(values)), style_(style), said_(said) {}

std::string AssetReader::name(std::string_view key) const {
    return (style_ == KeyStyle::Option ? "--" : "") + std::string(key);
}

std::string AssetReader::said(const OptionProblem& problem) const {
    if (problem.key.empty()) {
        return problem.reason;
    }
    return name(problem.key) + (problem.reason.starts_with(':') ? "" : " ") + problem.reason;
}

bool AssetReader::add(std::string key, std::string reason) {
    problems_.push_back({std::move(key), std::move(reason), {}, {}});
    return false;
}

bool AssetReader::readSize(PanelLayout& layout) {
    if (const auto found = values_.find("size"); found != values_.end()) {
        const std::optional<DotSize> size = ReadDotSize(found->second);
        if (!size) {
            return add("size", "takes " + DotSizeWanted());
        }
        layout.width = size->width;
        layout.height = size->height;
    }
    return true;
}

bool AssetReader::readPanel(OutputChoice& choice) {
    const auto value = [this](std::string_view key) -> const std::string* {
        const auto found = values_.find(key);
        return found == values_.end() ? nullptr : &found->second;
    };
    PanelLayout layout;
    const PanelPreset* preset = nullptr;
    if (const std::string* panel = value("panel")) {
        preset = FindPanelPreset(*panel);
        if (preset == nullptr) {
            return add("panel", "takes " + ChoicesText(PresetNames(), false));
        }
        layout = preset->layout;
        if (!preset->syntax.empty()) {
            choice.syntax = FindSyntax(preset->syntax);
        }
    }
    if (const std::string* format = value("format")) {
        choice.syntax = FindSyntax(*format);
        if (choice.syntax == nullptr) {
            return add("format", "takes " + ChoicesText(SyntaxNames(), false));
        }
    }
    // An X bitmap's one layout, whether asked for by its format or by a preset.
    const bool xbm = choice.syntax != nullptr && choice.syntax->onlyRowsLsb;
    const std::string xbmName = xbm ? std::string(choice.syntax->name) : std::string();
    if (const std::string* given = value("layout")) {
        const std::optional<Arrangement> arrangement = ArrangementNamed(*given);
        if (!arrangement) {
            return add("layout", "takes halves, pages, rows or bitplanes");
        }
        layout.arrangement = *arrangement;
        if (xbm && layout.arrangement != Arrangement::Rows) {
            return add("format", xbmName + " is always " + name("layout") + " rows");
        }
        // Without a bit order, a layout asked for takes its own default, not the preset's.
        layout.bitOrder =
            layout.arrangement == Arrangement::Rows && !xbm ? BitOrder::Msb : BitOrder::Lsb;
    } else if (xbm) {
        layout.arrangement = Arrangement::Rows;
        layout.bitOrder = BitOrder::Lsb;
    } else if (preset == nullptr) {
        layout.bitOrder = BitOrder::Lsb;
    }
    if (const std::string* order = value("bit-order")) {
        if (*order != "lsb" && *order != "msb") {
            return add("bit-order", "takes lsb or msb");
        }
        layout.bitOrder = *order == "lsb" ? BitOrder::Lsb : BitOrder::Msb;
        if (xbm && layout.bitOrder != BitOrder::Lsb) {
            return add("format", xbmName + " is always " + name("bit-order") + " lsb");
        }
    }
    if (!readSize(layout)) {
        return false;
    }
    if (const std::string* blockWidth = value("block-width")) {
        if (!ReadWhole(*blockWidth, layout.blockWidth) || layout.blockWidth < 1 ||
            layout.blockWidth > kMaxPanelSide) {
            return add("block-width", "takes " + UpToSide(1));
        }
        if (layout.arrangement != Arrangement::Halves) {
            return add("block-width", "goes with " + name("layout") + " halves");
        }
    }
    if (!readDots(layout)) {
        return false;
    }
    for (const auto& [key, field, least] : {std::tuple{"ram-width", &layout.ramWidth, 1},
                                            std::tuple{"x-offset", &layout.xOffset, 0}}) {
        if (const std::string* given = value(key);
            given != nullptr &&
            (!ReadWhole(*given, *field) || *field < least || *field > kMaxPanelSide)) {
            return add(key, "takes " + UpToSide(least));
        }
    }
    if (std::string problem = CheckLayout(layout); !problem.empty()) {
        return add({}, std::move(problem));
    }
    if (choice.syntax != nullptr) {
        if (std::string problem = SyntaxLayoutProblem(*choice.syntax, layout); !problem.empty()) {
            return add("format", std::string(choice.syntax->name) + ": " + problem);
        }
    }
    choice.layout = layout;
    return true;
}

bool AssetReader::readDots(PanelLayout& layout) {
    if (const auto depth = values_.find("depth"); depth != values_.end()) {
        if (!ReadWhole(depth->second, layout.depth) ||
            (layout.depth != 1 && layout.depth != 2 && layout.depth != kMaxDepth)) {
            return add("depth", "takes 1, 2 or " + std::to_string(kMaxDepth));
        }
    }
    if (const auto given = values_.find("colours"); given != values_.end()) {
        const std::optional<Colours> colours = ColoursNamed(given->second);
        if (!colours || *colours == Colours::None) {
            return add("colours", "takes black-red or black-yellow");
        }
        layout.colours = *colours;
    }
    if (const auto ink = values_.find("ink"); ink != values_.end()) {
        if (ink->second != "0" && ink->second != "1") {
            return add("ink", "takes 0 or 1");
        }
        if (layout.colours == Colours::None) {
            return add("ink", "goes with " + name("colours"));
        }
        layout.inkIsZero = ink->second == "0";
    }
    if (const auto mask = values_.find("mask"); mask != values_.end()) {
        if (mask->second.empty() || mask->second == "plane") {
            layout.mask = MaskForm::Plane;
        } else if (mask->second == "interleaved") {
            layout.mask = MaskForm::Interleaved;
        } else {
            return add("mask", "takes plane or interleaved");
        }
    }
    return true;
}

bool AssetReader::readFrameInput(FrameInput& input) {
    const std::size_t before = problems_.size();
    if (const auto delay = values_.find("delay"); delay != values_.end()) {
        int ms = 0;
        if (!ReadWhole(delay->second, ms) || ms < 0 || ms > kMaxFrameDelayMs) {
            add("delay", "takes a whole number of milliseconds from 0 to " +
                             std::to_string(kMaxFrameDelayMs));
            if (said_ == ProblemsSaid::First) {
                return false;
            }
        }
        input.stillDelayMs = ms;
    }
    if (const auto sheet = values_.find("sheet"); sheet != values_.end()) {
        if (const std::optional<DotSize> cell = ReadDotSize(sheet->second)) {
            input.sheet = cell;
            if (!values_.contains("size") && !values_.contains("panel")) {
                values_["size"] = sheet->second;
            }
        } else {
            add("sheet", "takes " + DotSizeWanted());
        }
    }
    return problems_.size() == before;
}

bool AssetReader::readPacking(const OutputChoice& choice, bool frames, Packing& packing) {
    if (const auto compress = values_.find("compress"); compress != values_.end()) {
        const std::optional<Scheme> scheme = FindScheme(compress->second);
        if (!scheme) {
            return add("compress", "takes none, packbits, lzss, arduboy or auto");
        }
        packing.scheme = *scheme;
    }
    packing.delta = frames && values_.contains("delta");
    if (!packing.packs()) {
        return true;
    }
    const KeyRefusal refusal =
        RefusePacking(choice.syntaxOrDefault(), choice.panel(), packing, frames,
                      style_ == KeyStyle::Option ? OptionNamed : KeyAsWritten);
    return refusal.reason.empty() || add(refusal.key, refusal.reason);
}

bool AssetReader::readPreparation(const PanelLayout& layout, Preparation& preparation) {
    const std::size_t before = problems_.size();
    const auto halted = [&] {
        return said_ == ProblemsSaid::First && problems_.size() > before;
    };
    preparation.width = layout.width;
    preparation.height = layout.height;
    preparation.layout = layout;
    PrepareOptions& options = preparation.options;
    if (const auto levels = values_.find("levels"); levels != values_.end()) {
        if (layout.depth == 1 || layout.colours != Colours::None) {
            add("levels", "goes with " + name("depth") + " 2 or 4");
        } else if (LevelGreysRead read = ReadLevelGreys(levels->second, layout.depth);
                   !read.error.empty()) {
            add("levels", ": " + read.error);
        } else {
            options.levelGreys = std::move(read.greys);
        }
    }
    if (halted()) {
        return false;
    }
    if (const auto fit = values_.find("fit"); fit != values_.end()) {
        if (const std::optional<Fit> named = FitNamed(fit->second)) {
            options.fit = *named;
        } else {
            add("fit", "takes " + ChoicesText(FitNames(), false));
        }
    }
    if (halted()) {
        return false;
    }
    if (const auto background = values_.find("background"); background != values_.end()) {
        if (background->second != "white" && background->second != "black") {
            add("background", "takes white or black");
        }
        options.blackBackground = background->second == "black";
    }
    if (halted()) {
        return false;
    }
    bool ditherRead = false;
    if (const auto dither = values_.find("dither"); dither != values_.end()) {
        if (const std::optional<Dither> named = DitherNamed(dither->second)) {
            options.dither = *named;
            ditherRead = true;
        } else {
            add("dither", "takes " + ChoicesText(DitherNames(), false));
        }
    }
    if (halted()) {
        return false;
    }
    // A threshold is the threshold dither's only: said first on the command line, and in a
    // manifest only when every key was right alone.
    bool clash = false;
    if (const auto threshold = values_.find("threshold"); threshold != values_.end()) {
        clash = ditherRead && options.dither != Dither::Threshold;
        if (clash && said_ == ProblemsSaid::First) {
            return add("threshold", "goes with " + name("dither") + " threshold");
        }
        options.dither = Dither::Threshold;
        int value = 0;
        if (threshold->second == "auto") {
            options.threshold.reset();
        } else if (ReadWhole(threshold->second, value) && value >= 0 && value <= 256) {
            options.threshold = value;
        } else {
            add("threshold", "takes a whole number from 0 to 256, or auto");
        }
    }
    if (halted()) {
        return false;
    }
    for (const auto& [key, field] :
         {std::pair{"brightness", &options.brightness}, std::pair{"contrast", &options.contrast}}) {
        if (const auto given = values_.find(key);
            given != values_.end() &&
            (!ReadWhole(given->second, *field) || *field < -100 || *field > 100)) {
            add(key, "takes a whole number from -100 to 100");
            if (halted()) {
                return false;
            }
        }
    }
    if (const auto rotate = values_.find("rotate"); rotate != values_.end()) {
        if (!ReadWhole(rotate->second, preparation.rotate) ||
            (preparation.rotate != 0 && preparation.rotate != 90 && preparation.rotate != 180 &&
             preparation.rotate != 270)) {
            add("rotate", "takes 0, 90, 180 or 270");
        }
    }
    if (halted()) {
        return false;
    }
    if (const auto mirror = values_.find("mirror"); mirror != values_.end()) {
        const std::optional<Mirror> named = MirrorNamed(mirror->second);
        if (!named || *named == Mirror::None) {
            add("mirror", "takes horizontal or vertical");
        } else {
            preparation.mirror = *named;
        }
    }
    options.invert = values_.contains("invert");
    if (clash && problems_.size() == before) {
        add("threshold", "goes with " + name("dither") + " threshold");
    }
    return problems_.size() == before;
}

Asset AssetReader::readPicture(bool frames, bool takesBmp) {
    Asset asset;
    asset.kind = frames ? AssetKind::Frames : AssetKind::Picture;
    asset.inverse = values_.contains("inverse");
    const bool first = said_ == ProblemsSaid::First;
    if (frames) {
        asset.mergeRepeats = values_.contains("merge-repeats");
        if (!readFrameInput(asset.frameInput) && first) {
            return asset;
        }
    }
    panelRefused_ = !readPanel(asset.choice);
    if (!panelRefused_) {
        const Syntax& syntax = asset.choice.syntaxOrDefault();
        if (frames && !HoldsFrames(syntax)) {
            add("format",
                std::string(syntax.name) + " holds one picture only, no " + name("frames"));
        } else {
            readPacking(asset.choice, frames, asset.packing);
        }
    }
    if (first && !ok()) {
        return asset;
    }
    // Read even when the panel was not, in a manifest: every problem is said at once.
    const PanelLayout layout = asset.choice.panel();
    if (frames || AsksToPrepare(values_) || (!layout.plain() && !takesBmp)) {
        Preparation preparation;
        readPreparation(layout, preparation);
        // inverse is folded into the preparation: the prepared dots are what is written.
        preparation.options.invert = preparation.options.invert != asset.inverse;
        asset.preparation = preparation;
    }
    return asset;
}

bool AssetReader::readFont(FontFormats formats, std::string_view folder, FontInput& font) {
    const std::size_t before = problems_.size();
    const auto halted = [&] {
        return said_ == ProblemsSaid::First && problems_.size() > before;
    };
    const auto value = [this](std::string_view key) -> const std::string* {
        const auto found = values_.find(key);
        return found == values_.end() ? nullptr : &found->second;
    };
    if (const std::string* size = value("size")) {
        int pixels = 0;
        if (!ReadWhole(*size, pixels) || pixels < 1 || pixels > kMaxFontPixelSize) {
            add("size",
                "takes a whole number of pixels from 1 to " + std::to_string(kMaxFontPixelSize));
        }
        font.pixelSize = pixels;
    }
    if (halted()) {
        return false;
    }
    std::string chars = value("chars") != nullptr ? *value("chars") : "32-126";
    if (chars == "@") {
        add("chars", "@ names no file: give @FILE");
    } else {
        if (chars.starts_with("@")) {
            font.charsFile = InFolder(folder, std::string_view(chars).substr(1));
            chars = "@" + font.charsFile;
        }
        CharacterSet set = ParseCharacterSet(chars);
        switch (set.problem) {
        case CharacterSetProblem::None:
            font.codes = std::move(set.codes);
            break;
        case CharacterSetProblem::Unreadable:
            problems_.push_back({"chars", chars + ": " + set.reason, font.charsFile, set.reason});
            break;
        case CharacterSetProblem::NotUtf8:
            add("chars", chars + ": " + set.reason);
            break;
        case CharacterSetProblem::Malformed:
            add("chars", set.reason.empty()
                             ? "takes code points and ranges such as 32-126,0xB0, or @FILE"
                             : chars + ": " + set.reason);
            break;
        case CharacterSetProblem::Empty:
            add("chars", chars + " names no character");
            break;
        }
    }
    if (halted()) {
        return false;
    }
    const std::vector<std::string_view> formatNames = FontFormatNames();
    const std::span tableNames = std::span(formatNames).subspan(2); // past gfxfont and u8g2
    const std::string* format = value("format");
    bool formatKnown = true; // else the table's keys are not judged against it
    if (formats == FontFormats::Build) {
        // The combined files are C: a font goes in as a GFXfont, a u8g2 font or a C table.
        const std::string named = format != nullptr ? *format : "gfxfont";
        const Syntax* table = FindSyntax(named);
        if (FontKindNamed(named) == FontKind::Table && (table == nullptr || !table->cArrays)) {
            add("format", "takes gfxfont, u8g2, c or arduino for a font of the build");
            formatKnown = false;
        } else {
            FindFontFormat(named, font.format);
        }
    } else if (format != nullptr) {
        if (const Syntax* syntax = FindSyntax(*format); syntax != nullptr && syntax->onlyRowsLsb) {
            add("format", *format + " holds one picture, not a font table");
        } else if (!FindFontFormat(*format, font.format)) {
            add("format", "takes " + ChoicesText(formatNames, false));
        }
    }
    if (halted()) {
        return false;
    }
    if (formatKnown) {
        const bool table = font.format.syntax != nullptr;
        const std::string tables =
            formats == FontFormats::Build ? "c or arduino" : ChoicesText(tableNames, false);
        for (const std::string_view key : {"cell", "layout", "bit-order"}) {
            if (values_.contains(key) && !table) {
                add(std::string(key), "goes with a table: " + name("format") + " " + tables);
                if (halted()) {
                    return false;
                }
            }
        }
        PanelLayout& cell = font.format.cell;
        if (const std::string* layout = value("layout")) {
            if (*layout != "pages" && *layout != "rows") {
                add("layout", "takes pages or rows for a font table");
            }
            cell.arrangement = *layout == "rows" ? Arrangement::Rows : Arrangement::Pages;
        }
        if (halted()) {
            return false;
        }
        cell.bitOrder = cell.arrangement == Arrangement::Rows ? BitOrder::Msb : BitOrder::Lsb;
        if (const std::string* order = value("bit-order")) {
            if (*order != "lsb" && *order != "msb") {
                add("bit-order", "takes lsb or msb");
            }
            cell.bitOrder = *order == "msb" ? BitOrder::Msb : BitOrder::Lsb;
        }
        if (halted()) {
            return false;
        }
        if (const std::string* given = value("cell")) {
            if (const std::optional<DotSize> size = ReadDotSize(*given)) {
                cell.width = size->width;
                cell.height = size->height;
            } else {
                add("cell", "takes " + DotSizeWanted());
            }
            font.format.cellGiven = true;
        }
        if (halted()) {
            return false;
        }
    }
    if (const std::string* hinting = value("hinting")) {
        if (*hinting == "normal" || *hinting == "light" || *hinting == "none") {
            font.hinting = *hinting == "normal"  ? FontHinting::Normal
                           : *hinting == "light" ? FontHinting::Light
                                                 : FontHinting::None;
        } else {
            add("hinting", "takes normal, light or none");
        }
    }
    return problems_.size() == before;
}

} // namespace pelmora
