#pragma once

#include "cli/options.h"

namespace pelmora::cli {

// The options that convert and show share to say the panel and its syntax.
OptionTable PanelOptions();

// The options that convert, show and prepare share to say what a dot holds: --depth,
// --colours and --mask.
OptionTable DotOptions();

// The options that prepare and convert share to prepare any picture.
OptionTable PreparationOptions();

} // namespace pelmora::cli
