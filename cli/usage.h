#pragma once

#include "cli/cli_output.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora::cli {

inline constexpr int kExitUsage = 2;

// A command of pelmora-cli: its usage lines (aligned as they follow "pelmora-cli "), its
// part of --help, and its run over the arguments after its name.
struct Command {
    std::string_view name;
    std::string_view synopsis;
    std::string (*help)();
    int (*run)(const std::vector<std::string>& arguments, StandardOutput& out);
    bool takesPreparation; // the PREPARATION options, which prepare's help lists
};

// Every command, in the order the usage lists them.
std::span<const Command> Commands();

// The reason, one line on standard error; whoever ran the command points to its --help.
int UsageError(std::string_view message);

// "Try 'pelmora-cli COMMAND --help'." (or the whole --help without a command), after a
// usage error, on standard error.
void PointToHelp(std::string_view command);

// The usage and the whole help, on standard output.
int PrintHelp(StandardOutput& out);

// One command's usage, what it does and its options, made from its option tables, on
// standard output.
int PrintCommandHelp(const Command& command, StandardOutput& out);

} // namespace pelmora::cli
