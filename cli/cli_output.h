#pragma once

#include <string>
#include <string_view>

namespace pelmora::cli {

inline constexpr std::string_view kProgramName = "pelmora-cli";

// Sets up how the process meets signals and closed streams; main's first call. A closed
// standard stream stays failing but its number is never reused; a broken pipe and a
// file-size limit are failed writes (SIGPIPE, SIGXFSZ ignored); SIGINT, SIGTERM and SIGHUP
// remove the temporary file being written and then end the process as they would.
void PrepareProcess();

// The text itself, or, when it holds a control character (below 0x20, or 0x7F), all of it
// quoted as ls --quoting-style=shell-escape quotes a name ('a'$'\n''b'), which a shell
// reads back as the very bytes. Every other byte, UTF-8 included, stays as it is.
std::string QuotedForMessage(std::string_view text);

// "pelmora-cli: SUBJECT: MESSAGE" on standard error; without a subject when it is empty.
// Each part is QuotedForMessage, so the message is always one line.
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
