#pragma once

#include "core/asset/asset_options.h"

#include <functional>

namespace pelmora {

// The window's choices, remembered or in its fields, go to the core's AssetReader as named
// values under the command line's names ("fit" -> "cover"), so that they are read and
// checked where the command line's and a manifest's are.

// Reads values with read, leaving out each key the reader refuses and reading again: a
// remembered value that no longer reads is its default, silently. read starts afresh each
// time.
void ReadForgiving(NamedValues values, const std::function<void(AssetReader&)>& read);

// fit, background, dither, brightness, contrast, rotate, mirror, invert and threshold on
// layout's panel. The window keeps a threshold whatever the dither, so threshold is read
// alone, as it would be beside --dither threshold.
Preparation ReadPreparationChoices(NamedValues values, const PanelLayout& layout);

} // namespace pelmora
