// The page's modules, one per command (convert; show and font are fetched when first
// asked for): pelmora-cli's own commands, run over files in the module's memory, and
// the registries the page builds its choices from. The page's script (pelmora_api.js)
// writes the input, runs a command with the arguments the options make, and takes the
// bytes the command wrote to standard output and the reason it wrote to standard error.

#include "cli/cli_output.h"
#include "cli/options.h"
#include "cli/panel_options.h"
#include "cli/usage.h"
#include "core/frames/frames.h"
#include "core/panel/presets.h"
#include "core/prepare/prepare.h"
#include "core/syntax/syntax.h"

#ifdef PELMORA_WEB_SHOW
#include "cli/show_command.h"
#endif

#if defined(PELMORA_WEB_FONT)
#include "cli/font_command.h"
#elif !defined(PELMORA_WEB_SHOW)
#include "cli/convert_command.h"
#endif

#include <array>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include <emscripten/emscripten.h>

namespace pelmora::cli {

// The commands the page runs; named fields, so that one added to Command keeps its default.
std::span<const Command> Commands() {
    static const std::array kCommands {
#if defined(PELMORA_WEB_FONT)
        Command{.name = "font", .synopsis = kFontSynopsis, .help = FontHelp, .run = RunFont},
#elif defined(PELMORA_WEB_SHOW)
        Command{.name = "show", .synopsis = kShowSynopsis, .help = ShowHelp, .run = ShowCommand},
#else
        Command{.name = "convert",
                .synopsis = kConvertSynopsis,
                .help = ConvertHelp,
                .run = ConvertCommand},
#endif
    };
    return kCommands;
}

} // namespace pelmora::cli

namespace {

using namespace pelmora;
using namespace pelmora::cli;

std::string Quoted(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (c == '\n') {
            quoted += "\\n";
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string Names(std::span<const std::string_view> names) {
    std::string list = "[";
    for (const std::string_view name : names) {
        list += (list.size() > 1 ? "," : "") + Quoted(name);
    }
    return list + "]";
}

std::string Options(OptionTable table) {
    std::string list = "[";
    for (const Option& option : table) {
        list += (list.size() > 1 ? "," : "") + std::string("{\"name\":") + Quoted(option.name) +
                ",\"value\":" + Quoted(option.value) + ",\"help\":" + Quoted(option.help) + "}";
    }
    return list + "]";
}

std::string Registries() {
    std::string json = "{\"presets\":[";
    bool first = true;
    for (const PanelPreset& preset : PanelPresets()) {
        json += std::string(first ? "" : ",") + "{\"name\":" + Quoted(preset.name) +
                ",\"label\":" + Quoted(preset.label) +
                ",\"width\":" + std::to_string(preset.layout.width) +
                ",\"height\":" + std::to_string(preset.layout.height) +
                ",\"layout\":" + Quoted(NameOf(preset.layout.arrangement)) +
                ",\"blockWidth\":" + std::to_string(preset.layout.blockWidth) +
                ",\"depth\":" + std::to_string(preset.layout.depth) +
                ",\"colours\":" + Quoted(NameOf(preset.layout.colours)) +
                ",\"plain\":" + (preset.layout.plain() ? "true" : "false") +
                ",\"bitOrder\":" + Quoted(NameOf(preset.layout.bitOrder)) +
                ",\"format\":" + Quoted(preset.syntax) + "}";
        first = false;
    }
    json += "],\"formats\":[";
    first = true;
    for (const Syntax* syntax : Syntaxes()) {
        json += std::string(first ? "" : ",") + "{\"name\":" + Quoted(syntax->name) +
                ",\"label\":" + Quoted(syntax->label) +
                ",\"description\":" + Quoted(syntax->description) +
                ",\"extension\":" + Quoted(syntax->extension) +
                ",\"onlyRowsLsb\":" + (syntax->onlyRowsLsb ? "true" : "false") +
                ",\"holdsFrames\":" + (HoldsFrames(*syntax) ? "true" : "false") +
                ",\"raw\":" + (syntax->rawBytes ? "true" : "false") +
                ",\"binary\":" + (syntax->binary ? "true" : "false") +
                ",\"forSketch\":" + (syntax->forSketch ? "true" : "false") + "}";
        first = false;
    }
    json += "],\"fits\":" + Names(FitNames()) + ",\"dithers\":" + Names(DitherNames());
    json += ",\"panelOptions\":" + Options(PanelOptions());
    json += ",\"dotOptions\":" + Options(DotOptions());
    json += ",\"preparationOptions\":" + Options(PreparationOptions()) + "}";
    return json;
}

} // namespace

extern "C" {

// Runs a command over arguments packed one after another, each ended by a zero byte; the
// first is the command's name. Returns its exit status, as pelmora-cli's would be.
EMSCRIPTEN_KEEPALIVE int pelmora_run(const char* packed, int size) {
    std::vector<std::string> arguments;
    for (int start = 0; start < size;) {
        const std::string argument(packed + start);
        start += static_cast<int>(argument.size()) + 1;
        arguments.push_back(argument);
    }
    if (arguments.empty()) {
        return UsageError("no command given");
    }
    const std::string command = arguments.front();
    arguments.erase(arguments.begin());
    const Command* found = nullptr;
    for (const Command& each : Commands()) {
        found = each.name == command ? &each : found;
    }
    if (found == nullptr) {
        return UsageError("unknown command " + command);
    }
    StandardOutput out;
    int status = found->run(arguments, out);
    if (!out.flush() && status == 0) {
        PrintError("standard output", out.error());
        status = 1;
    }
    std::fflush(stderr);
    return status;
}

// The registries as JSON: presets, syntaxes, fits, dithers and the option tables.
EMSCRIPTEN_KEEPALIVE const char* pelmora_registries() {
    static const std::string json = Registries();
    return json.c_str();
}

} // extern "C"
