#pragma once

#include "cli/cli_output.h"

#include <string>
#include <vector>

namespace pelmora::cli {

// pelmora-cli font: parses its own options and writes each FONT's characters as font data
// for the firmware. Exit status 0, 1 when any font failed, 2 for a usage error.
int RunFont(const std::vector<std::string>& arguments, StandardOutput& out);

} // namespace pelmora::cli
