#pragma once

#include "core/conversion_state.h"
#include "core/syntax.h"

#include <QString>

namespace pelmora::cli {

struct ShowOptions {
    QString textFile;
    QString pngFile;                // empty: no picture
    QString bmpFile;                // empty: no bitmap
    const Syntax* syntax = nullptr; // null: told by the file
    PanelLayout layout;             // where the file states none
    int scale = 4;                  // pixels per dot in the picture
    bool blocks = false;
};

// Decodes a panel text file and prints it, or writes it as a picture. Exit status 0/1.
int RunShow(ConversionState& state, const ShowOptions& options);

} // namespace pelmora::cli
