#pragma once

#include <string>
#include <string_view>

namespace pelmora::cli {

inline constexpr std::string_view kProgramName = "pelmora-cli";

// Sets up how the process meets signals and closed streams; main's first call.
void PrepareProcess();

// "pelmora-cli: SUBJECT: MESSAGE" on standard error; without a subject when it is empty.
void PrintError(std::string_view subject, std::string_view message);

// Standard output, checked to the end: once a write or flush fails every later one does
// too, and error() gives the system's reason for the first failure.
class StandardOutput {
  public:
    bool write(std::string_view text);
    bool flush();
    bool close(); // flushes and closes; nothing may be written after it
    bool failed() const { return errno_ != 0; }
    std::string error() const;

  private:
    int errno_ = 0;
};

// One line of progress on standard error, shown only where standard error is a terminal.
class ProgressLine {
  public:
    ProgressLine();
    bool shown() const { return terminal_; }
    void show(std::string_view text); // replaces the line shown before
    void clear();

  private:
    bool terminal_;
    bool dirty_ = false;
};

} // namespace pelmora::cli
