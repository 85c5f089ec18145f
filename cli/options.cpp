#include "cli/options.h"

#include <algorithm>
#include <charconv>

namespace pelmora::cli {

namespace {

constexpr std::size_t kHelpColumn = 20; // where an option's help starts

const Option* Find(std::initializer_list<OptionTable> tables, std::string_view name) {
    for (const OptionTable table : tables) {
        for (const Option& option : table) {
            if (option.name == name) {
                return &option;
            }
        }
    }
    return nullptr;
}

// Whether text is one of the space-separated words.
bool IsWord(std::string_view words, std::string_view text) {
    while (!words.empty()) {
        const std::size_t space = words.find(' ');
        if (words.substr(0, space) == text) {
            return true;
        }
        words.remove_prefix(space == std::string_view::npos ? words.size() : space + 1);
    }
    return false;
}

} // namespace

ParsedArguments Parse(const std::vector<std::string>& arguments,
                      std::initializer_list<OptionTable> tables) {
    ParsedArguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
            parsed.files.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        const Option* option = Find(tables, name);
        if (option != nullptr && option->value.empty() && !option->words.empty()) {
            std::string value =
                equals != std::string::npos ? argument.substr(equals + 1)
                : i + 1 < arguments.size() && IsWord(option->words, arguments[i + 1])
                    ? arguments[++i]
                    : std::string();
            if (equals != std::string::npos && value.empty()) {
                parsed.error = name + " needs a value after =";
                return parsed;
            }
            parsed.options[name] = std::move(value);
        } else if (option != nullptr && option->value.empty() && equals == std::string::npos) {
            parsed.options[name] = std::string();
        } else if (option != nullptr && !option->value.empty()) {
            if (equals == std::string::npos && i + 1 >= arguments.size()) {
                parsed.error = name + " needs a value";
                return parsed;
            }
            std::string value =
                equals == std::string::npos ? arguments[++i] : argument.substr(equals + 1);
            if (value.empty()) {
                parsed.error = name + " needs a value";
                return parsed;
            }
            parsed.options[name] = std::move(value);
        } else {
            parsed.error = "unknown option " + argument;
            return parsed;
        }
    }
    return parsed;
}

std::string OptionHelp(std::initializer_list<OptionTable> tables) {
    std::string help;
    for (const OptionTable table : tables) {
        for (const Option& option : table) {
            if (option.help.empty()) {
                continue;
            }
            std::string head = "  " + std::string(option.name);
            if (!option.value.empty()) {
                head += " " + std::string(option.value);
            } else if (!option.words.empty()) {
                std::string words(option.words);
                std::replace(words.begin(), words.end(), ' ', '|');
                head += " [" + words + "]";
            }
            // A head too long for the column takes a line of its own.
            if (head.size() >= kHelpColumn) {
                head += "\n";
                head += std::string(kHelpColumn, ' ');
            }
            head.resize(std::max(head.size(), kHelpColumn), ' ');
            help += head;
            for (std::string_view rest = option.help;;) {
                const std::size_t end = rest.find('\n');
                help += rest.substr(0, end);
                help += '\n';
                if (end == std::string_view::npos) {
                    break;
                }
                rest.remove_prefix(end + 1);
                help += std::string(kHelpColumn, ' ');
            }
        }
    }
    return help;
}

NamedValues NamedOptions(const ParsedArguments& parsed) {
    NamedValues named;
    for (const auto& [option, value] : parsed.options) {
        if (option.starts_with("--")) {
            named.emplace(option.substr(2), value);
        }
    }
    return named;
}

bool IsSymbol(std::string_view name) {
    if (name.empty() || (name[0] >= '0' && name[0] <= '9')) {
        return false;
    }
    for (const char c : name) {
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!letter && !(c >= '0' && c <= '9') && c != '_') {
            return false;
        }
    }
    return true;
}

} // namespace pelmora::cli
