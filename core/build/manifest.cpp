#include "core/build/manifest.h"

#include <algorithm>
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

ManifestTable ReadTable(std::string_view kind, const toml::table& table, ManifestPlace place,
                        std::vector<ManifestProblem>& problems) {
    ManifestTable read{std::string(kind), place, {}};
    for (const auto& [key, node] : table) {
        ManifestValue value;
        value.place = PlaceOf(key.source());
        const std::string name(key.str());
        if (const auto* text = node.as_string()) {
            value.text = text->get();
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
                    value.list.push_back(text->get());
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
    toml::parse_result parsed = toml::parse(text);
    if (!parsed) {
        const toml::parse_error& error = parsed.error();
        manifest.problems.push_back({PlaceOf(error.source()), std::string(error.description())});
        return manifest;
    }
    for (const auto& [key, node] : parsed.table()) {
        const std::string name(key.str());
        const ManifestPlace place = PlaceOf(key.source());
        if (Among(kSingleTables, name)) {
            if (const auto* table = node.as_table()) {
                manifest.tables.push_back(ReadTable(name, *table, place, manifest.problems));
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
                manifest.tables.push_back(
                    ReadTable(name, *item.as_table(), PlaceOf(item.source()), manifest.problems));
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
