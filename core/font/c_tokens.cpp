#include "core/font/c_tokens.h"

namespace pelmora {

namespace {

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return 99;
}

constexpr long long kLargestNumber = 0xFFFFFFFFLL;

class Tokenizer {
  public:
    Tokenizer(std::string_view text, std::size_t maxTokens) : text_(text), max_(maxTokens) {}

    CTokens run() {
        bool lineStart = true;
        while (at_ < text_.size() && result_.error.empty()) {
            const char c = text_[at_];
            if (c == '\n') {
                ++line_;
                ++at_;
                lineStart = true;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++at_;
            } else if (lineStart && c == '#') {
                skipDirective();
            } else if (text_.substr(at_, 2) == "//") {
                while (at_ < text_.size() && text_[at_] != '\n') {
                    ++at_;
                }
            } else if (text_.substr(at_, 2) == "/*") {
                skipBlockComment();
            } else {
                lineStart = false;
                if (result_.tokens.size() >= max_) {
                    fail("more than " + std::to_string(max_) + " values");
                } else if (c == '"') {
                    readString();
                } else if ((c >= '0' && c <= '9') || c == '-' || c == '+') {
                    readNumber();
                } else if (IsNameChar(c)) {
                    const std::size_t start = at_;
                    while (at_ < text_.size() && IsNameChar(text_[at_])) {
                        ++at_;
                    }
                    push(CToken::Kind::Name, std::string(text_.substr(start, at_ - start)));
                } else {
                    push(CToken::Kind::Punct, std::string(1, c));
                    ++at_;
                }
            }
        }
        return std::move(result_);
    }

  private:
    void fail(const std::string& why) {
        if (result_.error.empty()) {
            result_.error = "line " + std::to_string(line_) + ": " + why;
        }
    }

    void push(CToken::Kind kind, std::string text, long long number = 0) {
        result_.tokens.push_back(CToken{kind, std::move(text), number, line_});
    }

    void skipDirective() {
        while (at_ < text_.size() && text_[at_] != '\n') {
            if (text_[at_] == '\\' && at_ + 1 < text_.size() && text_[at_ + 1] == '\n') {
                ++line_;
                ++at_;
            }
            ++at_;
        }
    }

    void skipBlockComment() {
        const std::size_t end = text_.find("*/", at_ + 2);
        if (end == std::string_view::npos) {
            fail("a comment is never closed");
            at_ = text_.size();
            return;
        }
        for (std::size_t i = at_; i < end; ++i) {
            line_ += text_[i] == '\n' ? 1 : 0;
        }
        at_ = end + 2;
    }

    void readNumber() {
        bool negative = false;
        if (text_[at_] == '-' || text_[at_] == '+') {
            negative = text_[at_] == '-';
            ++at_;
            while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t')) {
                ++at_;
            }
            if (at_ >= text_.size() || text_[at_] < '0' || text_[at_] > '9') {
                push(CToken::Kind::Punct, negative ? "-" : "+");
                return;
            }
        }
        int base = 10;
        if (text_.substr(at_, 2) == "0x" || text_.substr(at_, 2) == "0X") {
            base = 16;
            at_ += 2;
        } else if (text_[at_] == '0') {
            base = 8;
        }
        long long value = 0;
        std::size_t digits = 0;
        while (at_ < text_.size() && IsNameChar(text_[at_])) {
            const char c = text_[at_];
            const int digit = DigitValue(c);
            if (digit >= base) {
                // Suffixes such as U and L end the number; anything else spoils it.
                while (at_ < text_.size() && (text_[at_] == 'u' || text_[at_] == 'U' ||
                                              text_[at_] == 'l' || text_[at_] == 'L')) {
                    ++at_;
                }
                if (at_ < text_.size() && IsNameChar(text_[at_])) {
                    fail("a number is malformed");
                    return;
                }
                break;
            }
            value = value * base + digit;
            ++digits;
            ++at_;
            if (value > kLargestNumber) {
                fail("a number is larger than 32 bits");
                return;
            }
        }
        if (digits == 0 && base == 16) {
            fail("a number is malformed");
            return;
        }
        push(CToken::Kind::Number, {}, negative ? -value : value);
    }

    void readString() {
        ++at_;
        std::string bytes;
        while (true) {
            if (at_ >= text_.size() || text_[at_] == '\n') {
                fail("a string is never closed");
                return;
            }
            const char c = text_[at_++];
            if (c == '"') {
                break;
            }
            if (c != '\\') {
                bytes += c;
                continue;
            }
            if (at_ >= text_.size()) {
                fail("a string is never closed");
                return;
            }
            const char e = text_[at_++];
            if (e >= '0' && e <= '7') {
                int value = e - '0';
                for (int i = 0;
                     i < 2 && at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '7'; ++i) {
                    value = value * 8 + (text_[at_++] - '0');
                }
                if (value > 255) {
                    fail("an escape is larger than a byte");
                    return;
                }
                bytes += static_cast<char>(value);
            } else if (e == 'x') {
                int value = 0;
                int count = 0;
                while (at_ < text_.size() && DigitValue(text_[at_]) < 16) {
                    value = value * 16 + DigitValue(text_[at_++]);
                    if (++count > 2) {
                        fail("an escape is larger than a byte");
                        return;
                    }
                }
                if (count == 0) {
                    fail("an escape is malformed");
                    return;
                }
                bytes += static_cast<char>(value);
            } else {
                static constexpr std::string_view kFrom = "ntrabfv\\'\"?";
                static constexpr std::string_view kTo = "\n\t\r\a\b\f\v\\'\"?";
                const std::size_t which = kFrom.find(e);
                if (which == std::string_view::npos) {
                    fail("an escape is malformed");
                    return;
                }
                bytes += kTo[which];
            }
        }
        // Adjacent literals are one string, as the compiler joins them.
        if (!result_.tokens.empty() && result_.tokens.back().kind == CToken::Kind::String) {
            result_.tokens.back().text += bytes;
        } else {
            push(CToken::Kind::String, std::move(bytes));
        }
    }

    std::string_view text_;
    std::size_t max_;
    std::size_t at_ = 0;
    long line_ = 1;
    CTokens result_;
};

} // namespace

CTokens TokenizeC(std::string_view text, std::size_t maxTokens) {
    return Tokenizer(text, maxTokens).run();
}

} // namespace pelmora
