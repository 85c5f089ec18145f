// pelmora-cli: the converter for build scripts and batch work. It needs only the core and
// the picture readers that need no Qt: no job loads a user-interface library. This file
// dispatches; each command keeps its options and its run in a file of its own.

#include "cli/build_command.h"
#include "cli/cli_output.h"
#include "cli/convert_command.h"
#include "cli/font_command.h"
#include "cli/prepare_command.h"
#include "cli/show_command.h"
#include "cli/usage.h"
#include "core/panel/presets.h"
#include "core/syntax/syntax.h"

#include <array>
#include <string>
#include <vector>

namespace pelmora::cli {

std::span<const Command> Commands() {
    static const std::array kCommands{
        Command{"convert", kConvertSynopsis, ConvertHelp, ConvertCommand, true},
        Command{"prepare", kPrepareSynopsis, PrepareHelp, PrepareCommand, false},
        Command{"show", kShowSynopsis, ShowHelp, ShowCommand, false},
        Command{"font", kFontSynopsis, FontHelp, RunFont, false},
        Command{"build", kBuildSynopsis, BuildHelp, BuildCommand, false},
    };
    return kCommands;
}

} // namespace pelmora::cli

namespace {

using namespace pelmora;
using namespace pelmora::cli;

// "ssd1306          128 x 64   pages      lsb  1 bit      -        SSD1306 128 x 64": what a
// dot holds is its bits or the e-paper's planes, with a mask where there is one.
std::string PanelList() {
    std::string list;
    for (const PanelPreset& preset : PanelPresets()) {
        const PanelLayout& layout = preset.layout;
        std::string line(preset.name);
        line.resize(17, ' ');
        line += std::to_string(layout.width) + " x " + std::to_string(layout.height);
        line.resize(28, ' ');
        line += NameOf(layout.arrangement);
        line.resize(39, ' ');
        line += NameOf(layout.bitOrder);
        line.resize(44, ' ');
        line += layout.colours != Colours::None ? std::string(NameOf(layout.colours))
                : layout.depth == 1             ? std::string("1 bit")
                                                : std::to_string(layout.depth) + " bits";
        line.resize(57, ' ');
        line += preset.syntax.empty() ? std::string_view("-") : preset.syntax;
        line.resize(66, ' ');
        line += preset.label;
        list += line + "\n";
    }
    return list;
}

// "db       .txt  DB lines of eight bytes, ...".
std::string FormatList() {
    std::string list;
    for (const Syntax* syntax : Syntaxes()) {
        std::string line(syntax->name);
        line.resize(9, ' ');
        line += syntax->extension;
        line.resize(15, ' ');
        line += syntax->description;
        list += line + "\n";
    }
    return list;
}

int Write(StandardOutput& out, const std::string& text) {
    if (!out.write(text) || !out.flush()) {
        PrintError("standard output", out.error());
        return 1;
    }
    return 0;
}

// --help among a command's options, before any "--" ends them.
bool AsksForHelp(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "--") {
            return false;
        }
        if (argument == "--help") {
            return true;
        }
    }
    return false;
}

int Run(std::vector<std::string> arguments, StandardOutput& out) {
    if (arguments.empty()) {
        UsageError("no command given");
        PointToHelp({});
        return kExitUsage;
    }
    const std::string command = arguments.front();
    arguments.erase(arguments.begin());
    if (command == "--help" || command == "-h") {
        return PrintHelp(out);
    }
    if (command == "--version") {
        return Write(out, "pelmora-cli 0.1\n");
    }
    if (command == "--list") {
        const std::string what = arguments.size() == 1 ? arguments.front() : std::string();
        if (what != "panels" && what != "formats") {
            UsageError("--list takes panels or formats");
            PointToHelp({});
            return kExitUsage;
        }
        return Write(out, what == "panels" ? PanelList() : FormatList());
    }
    for (const Command& each : Commands()) {
        if (each.name == command) {
            if (AsksForHelp(arguments)) {
                return PrintCommandHelp(each, out);
            }
            const int status = each.run(arguments, out);
            if (status == kExitUsage) {
                PointToHelp(each.name);
            }
            return status;
        }
    }
    UsageError("unknown command " + command);
    PointToHelp({});
    return kExitUsage;
}

} // namespace

int main(int argc, char* argv[]) {
    PrepareProcess();
    StandardOutput out;
    int status = Run(std::vector<std::string>(argv + 1, argv + argc), out);
    // Standard output is closed here rather than at exit, so that a failure to put the
    // last bytes out is still reported.
    if (!out.close() && status == 0) {
        PrintError("standard output", out.error());
        status = 1;
    }
    return status;
}
