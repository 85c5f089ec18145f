#include "core/io/temporary_files.h"

#include <atomic>
#include <climits>
#include <cstring>
#include <iterator>

#include <pthread.h>
#include <unistd.h>

namespace pelmora {

namespace {

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};

enum SlotState : int { kFree, kFilling, kListed };

struct ListedFile {
    std::atomic<int> state{kFree};
    char path[PATH_MAX]{};
};

// A handler can reach nothing but static storage, and may only read it: the files being
// written live here, in fixed slots, rather than in the objects that write them.
constinit ListedFile listedFiles[8];

void RemoveListedFilesAndEnd(int signal) {
    for (ListedFile& file : listedFiles) {
        if (file.state.load() == kListed) {
            unlink(file.path);
        }
    }
    // Ended as the signal would have ended the process: the handler returns with the
    // signal blocked and pending, and it is delivered under the default action.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    raise(signal);
}

sigset_t EndingSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : kEndingSignals) {
        sigaddset(&set, signal);
    }
    return set;
}

} // namespace

void RemoveTemporaryFilesOnSignals() {
    struct sigaction action {};
    action.sa_handler = RemoveListedFilesAndEnd;
    action.sa_mask = EndingSignals(); // one handler at a time
    for (const int signal : kEndingSignals) {
        struct sigaction previous {};
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN) {
            sigaction(signal, &action, nullptr);
        }
    }
}

SignalsHeld::SignalsHeld() {
    const sigset_t held = EndingSignals();
    pthread_sigmask(SIG_BLOCK, &held, &saved_);
}

SignalsHeld::~SignalsHeld() {
    pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
}

int ListTemporaryFile(const char* path) {
    const std::size_t length = std::strlen(path);
    if (length >= sizeof(ListedFile::path)) {
        return -1;
    }
    for (int slot = 0; slot < static_cast<int>(std::size(listedFiles)); ++slot) {
        ListedFile& file = listedFiles[slot];
        int expected = kFree;
        if (file.state.compare_exchange_strong(expected, kFilling)) {
            std::memcpy(file.path, path, length + 1);
            file.state.store(kListed);
            return slot;
        }
    }
    return -1;
}

void UnlistTemporaryFile(int slot) {
    if (slot >= 0 && slot < static_cast<int>(std::size(listedFiles))) {
        listedFiles[slot].state.store(kFree);
    }
}

} // namespace pelmora
