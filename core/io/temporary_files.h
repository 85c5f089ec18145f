#pragma once

#include <csignal>

namespace pelmora {

// Makes SIGINT, SIGTERM and SIGHUP remove the temporary files being written, then end the
// process by that same signal, so that its parent sees the usual status. A signal that
// the process was started with ignored stays ignored (nohup, a background job).
// For a program's main(), before it writes a file; without it the list below is kept
// but unused.
void RemoveTemporaryFilesOnSignals();

// Holds those three signals back for its lifetime in this thread, so that a temporary file
// is made and listed (or renamed or removed, and unlisted) as one step for a handler.
class SignalsHeld {
  public:
    SignalsHeld();
    ~SignalsHeld();
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

  private:
    sigset_t saved_;
};

// Lists a temporary file for the handler; the slot to unlist it with, or -1 when the path
// is too long or every slot is taken (the file is then not removed on a signal).
int ListTemporaryFile(const char* path);
void UnlistTemporaryFile(int slot);

} // namespace pelmora
