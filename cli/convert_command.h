#pragma once

#include "cli/cli_output.h"
#include "cli/prepare_command.h"
#include "core/asset/asset.h"

#include <optional>
#include <string>
#include <vector>

namespace pelmora::cli {

struct ConvertOptions {
    Asset asset; // the panel and syntax, the preparation, the frames' input and the packing
    bool toStdout = false;
    bool quiet = false;
    std::string outputDir; // empty: beside each picture
    std::string stdinName; // the name standard input's picture goes by ("-" as a file)
    std::vector<std::string> pictures;
    std::string output; // with --frames, -o: the output's path; empty: after the first picture

    // --frames: the frames of every picture, in order, into one output.
    bool frames() const { return asset.kind == AssetKind::Frames; }
};

// Converts every picture, going on past failures. Exit status: 0 when all were written.
int RunConvert(const ConvertOptions& options, StandardOutput& out);

// pelmora-cli convert: its usage lines, its help, and its run over the arguments.
extern const std::string_view kConvertSynopsis;
std::string ConvertHelp();
int ConvertCommand(const std::vector<std::string>& arguments, StandardOutput& out);

} // namespace pelmora::cli
