#include "cli/usage.h"

#include "cli/options.h"
#include "cli/panel_options.h"

#include <cstdio>

namespace pelmora::cli {

namespace {

std::string Synopsis() {
    std::string text;
    for (const Command& command : Commands()) {
        text += text.empty() ? "Usage: pelmora-cli " : "       pelmora-cli ";
        text += command.synopsis;
    }
    text += "       pelmora-cli --list panels | formats\n"
            "       pelmora-cli --help | --version\n";
    return text;
}

constexpr std::string_view kIntroduction =
    "\n"
    "Turns pictures into the bytes of a monochrome graphic LCD or OLED panel,\n"
    "written in the syntax the firmware needs, and shows such a file as the panel would.\n"
    "By default: a 128 x 64 panel of two 64-column halves, as DB lines: left half first,\n"
    "page by page, column by column, top pixel in bit 0.\n";

constexpr std::string_view kClosing =
    "\n"
    "  --list panels     the panels --panel names: size, layout, bit order, bits a dot\n"
    "                    or e-paper colours, and syntax\n"
    "  --list formats    the syntaxes --format names, with what each writes\n"
    "\n"
    "  -                 as a PICTURE or FILE: standard input (convert needs --stdout,\n"
    "                    or --name to name the file it writes)\n"
    "  --                end of options; every argument after it is a file\n"
    "\n"
    "Exit status: 0 on success, 1 when any file failed, 2 for a usage error.\n";

} // namespace

int UsageError(std::string_view message) {
    PrintError({}, message);
    return kExitUsage;
}

void PointToHelp(std::string_view command) {
    const std::string asked = command.empty() ? std::string() : std::string(command) + " ";
    std::fputs(("Try 'pelmora-cli " + asked + "--help'.\n").c_str(), stderr);
}

int PrintHelp(StandardOutput& out) {
    std::string help = Synopsis();
    help += kIntroduction;
    for (const Command& command : Commands()) {
        help += "\n";
        help += command.help();
    }
    help += kClosing;
    if (!out.write(help) || !out.flush()) {
        PrintError("standard output", out.error());
        return 1;
    }
    return 0;
}

int PrintCommandHelp(const Command& command, StandardOutput& out) {
    std::string help = "Usage: pelmora-cli " + std::string(command.synopsis) + "\n";
    help += command.help();
    if (command.takesPreparation) {
        help += "\n  PREPARATION, as prepare takes it:\n" + OptionHelp({PreparationOptions()});
    }
    help += "\nExit status: 0 on success, 1 when any file failed, 2 for a usage error.\n";
    if (!out.write(help) || !out.flush()) {
        PrintError("standard output", out.error());
        return 1;
    }
    return 0;
}

} // namespace pelmora::cli
