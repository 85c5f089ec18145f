#include "cli/panel_options.h"

#include "core/panel/presets.h"
#include "core/prepare/prepare.h"
#include "core/syntax/syntax.h"

#include <array>
#include <vector>

namespace pelmora::cli {

namespace {

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
    std::string size = "the panel, 1 to " + std::to_string(kMaxPanelSide) +
                       " each way (default 128x64); the picture\nmust have this size";
    std::string ramWidth = "columns of the controller's RAM in each page or row, 1 to " +
                           std::to_string(kMaxPanelSide) +
                           ";\nthe columns beside the picture are written blank";
};

const ListedHelp& Listed() {
    static const ListedHelp listed;
    return listed;
}

} // namespace

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
        {"--size", "WxH", Listed().size},
        {"--block-width", "N", "columns of one block in halves (default 64)"},
        {"--panel", "NAME", Listed().panel},
        {"--ram-width", "N", Listed().ramWidth},
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

} // namespace pelmora::cli
