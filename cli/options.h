#pragma once

#include "core/asset/asset_options.h"

#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora::cli {

// One option of a command: its name, the name of the value it takes (empty for a switch)
// and its help, lines joined by '\n'; an option with no help is not listed. A switch with
// words (space separated) may take one of them as its value: "--mask", "--mask plane",
// "--mask=plane"; any other next argument stays a file.
struct Option {
    std::string_view name;
    std::string_view value;
    std::string_view help;
    std::string_view words = {};
};

using OptionTable = std::span<const Option>;

// A command's arguments: options by name (value empty for a switch) and the rest.
struct ParsedArguments {
    std::map<std::string, std::string, std::less<>> options;
    std::vector<std::string> files;
    std::string error;

    bool has(std::string_view name) const { return options.find(name) != options.end(); }
    const std::string* find(std::string_view name) const {
        const auto found = options.find(name);
        return found == options.end() ? nullptr : &found->second;
    }
    std::string value(std::string_view name) const {
        const auto found = options.find(name);
        return found == options.end() ? std::string() : found->second;
    }
};

// Switches take no value; valued options take the next argument or "--name=value". "--"
// ends the options and "-" alone is a file. Options come from any of the tables.
ParsedArguments Parse(const std::vector<std::string>& arguments,
                      std::initializer_list<OptionTable> tables);

// The listed options as help lines: "  --format F        db (default), ...".
std::string OptionHelp(std::initializer_list<OptionTable> tables);

// The long options given, named without their dashes, for the core's AssetReader.
NamedValues NamedOptions(const ParsedArguments& parsed);

// A whole decimal number, nothing before or after it.
inline bool ParseWhole(std::string_view text, int& number) {
    return ReadWhole(text, number);
}

// Letters, digits and _, not first a digit: a name every syntax can give its data.
bool IsSymbol(std::string_view name);

} // namespace pelmora::cli
