#pragma once

#include "core/page_mode_encoder.h"

#include <QStringList>

namespace pelmora::cli {

struct ConvertOptions {
    bool inverse = false;
    bool toStdout = false;
    bool quiet = false;
    QString outputDir;   // empty: beside each bitmap
    OutputChoice choice; // the panel and syntax
    QStringList bitmaps;
};

// Converts every bitmap, going on past failures. Exit status: 0 when all were written.
int RunConvert(ConversionState& state, const ConvertOptions& options);

} // namespace pelmora::cli
