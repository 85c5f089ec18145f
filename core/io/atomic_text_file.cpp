#include "core/io/atomic_text_file.h"

#include "core/io/system_error.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <random>
#include <system_error>

namespace pelmora {

namespace {

// A name part unlikely to be taken; the caller creates it exclusively and tries again if it
// is. Seeded from the clock and the caller's salt rather than the random device, which
// costs system calls.
std::string RandomSuffix(std::uintptr_t salt) {
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    std::minstd_rand random(
        static_cast<std::uint_fast32_t>(now ^ (now >> 32) ^ salt ^ (std::uint64_t{salt} >> 32)));
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
    if (out_ != nullptr) {
        std::fclose(out_);
        out_ = nullptr;
    }
    if (!temporary_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(temporary_, ignored);
        temporary_.clear();
    }
}

bool AtomicTextFile::open() {
    // The temporary file sits beside the target so that the final rename stays on one
    // file system and so is atomic. It is created exclusively: a name that is taken is
    // never written through, whatever it is.
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::filesystem::path candidate = target_;
        candidate += ".tmp-" + RandomSuffix(reinterpret_cast<std::uintptr_t>(this) +
                                            static_cast<std::uintptr_t>(attempt));
        errno = 0;
#ifdef _WIN32
        out_ = _wfopen(candidate.c_str(), L"wbx");
#else
        out_ = std::fopen(candidate.c_str(), "wbx");
#endif
        if (out_ == nullptr && errno == EEXIST) {
            continue;
        }
        if (out_ == nullptr) {
            return fail(LastSystemError());
        }
        // Unbuffered: a caller writes its text in one piece, and that is one system call.
        std::setvbuf(out_, nullptr, _IONBF, 0);
        temporary_ = std::move(candidate);
        return true;
    }
    return fail("no free name for a temporary file");
}

bool AtomicTextFile::write(std::string_view text) {
    if (out_ == nullptr) {
        return fail(error_.empty() ? "the file was not open" : error_);
    }
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), out_) != text.size()) {
        return fail(LastSystemError());
    }
    return true;
}

bool AtomicTextFile::commit() {
    if (out_ == nullptr) {
        return fail(error_.empty() ? "the file was not open" : error_);
    }
    errno = 0;
    const bool written = std::fflush(out_) == 0 && std::ferror(out_) == 0;
    const bool closed = std::fclose(out_) == 0;
    out_ = nullptr;
    if (!written || !closed) {
        return fail(LastSystemError());
    }
    // Renaming over a folder fails (EISDIR), so the folder and the temporary file's
    // removal are all that a folder of the target's name sees.
    std::error_code error;
    std::filesystem::rename(temporary_, target_, error);
    if (error) {
        return fail(error.message());
    }
    temporary_.clear();
    return true;
}

} // namespace pelmora
