#include "cli/panel_options.h"

#include "core/panel/presets.h"
#include "core/prepare/prepare.h"

#include <array>
#include <tuple>
#include <vector>

namespace pelmora::cli {

namespace {

std::vector<std::string_view> SyntaxNames() {
    std::vector<std::string_view> names;
    for (const Syntax* syntax : Syntaxes()) {
        names.push_back(syntax->name);
    }
    return names;
}

std::vector<std::string_view> PresetNames() {
    std::vector<std::string_view> names;
    for (const PanelPreset& preset : PanelPresets()) {
        names.push_back(preset.name);
    }
    return names;
}

// Lines of at most 62 characters, broken at spaces.
std::string Wrapped(const std::string& text) {
    constexpr std::size_t kWidth = 62;
    std::string wrapped;
    std::size_t lineStart = 0;
    std::size_t lastSpace = std::string::npos;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ' ') {
            lastSpace = wrapped.size();
        }
        wrapped += text[i];
        if (wrapped.size() - lineStart > kWidth && lastSpace != std::string::npos) {
            wrapped[lastSpace] = '\n';
            lineStart = lastSpace + 1;
            lastSpace = std::string::npos;
        }
    }
    return wrapped;
}

// Help text made from the lists once, for the tables below to point at.
struct ListedHelp {
    std::string format = ChoicesText(SyntaxNames(), true);
    std::string panel = Wrapped("a known panel, for its size, layout, bit order and syntax, "
                                "which the options beside it change: " +
                                ChoicesText(PresetNames(), false) + " (pelmora-cli --list panels)");
    std::string fit = ChoicesText(FitNames(), true);
    std::string dither = ChoicesText(DitherNames(), true);
};

const ListedHelp& Listed() {
    static const ListedHelp listed;
    return listed;
}

} // namespace

std::string ChoicesText(std::span<const std::string_view> names, bool markDefault) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += i == 0 ? "" : i + 1 == names.size() ? " or " : ", ";
        text += names[i];
        text += i == 0 && markDefault ? " (default)" : "";
    }
    return text;
}

OptionTable PanelOptions() {
    static const std::array<Option, 8> kOptions{{
        {"--format", "F", Listed().format},
        {"--layout", "L",
         "halves (default): blocks of --block-width columns, 8-row pages;\n"
         "pages: one block as wide as the panel; rows: rows from the top;\n"
         "bitplanes: 8-row pages, --depth bytes a column, top bit first"},
        {"--bit-order", "B",
         "lsb or msb: the bit of the top dot (pages) or the leftmost (rows);\n"
         "default lsb, msb for rows"},
        {"--size", "WxH",
         "the panel, 1 to 4096 each way (default 128x64); the picture\nmust have this size"},
        {"--block-width", "N", "columns of one block in halves (default 64)"},
        {"--panel", "NAME", Listed().panel},
        {"--ram-width", "N",
         "columns of the controller's RAM in each page or row, 1 to 4096;\n"
         "the columns beside the picture are written blank"},
        {"--x-offset", "K", "the picture's first column in the RAM (default 0)"},
    }};
    return kOptions;
}

OptionTable DotOptions() {
    static const std::array<Option, 4> kOptions{{
        {"--depth", "N",
         "bits a dot: 1 (default), 2 or 4; level 0 is white, the top\n"
         "level black"},
        {"--colours", "C",
         "black-red or black-yellow: tri-colour e-paper, a black plane\n"
         "then a colour plane"},
        {"--ink", "0|1",
         "with --colours: the bit that marks ink in both planes, 1\n"
         "(default) or 0 (blank bytes are then FF)"},
        {"--mask",
         {},
         "add a plane of the opaque dots (alpha 128 or more) after the\n"
         "picture; interleaved: each byte of one-bit pages then its mask\n"
         "byte, after the width and height",
         "plane interleaved"},
    }};
    return kOptions;
}

OptionTable PreparationOptions() {
    static const std::array<Option, 10> kOptions{{
        {"--fit", "F", Listed().fit},
        {"--background", "B", "white (default) or black, under transparency and margins"},
        {"--dither", "D", Listed().dither},
        {"--threshold", "N", "with threshold: on where grey < N, 0 to 256 (default 128), or auto"},
        {"--brightness", "N", "-100 to 100 (default 0)"},
        {"--contrast", "N", "-100 to 100 (default 0)"},
        {"--rotate", "DEG", "0, 90, 180 or 270, clockwise, before fitting"},
        {"--mirror", "M", "horizontal or vertical, before fitting"},
        {"--invert", {}, "flip every dot of the result"},
        {"--levels", "G0,G1,...",
         "with --depth 2 or 4: the grey, 0 to 255, of each level, level\n"
         "0 first, each darker than the one before (default evenly\n"
         "spaced)"},
    }};
    return kOptions;
}

std::string ParseSize(const ParsedArguments& parsed, PanelLayout& layout) {
    if (parsed.has("--size")) {
        const std::string size = parsed.value("--size");
        const std::size_t cross = size.find('x');
        const bool parsedSides =
            cross != std::string::npos &&
            ParseWhole(std::string_view(size).substr(0, cross), layout.width) &&
            ParseWhole(std::string_view(size).substr(cross + 1), layout.height);
        if (!parsedSides || layout.width < 1 || layout.height < 1 || layout.width > kMaxPanelSide ||
            layout.height > kMaxPanelSide) {
            return "--size takes WIDTHxHEIGHT, each 1 to 4096";
        }
    }
    return {};
}

std::string ParseOutput(const ParsedArguments& parsed, OutputChoice& choice) {
    PanelLayout layout;
    const PanelPreset* preset = nullptr;
    if (parsed.has("--panel")) {
        preset = FindPanelPreset(parsed.value("--panel"));
        if (preset == nullptr) {
            return "--panel takes " + ChoicesText(PresetNames(), false);
        }
        layout = preset->layout;
        if (!preset->syntax.empty()) {
            choice.syntax = FindSyntax(preset->syntax);
        }
    }
    if (parsed.has("--format")) {
        choice.syntax = FindSyntax(parsed.value("--format"));
        if (choice.syntax == nullptr) {
            return "--format takes " + ChoicesText(SyntaxNames(), false);
        }
    }
    // An X bitmap's one layout, whether asked for with --format or by a preset.
    const bool xbm = choice.syntax != nullptr && choice.syntax->onlyRowsLsb;
    const std::string xbmName = xbm ? std::string(choice.syntax->name) : std::string();
    if (parsed.has("--layout")) {
        const std::optional<Arrangement> arrangement = ArrangementNamed(parsed.value("--layout"));
        if (!arrangement) {
            return "--layout takes halves, pages, rows or bitplanes";
        }
        layout.arrangement = *arrangement;
        if (xbm && layout.arrangement != Arrangement::Rows) {
            return "--format " + xbmName + " is always --layout rows";
        }
        // Without --bit-order, a layout asked for takes its own default, not the preset's.
        layout.bitOrder =
            layout.arrangement == Arrangement::Rows && !xbm ? BitOrder::Msb : BitOrder::Lsb;
    } else if (xbm) {
        layout.arrangement = Arrangement::Rows;
        layout.bitOrder = BitOrder::Lsb;
    } else if (preset == nullptr) {
        layout.bitOrder = BitOrder::Lsb;
    }
    if (parsed.has("--bit-order")) {
        const std::string order = parsed.value("--bit-order");
        if (order != "lsb" && order != "msb") {
            return "--bit-order takes lsb or msb";
        }
        layout.bitOrder = order == "lsb" ? BitOrder::Lsb : BitOrder::Msb;
        if (xbm && layout.bitOrder != BitOrder::Lsb) {
            return "--format " + xbmName + " is always --bit-order lsb";
        }
    }
    if (std::string problem = ParseSize(parsed, layout); !problem.empty()) {
        return problem;
    }
    if (parsed.has("--block-width")) {
        if (!ParseWhole(parsed.value("--block-width"), layout.blockWidth) ||
            layout.blockWidth < 1 || layout.blockWidth > kMaxPanelSide) {
            return "--block-width takes a whole number from 1 to 4096";
        }
        if (layout.arrangement != Arrangement::Halves) {
            return "--block-width goes with --layout halves";
        }
    }
    if (std::string problem = ParseDots(parsed, layout); !problem.empty()) {
        return problem;
    }
    for (const auto& [name, field, least] : {std::tuple{"--ram-width", &layout.ramWidth, 1},
                                             std::tuple{"--x-offset", &layout.xOffset, 0}}) {
        if (parsed.has(name) &&
            (!ParseWhole(parsed.value(name), *field) || *field < least || *field > kMaxPanelSide)) {
            return std::string(name) + " takes a whole number from " + std::to_string(least) +
                   " to 4096";
        }
    }
    if (std::string problem = CheckLayout(layout); !problem.empty()) {
        return problem;
    }
    if (choice.syntax != nullptr) {
        if (std::string problem = SyntaxLayoutProblem(*choice.syntax, layout); !problem.empty()) {
            return "--format " + std::string(choice.syntax->name) + ": " + problem;
        }
    }
    choice.layout = layout;
    return {};
}

std::string ParseDots(const ParsedArguments& parsed, PanelLayout& layout) {
    if (parsed.has("--depth")) {
        if (!ParseWhole(parsed.value("--depth"), layout.depth) ||
            (layout.depth != 1 && layout.depth != 2 && layout.depth != kMaxDepth)) {
            return "--depth takes 1, 2 or 4";
        }
    }
    if (parsed.has("--colours")) {
        const std::optional<Colours> colours = ColoursNamed(parsed.value("--colours"));
        if (!colours || *colours == Colours::None) {
            return "--colours takes black-red or black-yellow";
        }
        layout.colours = *colours;
    }
    if (parsed.has("--ink")) {
        const std::string ink = parsed.value("--ink");
        if (ink != "0" && ink != "1") {
            return "--ink takes 0 or 1";
        }
        if (layout.colours == Colours::None) {
            return "--ink goes with --colours";
        }
        layout.inkIsZero = ink == "0";
    }
    if (const std::string* mask = parsed.find("--mask")) {
        if (mask->empty() || *mask == "plane") {
            layout.mask = MaskForm::Plane;
        } else if (*mask == "interleaved") {
            layout.mask = MaskForm::Interleaved;
        } else {
            return "--mask takes plane or interleaved";
        }
    }
    return {};
}

bool AsksToPrepare(const ParsedArguments& parsed) {
    for (const Option& option : PreparationOptions()) {
        if (parsed.has(option.name)) {
            return true;
        }
    }
    return false;
}

std::string ParsePreparation(const ParsedArguments& parsed, int width, int height,
                             Preparation& preparation) {
    // One bit in rows: a layout every size can take.
    const PanelLayout layout{.width = width, .height = height, .arrangement = Arrangement::Rows};
    return ParsePreparation(parsed, layout, preparation);
}

std::string ParsePreparation(const ParsedArguments& parsed, const PanelLayout& layout,
                             Preparation& preparation) {
    preparation.width = layout.width;
    preparation.height = layout.height;
    preparation.layout = layout;
    PrepareOptions& options = preparation.options;
    if (parsed.has("--levels")) {
        if (layout.depth == 1 || layout.colours != Colours::None) {
            return "--levels goes with --depth 2 or 4";
        }
        const LevelGreysRead read = ReadLevelGreys(parsed.value("--levels"), layout.depth);
        if (!read.error.empty()) {
            return "--levels: " + read.error;
        }
        options.levelGreys = read.greys;
    }
    if (parsed.has("--fit")) {
        const std::optional<Fit> fit = FitNamed(parsed.value("--fit"));
        if (!fit) {
            return "--fit takes " + ChoicesText(FitNames(), false);
        }
        options.fit = *fit;
    }
    if (parsed.has("--background")) {
        const std::string background = parsed.value("--background");
        if (background != "white" && background != "black") {
            return "--background takes white or black";
        }
        options.blackBackground = background == "black";
    }
    if (parsed.has("--dither")) {
        const std::optional<Dither> dither = DitherNamed(parsed.value("--dither"));
        if (!dither) {
            return "--dither takes " + ChoicesText(DitherNames(), false);
        }
        options.dither = *dither;
    }
    if (parsed.has("--threshold")) {
        if (parsed.has("--dither") && options.dither != Dither::Threshold) {
            return "--threshold goes with --dither threshold";
        }
        options.dither = Dither::Threshold;
        const std::string threshold = parsed.value("--threshold");
        int value = 0;
        if (threshold == "auto") {
            options.threshold.reset();
        } else if (ParseWhole(threshold, value) && value >= 0 && value <= 256) {
            options.threshold = value;
        } else {
            return "--threshold takes a whole number from 0 to 256, or auto";
        }
    }
    for (const auto& [name, field] : {std::pair{"--brightness", &options.brightness},
                                      std::pair{"--contrast", &options.contrast}}) {
        if (parsed.has(name) &&
            (!ParseWhole(parsed.value(name), *field) || *field < -100 || *field > 100)) {
            return std::string(name) + " takes a whole number from -100 to 100";
        }
    }
    if (parsed.has("--rotate")) {
        if (!ParseWhole(parsed.value("--rotate"), preparation.rotate) ||
            (preparation.rotate != 0 && preparation.rotate != 90 && preparation.rotate != 180 &&
             preparation.rotate != 270)) {
            return "--rotate takes 0, 90, 180 or 270";
        }
    }
    if (parsed.has("--mirror")) {
        preparation.mirror = parsed.value("--mirror");
        if (preparation.mirror != "horizontal" && preparation.mirror != "vertical") {
            return "--mirror takes horizontal or vertical";
        }
    }
    options.invert = parsed.has("--invert");
    return {};
}

} // namespace pelmora::cli
