#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace pelmora {

// A text file that replaces its target only once every byte is written and closed.
// Until commit() succeeds the target is untouched; a file that is never committed
// leaves nothing behind. Each write() goes straight to the file: write in large pieces.
class AtomicTextFile {
  public:
    explicit AtomicTextFile(std::filesystem::path target);
    ~AtomicTextFile();
    AtomicTextFile(const AtomicTextFile&) = delete;
    AtomicTextFile& operator=(const AtomicTextFile&) = delete;

    bool open();
    bool write(std::string_view text);
    bool commit();

    // What went wrong, in the system's words, once a call returned false.
    const std::string& error() const { return error_; }

  private:
    bool fail(std::string reason);
    void discard();

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    std::FILE* out_ = nullptr;
    std::string error_;
};

} // namespace pelmora
