#include "core/atomic_text_file.h"

#include "core/system_error.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <random>
#include <system_error>

namespace pelmora {

namespace {

// A name part unlikely to be taken; the caller checks and tries again if it is. Seeded
// from the clock and a counter rather than the random device, which costs system calls.
std::string RandomSuffix() {
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    static std::atomic<unsigned> calls{0};
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    std::minstd_rand random(static_cast<std::uint_fast32_t>(now ^ (now >> 32)) + calls++);
    std::string suffix;
    for (int i = 0; i < 8; ++i) {
        suffix += kDigits[random() % 36];
    }
    return suffix;
}

} // namespace

AtomicTextFile::AtomicTextFile(std::filesystem::path target) : target_(std::move(target)) {}

AtomicTextFile::~AtomicTextFile() {
    discard();
}

bool AtomicTextFile::fail(std::string reason) {
    error_ = std::move(reason);
    discard();
    return false;
}

void AtomicTextFile::discard() {
    if (out_.is_open()) {
        out_.close();
    }
    if (!temporary_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(temporary_, ignored);
        temporary_.clear();
    }
}

bool AtomicTextFile::open() {
    std::error_code error;
    if (std::filesystem::is_directory(target_, error)) {
        return fail(std::make_error_code(std::errc::is_a_directory).message());
    }
    // The temporary file sits beside the target so that the final rename stays on one
    // file system and so is atomic.
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::filesystem::path candidate = target_;
        candidate += ".tmp-" + RandomSuffix();
        if (std::filesystem::exists(std::filesystem::symlink_status(candidate, error))) {
            continue;
        }
        errno = 0;
        out_.open(candidate, std::ios::binary | std::ios::trunc);
        if (!out_) {
            return fail(LastSystemError());
        }
        temporary_ = std::move(candidate);
        return true;
    }
    return fail("no free name for a temporary file");
}

bool AtomicTextFile::write(std::string_view text) {
    errno = 0;
    out_.write(text.data(), static_cast<std::streamsize>(text.size()));
    return out_ ? true : fail(LastSystemError());
}

bool AtomicTextFile::commit() {
    if (!out_.is_open()) {
        return fail(error_.empty() ? "the file was not open" : error_);
    }
    errno = 0;
    out_.flush();
    out_.close();
    if (out_.fail()) {
        return fail(LastSystemError());
    }
    std::error_code error;
    std::filesystem::rename(temporary_, target_, error);
    if (error) {
        return fail(error.message());
    }
    temporary_.clear();
    return true;
}

} // namespace pelmora
