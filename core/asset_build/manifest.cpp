#include "core/asset_build/manifest.h"

#include <algorithm>
#include <map>
#include <set>
#include <span>

// The library is used header-only, in this one file: the command line links the C++
// runtime statically and loads no shared C++ library. Errors come back as values.
#define TOML_HEADER_ONLY 1
#define TOML_EXCEPTIONS 0
#include <toml++/toml.h>

namespace pelmora {

namespace {

constexpr std::string_view kSingleTables[] = {"output", "panel"};
constexpr std::string_view kListedTables[] = {"image", "frames", "font"};

bool Among(std::span<const std::string_view> names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

ManifestPlace PlaceOf(const toml::source_region& region) {
    return {static_cast<long>(region.begin.line), static_cast<long>(region.begin.column)};
}

// toml++ 3.3 reaches __builtin_unreachable when it tests some characters for whitespace
// (U+00A1..U+0499, U+FB26..U+FEFE), which it does wherever a character may end a token.
// Each one is swapped, before parsing, for one of the same UTF-8 length that it answers
// for, and swapped back in every key, string and message: the places stay where they were.
bool Unsafe(char32_t c) {
    if (c <= 0xA0 || c >= 0xFEFF || c == 0x3000) {
        return false;
    }
    // The library's own table: 64 blocks of 0x3FA, two of which it does not answer for.
    const auto block = (c - 0xA0) / 0x3FA;
    return ((1ULL << block) & 0x7FFFFFFFFFFFF75EULL) == 0 && block != 5 && block != 7;
}

// The code point at text[i] and its length, or length 0 where the bytes are no UTF-8.
std::pair<char32_t, std::size_t> CodeAt(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80         ? 1
                               : (lead >> 5) == 6  ? 2
                               : (lead >> 4) == 14 ? 3
                               : (lead >> 3) == 30 ? 4
                                                   : 0;
    if (length == 0 || i + length > text.size()) {
        return {0, 0};
    }
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) {
            return {0, 0};
        }
        code = code << 6 | (next & 0x3F);
    }
    return {code, length};
}

void AppendCode(std::string& text, char32_t code) {
    if (code < 0x800) {
        text += static_cast<char>(0xC0 | code >> 6);
    } else {
        text += static_cast<char>(0xE0 | code >> 12);
        text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    }
    text += static_cast<char>(0x80 | (code & 0x3F));
}

// Each code point of text through swaps; the bytes that are no UTF-8 as they are.
std::string Swapped(std::string_view text, const std::map<char32_t, char32_t>& swaps) {
    if (swaps.empty()) {
        return std::string(text);
    }
    std::string swapped;
    swapped.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto [code, length] = CodeAt(text, i);
        const auto found = length == 0 ? swaps.end() : swaps.find(code);
        if (found == swaps.end()) {
            swapped.append(text.substr(i, length == 0 ? 1 : length));
        } else {
            AppendCode(swapped, found->second);
        }
        i += length == 0 ? 1 : length;
    }
    return swapped;
}

// The swaps that make text safe, and those that undo them; false when there are not
// enough stand-ins (a text of some thousand distinct such characters).
bool SafeSwaps(std::string_view text, std::map<char32_t, char32_t>& there,
               std::map<char32_t, char32_t>& back) {
    std::set<char32_t> used;
    for (std::size_t i = 0; i < text.size();) {
        const auto [code, length] = CodeAt(text, i);
        used.insert(code);
        i += length == 0 ? 1 : length;
    }
    // Stand-ins toml++ answers for: Cyrillic and on for two bytes, CJK for three.
    char32_t twoBytes = 0x49A;
    char32_t threeBytes = 0x4E00;
    for (const char32_t code : used) {
        if (!Unsafe(code)) {
            continue;
        }
        char32_t& next = code < 0x800 ? twoBytes : threeBytes;
        while (used.contains(next)) {
            ++next;
        }
        if (next > (code < 0x800 ? 0x7FF : 0x9FFF)) {
            return false;
        }
        there[code] = next;
        back[next] = code;
        ++next;
    }
    return true;
}

ManifestTable ReadTable(std::string_view kind, const toml::table& table, ManifestPlace place,
                        const std::map<char32_t, char32_t>& back,
                        std::vector<ManifestProblem>& problems) {
    ManifestTable read{std::string(kind), place, {}};
    for (const auto& [key, node] : table) {
        ManifestValue value;
        value.place = PlaceOf(key.source());
        const std::string name = Swapped(key.str(), back);
        if (const auto* text = node.as_string()) {
            value.text = Swapped(text->get(), back);
        } else if (const auto* number = node.as_integer()) {
            value.kind = ManifestValue::Kind::Number;
            value.text = std::to_string(number->get());
        } else if (const auto* boolean = node.as_boolean()) {
            value.kind = ManifestValue::Kind::Boolean;
            value.text = boolean->get() ? "true" : "false";
        } else if (const auto* array = node.as_array()) {
            value.kind = ManifestValue::Kind::List;
            bool allText = true;
            for (const toml::node& item : *array) {
                if (const auto* text = item.as_string()) {
                    value.list.push_back(Swapped(text->get(), back));
                } else {
                    allText = false;
                }
            }
            if (!allText) {
                problems.push_back({value.place, name + " takes a list of strings"});
                continue;
            }
        } else {
            problems.push_back({value.place, name + " takes a string, a whole number, true or "
                                                    "false, or a list of strings"});
            continue;
        }
        // A C string ends at a NUL: a name or path would be read cut short.
        const auto hasNul = [](const std::string& text) {
            return text.find('\0') != std::string::npos;
        };
        if (hasNul(value.text) || std::any_of(value.list.begin(), value.list.end(), hasNul)) {
            problems.push_back({value.place, name + " holds a NUL character, which no name, path "
                                                    "or character set may hold"});
        }
        read.entries.push_back({name, std::move(value)});
    }
    return read;
}

} // namespace

const ManifestEntry* ManifestTable::find(std::string_view key) const {
    const auto found = std::find_if(entries.begin(), entries.end(),
                                    [&](const ManifestEntry& entry) { return entry.key == key; });
    return found == entries.end() ? nullptr : &*found;
}

Manifest ReadManifest(std::string_view text) {
    Manifest manifest;
    std::map<char32_t, char32_t> there;
    std::map<char32_t, char32_t> back;
    if (!SafeSwaps(text, there, back)) {
        manifest.problems.push_back({{1, 1}, "the manifest holds too many distinct characters"});
        return manifest;
    }
    const std::string safe = Swapped(text, there);
    toml::parse_result parsed = toml::parse(safe);
    if (!parsed) {
        const toml::parse_error& error = parsed.error();
        manifest.problems.push_back({PlaceOf(error.source()), Swapped(error.description(), back)});
        return manifest;
    }
    for (const auto& [key, node] : parsed.table()) {
        const std::string name = Swapped(key.str(), back);
        const ManifestPlace place = PlaceOf(key.source());
        if (Among(kSingleTables, name)) {
            if (const auto* table = node.as_table()) {
                manifest.tables.push_back(ReadTable(name, *table, place, back, manifest.problems));
            } else {
                manifest.problems.push_back({place, "[" + name + "] is one table"});
            }
        } else if (Among(kListedTables, name)) {
            const auto* array = node.as_array();
            if (array == nullptr || !array->is_array_of_tables()) {
                manifest.problems.push_back(
                    {place, name + " is a list of assets: each begins with [[" + name + "]]"});
                continue;
            }
            for (const toml::node& item : *array) {
                manifest.tables.push_back(ReadTable(name, *item.as_table(), PlaceOf(item.source()),
                                                    back, manifest.problems));
            }
        } else if (node.is_table() || node.is_array_of_tables()) {
            manifest.problems.push_back(
                {place, "unknown table [" + name + "]: output, panel, image, frames or font"});
        } else {
            manifest.problems.push_back({place, name + " is outside any table"});
        }
    }
    std::stable_sort(manifest.tables.begin(), manifest.tables.end(),
                     [](const ManifestTable& a, const ManifestTable& b) {
                         return a.place.line < b.place.line ||
                                (a.place.line == b.place.line && a.place.column < b.place.column);
                     });
    return manifest;
}

} // namespace pelmora
