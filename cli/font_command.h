#pragma once

#include "cli/cli_output.h"

#include <string>
#include <string_view>
#include <vector>

namespace pelmora::cli {

// pelmora-cli font: parses its own options and writes each FONT's characters as font data
// for the firmware. Exit status 0, 1 when any font failed, 2 for a usage error.
int RunFont(const std::vector<std::string>& arguments, StandardOutput& out);

// Its usage lines and its part of the help.
extern const std::string_view kFontSynopsis;
std::string FontHelp();

} // namespace pelmora::cli
