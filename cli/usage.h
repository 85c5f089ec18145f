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
};

// Every command, in the order the usage lists them.
std::span<const Command> Commands();

// The reason, the usage of every command and a pointer to --help, on standard error.
int UsageError(std::string_view message);

// The usage and the whole help, on standard output.
int PrintHelp(StandardOutput& out);

} // namespace pelmora::cli
