#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

// Where a manifest names something: line and column from 1.
struct ManifestPlace {
    long line = 0;
    long column = 0;
};

// One key of a table: a string, a whole number or a boolean as text, or a list of strings.
struct ManifestValue {
    enum class Kind { Text, Number, Boolean, List };
    Kind kind = Kind::Text;
    std::string text; // the string, the number in decimal, or "true" / "false"
    std::vector<std::string> list;
    ManifestPlace place; // of the key
};

struct ManifestEntry {
    std::string key;
    ManifestValue value;
};

// A table as written: [output] and [panel] once, [[image]], [[frames]], [[font]] each time.
struct ManifestTable {
    std::string kind;
    ManifestPlace place;
    std::vector<ManifestEntry> entries; // in the order written

    const ManifestEntry* find(std::string_view key) const;
};

struct ManifestProblem {
    ManifestPlace place;
    std::string reason;
};

struct Manifest {
    std::vector<ManifestTable> tables;
    std::vector<ManifestProblem> problems; // every one found, in the order of the text
};

// The TOML text as tables of values. What the text is not TOML, or holds a table or a
// value of a kind no manifest has, becomes a problem at its place; the rest is kept.
Manifest ReadManifest(std::string_view text);

} // namespace pelmora
