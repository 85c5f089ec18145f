#pragma once

#include "cli/cli_output.h"

#include <string>
#include <string_view>
#include <vector>

namespace pelmora::cli {

// pelmora-cli build: makes the assets a manifest names into one header (and source) for
// the firmware, writing only what changed. Exit status 0, 1 for a manifest or picture that
// failed (or, with --check, a stale output), 2 for a usage error.
extern const std::string_view kBuildSynopsis;
std::string BuildHelp();
int BuildCommand(const std::vector<std::string>& arguments, StandardOutput& out);

} // namespace pelmora::cli
