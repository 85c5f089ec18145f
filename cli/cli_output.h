#pragma once

#include <QString>

#include <string_view>

namespace pelmora::cli {

constexpr std::string_view kProgramName = "pelmora-cli";

// "pelmora-cli: subject: message" on standard error.
void PrintError(const QString& subject, const QString& message);

// Writes text to standard output as it is (no line-end translation). False on failure.
bool WriteStdout(std::string_view text);

// Flushes standard output; false when something written to it was lost.
bool FlushStdout();

} // namespace pelmora::cli
