#pragma once

#include <span>
#include <string>
#include <string_view>

namespace pelmora {

// A path as Make and Ninja read it in a dependency file: a space or # after a backslash,
// $ doubled.
std::string DepfilePath(std::string_view path);

// "out1 out2: in1 \\\n in2\n": every output made from every input, one rule.
std::string WriteDepfile(std::span<const std::string> outputs, std::span<const std::string> inputs);

} // namespace pelmora
