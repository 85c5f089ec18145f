#pragma once

#include "cli/cli_output.h"
#include "picture_input/picture_input.h"

#include <string>
#include <vector>

namespace pelmora::cli {

struct PrepareJob {
    Preparation preparation;
    std::string output;    // -o: one picture only
    std::string outputDir; // empty: beside each picture
    bool quiet = false;
    std::vector<std::string> pictures;
};

// Writes NAME_WxH.bmp beside each picture (or as asked), never over the picture itself.
int RunPrepare(const PrepareJob& command, StandardOutput& out);

// pelmora-cli prepare: its usage lines, its help, and its run over the arguments.
extern const std::string_view kPrepareSynopsis;
std::string PrepareHelp();
int PrepareCommand(const std::vector<std::string>& arguments, StandardOutput& out);

} // namespace pelmora::cli
