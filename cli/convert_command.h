#pragma once

#include "cli/cli_output.h"
#include "cli/prepare_command.h"
#include "core/compress/packed_output.h"
#include "core/conversion/encoder.h"

#include <optional>
#include <string>
#include <vector>

namespace pelmora::cli {

struct ConvertOptions {
    bool inverse = false;
    bool toStdout = false;
    bool quiet = false;
    std::string outputDir; // empty: beside each picture
    OutputChoice choice;   // the panel and syntax
    std::string stdinName; // the name standard input's picture goes by ("-" as a file)
    std::optional<Preparation> preparation; // set: any picture, prepared first
    std::vector<std::string> pictures;
    // --frames: the frames of every picture, in order, into one output.
    bool frames = false;
    FrameInput frameInput;     // --sheet and --delay
    bool mergeRepeats = false; // a frame equal to the one before it only lengthens that one
    std::string output;        // -o: the output's path; empty: named after the first picture
    Packing packing;           // --compress and --delta
};

// Converts every picture, going on past failures. Exit status: 0 when all were written.
int RunConvert(const ConvertOptions& options, StandardOutput& out);

// pelmora-cli convert: its usage lines, its help, and its run over the arguments.
extern const std::string_view kConvertSynopsis;
std::string ConvertHelp();
int ConvertCommand(const std::vector<std::string>& arguments, StandardOutput& out);

} // namespace pelmora::cli
