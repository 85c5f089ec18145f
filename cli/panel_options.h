#pragma once

#include "cli/options.h"
#include "cli/picture_input.h"
#include "core/conversion/encoder.h"

#include <span>
#include <string>
#include <string_view>

namespace pelmora::cli {

// The options that convert and show share to say the panel and its syntax.
OptionTable PanelOptions();

// The options that convert, show and prepare share to say what a dot holds: --depth,
// --colours and --mask.
OptionTable DotOptions();

// The options that prepare and convert share to prepare any picture.
OptionTable PreparationOptions();

// "a, b, c or d", "(default)" after the first when asked.
std::string ChoicesText(std::span<const std::string_view> names, bool markDefault);

// --size WxH into layout's width and height.
std::string ParseSize(const ParsedArguments& parsed, PanelLayout& layout);

// The syntax and panel that the options ask for: --panel's preset first, then every option
// given beside it. An error for a value out of range or a choice that contradicts another.
std::string ParseOutput(const ParsedArguments& parsed, OutputChoice& choice);

// --depth, --colours and --mask into layout; an error for a value out of range.
std::string ParseDots(const ParsedArguments& parsed, PanelLayout& layout);

// Whether any preparation option was given.
bool AsksToPrepare(const ParsedArguments& parsed);

// The preparation the options ask for, on a panel of width x height at one bit, or on
// layout (whose depth --levels must match).
std::string ParsePreparation(const ParsedArguments& parsed, int width, int height,
                             Preparation& preparation);
std::string ParsePreparation(const ParsedArguments& parsed, const PanelLayout& layout,
                             Preparation& preparation);

} // namespace pelmora::cli
