#pragma once

#include <span>
#include <string>
#include <string_view>

namespace pelmora {

// Why Make and Ninja cannot both read path in a dependency file (a control character such
// as a newline, or a backslash before a character that is escaped), or empty.
std::string DepfilePathProblem(std::string_view path);

// A path as Make and Ninja read it in a dependency file: a space, # or : after a
// backslash, $ doubled; a target's % after a backslash too, or Make takes a pattern rule.
std::string DepfilePath(std::string_view path, bool target = false);

// The dependency file, or why not: its text is empty and error names the path.
struct Depfile {
    std::string text;
    std::string path; // the first path no reader could take, and why
    std::string error;
};

// "out1 out2: in1 \\\n in2\n": every output made from every input, one rule.
Depfile WriteDepfile(std::span<const std::string> outputs, std::span<const std::string> inputs);

} // namespace pelmora
