#pragma once

#include "core/conversion_state.h"

#include <QStringList>

namespace pelmora::cli {

struct ConvertOptions {
    bool inverse = false;
    bool toStdout = false;
    bool quiet = false;
    QString outputDir; // empty: beside each bitmap
    QStringList bitmaps;
};

// Converts every bitmap, going on past failures. Exit status: 0 when all were written.
int RunConvert(ConversionState& state, const ConvertOptions& options);

} // namespace pelmora::cli
