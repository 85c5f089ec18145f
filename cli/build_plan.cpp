#include "cli/build_plan.h"

#include "cli/options.h"
#include "core/asset_build/asset_header.h"
#include "core/frames/frames.h"
#include "core/io/utf8_path.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <map>

namespace pelmora::cli {

namespace {

// The keys a picture takes as the options of convert, in [panel] or its own table; the
// switches among them are true or false.
constexpr std::array<std::string_view, 13> kPanelKeys{
    "layout", "bit-order", "size", "block-width", "panel",     "inverse", "compress",
    "depth",  "colours",   "ink",  "mask",        "ram-width", "x-offset"};
constexpr std::array<std::string_view, 4> kFramesKeys{"sheet", "delay", "merge-repeats", "delta"};
constexpr std::array<std::string_view, 7> kFontKeys{"size",   "chars",     "format", "cell",
                                                    "layout", "bit-order", "hinting"};
constexpr std::array<std::string_view, 4> kSwitchKeys{"invert", "inverse", "merge-repeats",
                                                      "delta"};

template <std::size_t N>
bool Among(const std::array<std::string_view, N>& keys, std::string_view key) {
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

bool IsPictureKey(std::string_view key) {
    if (Among(kPanelKeys, key)) {
        return true;
    }
    const std::span<const std::string_view> keys = PreparationKeys();
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

// Whether a table of kind takes key (as an option; name, file and files aside).
bool TakesOption(std::string_view kind, std::string_view key) {
    if (kind == "font") {
        return Among(kFontKeys, key);
    }
    return IsPictureKey(key) || (kind == "frames" && Among(kFramesKeys, key));
}

class Reader {
  public:
    explicit Reader(std::vector<ManifestProblem>& problems) : problems_(problems) {}

    void add(ManifestPlace place, std::string reason) {
        problems_.push_back({place, std::move(reason)});
    }

    // The values the asset's keys (and [panel]'s, for a picture) give, by name.
    NamedValues values(const ManifestTable* panel, const ManifestTable& asset) {
        NamedValues named;
        for (const ManifestTable* table : {panel, &asset}) {
            if (table == nullptr) {
                continue;
            }
            for (const ManifestEntry& entry : table->entries) {
                if (!TakesOption(asset.kind, entry.key)) {
                    continue;
                }
                const ManifestValue& value = entry.value;
                if (Among(kSwitchKeys, entry.key)) {
                    if (value.kind != ManifestValue::Kind::Boolean) {
                        add(value.place, entry.key + " takes true or false");
                    } else if (value.text == "true") {
                        named[entry.key] = "";
                    } else {
                        named.erase(entry.key);
                    }
                } else if (value.kind == ManifestValue::Kind::Text ||
                           value.kind == ManifestValue::Kind::Number) {
                    named[entry.key] = value.text;
                } else {
                    add(value.place, entry.key + " takes a string");
                }
            }
        }
        return named;
    }

    void checkKeys(const ManifestTable& table) {
        for (const ManifestEntry& entry : table.entries) {
            const std::string& key = entry.key;
            const std::string& kind = table.kind;
            bool known = false;
            if (kind == "output") {
                known = key == "header" || key == "source" || key == "format";
            } else if (kind == "panel") {
                known = IsPictureKey(key);
            } else {
                known = TakesOption(kind, key) || key == "name" ||
                        key == (kind == "frames" ? "files" : "file");
            }
            if (key == "format" && (kind == "panel" || kind == "image" || kind == "frames")) {
                add(entry.value.place, "format is given once, in [output]");
            } else if (!known) {
                const bool once = kind == "output" || kind == "panel";
                add(entry.value.place,
                    "unknown key " + key + " in " + (once ? "[" + kind + "]" : "[[" + kind + "]]"));
            }
        }
    }

    std::string text(const ManifestTable& table, std::string_view key) {
        const ManifestEntry* entry = table.find(key);
        if (entry == nullptr) {
            return {};
        }
        if (entry->value.kind != ManifestValue::Kind::Text) {
            add(entry->value.place, std::string(key) + " takes a string");
            return {};
        }
        return entry->value.text;
    }

    // Where a message about key belongs: the asset's own key, else [panel]'s, else the asset.
    static ManifestPlace placeOf(const ManifestTable* panel, const ManifestTable& asset,
                                 const std::string& key) {
        if (const ManifestEntry* entry = asset.find(key)) {
            return entry->value.place;
        }
        if (panel != nullptr) {
            if (const ManifestEntry* entry = panel->find(key)) {
                return entry->value.place;
            }
        }
        return asset.place;
    }

    // Each problem at its key; one of no key is about the panel's geometry: said at its size.
    void problems(const ManifestTable* panel, const ManifestTable& asset, const AssetReader& read) {
        for (const OptionProblem& problem : read.problems()) {
            add(placeOf(panel, asset, problem.key.empty() ? "size" : problem.key),
                read.said(problem));
        }
    }

  private:
    std::vector<ManifestProblem>& problems_;
};

// The picture options of an image or frames, read as convert reads them.
void ReadPicture(Reader& reader, const ManifestTable* panel, const ManifestTable& table,
                 const std::string& format, AssetJob& job) {
    NamedValues values = reader.values(panel, table);
    values["format"] = format;
    AssetReader read(std::move(values), KeyStyle::Key, ProblemsSaid::Every);
    job.asset = read.readPicture(job.asset.kind == AssetKind::Frames);
    reader.problems(panel, table, read);
    job.asset.choice.symbol = job.name;
}

// The options of a font, read as pelmora-cli font reads them.
void ReadFont(Reader& reader, const ManifestTable& table, const std::string& manifestFolder,
              AssetJob& job) {
    AssetReader read(reader.values(nullptr, table), KeyStyle::Key, ProblemsSaid::Every);
    read.readFont(AssetReader::FontFormats::Build, manifestFolder, job.asset.font);
    reader.problems(nullptr, table, read);
}

// Why an output named so in [output] cannot be written: it names a folder, or, with
// --output-dir, it is relative and climbs out of it.
std::string OutputPathProblem(const std::string& name, const std::string& outputDir) {
    const std::filesystem::path path = PathFromUtf8(name).lexically_normal();
    const std::filesystem::path file = path.filename();
    if (name.empty() || name.back() == '/' || file.empty() || file == "." || file == "..") {
        return "names a folder, not a file";
    }
    if (!outputDir.empty() && path.is_relative() && *path.begin() == "..") {
        return "climbs out of --output-dir " + outputDir +
               "; a relative output stays inside it (an absolute one goes where it says)";
    }
    return {};
}

// Every symbol the header will define, worked out before anything is made: one that the
// header or its includes define already, or that two assets define, is said at the name of
// each asset that makes it.
void CheckSymbols(Reader& reader, const std::vector<AssetJob>& assets) {
    std::map<std::string, std::size_t> definer; // symbol: the asset that makes it first
    for (std::size_t i = 0; i < assets.size(); ++i) {
        const AssetJob& job = assets[i];
        if (job.name.empty() || !SymbolProblem(job.name).empty()) {
            continue; // said already
        }
        const std::vector<std::string> symbols =
            AssetSymbols(job.asset.kind, job.name, job.asset.font.format.name);
        for (std::size_t k = 1; k < symbols.size(); ++k) {
            if (const std::string problem = MadeSymbolProblem(symbols[k]); !problem.empty()) {
                reader.add(job.namePlace,
                           "name " + job.name + " makes " + symbols[k] + ": " + problem);
            }
        }
        for (const std::string& symbol : symbols) {
            const auto [first, added] = definer.emplace(symbol, i);
            const AssetJob& other = assets[first->second];
            if (added || other.name == job.name) {
                continue; // two assets of one name are said as such
            }
            const std::string both =
                "both " + other.name + " (line " + std::to_string(other.namePlace.line) + ") and " +
                job.name + " (line " + std::to_string(job.namePlace.line) + ") define " + symbol;
            reader.add(other.namePlace, both);
            reader.add(job.namePlace, both);
        }
    }
}

} // namespace

std::string Joined(const std::string& folder, const std::string& name) {
    if (folder.empty() || (!name.empty() && name.front() == '/')) {
        return name;
    }
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

BuildPlan PlanBuild(const Manifest& manifest, const std::string& manifestPath,
                    const std::string& outputDir, std::vector<ManifestProblem>& problems) {
    Reader reader(problems);
    BuildPlan plan;
    const ManifestTable* output = nullptr;
    const ManifestTable* panel = nullptr;
    for (const ManifestTable& table : manifest.tables) {
        reader.checkKeys(table);
        output = table.kind == "output" ? &table : output;
        panel = table.kind == "panel" ? &table : panel;
    }
    const std::string manifestFolder = FolderOf(manifestPath);
    const std::string folder = outputDir.empty() ? manifestFolder : outputDir;
    if (output == nullptr) {
        if (manifest.problems.empty()) {
            reader.add({1, 1}, "the manifest needs an [output] table with a header");
        }
    } else {
        const std::string header = reader.text(*output, "header");
        const std::string source = reader.text(*output, "source");
        if (output->find("header") == nullptr) {
            reader.add(output->place, "[output] needs header, the file to write");
        }
        if (const ManifestEntry* format = output->find("format")) {
            plan.format = reader.text(*output, "format");
            if (const Syntax* syntax = FindSyntax(plan.format);
                syntax == nullptr || !syntax->cArrays) {
                if (format->value.kind == ManifestValue::Kind::Text) {
                    reader.add(format->value.place, "format takes c or arduino");
                }
                plan.format = "c"; // said once here, not again for every asset
            }
        }
        for (const char* key : {"header", "source"}) {
            if (const ManifestEntry* entry = output->find(key);
                entry != nullptr && entry->value.kind == ManifestValue::Kind::Text) {
                if (const std::string problem = OutputPathProblem(entry->value.text, outputDir);
                    !problem.empty()) {
                    reader.add(entry->value.place,
                               key + std::string(" ") + entry->value.text + ": " + problem);
                }
            }
        }
        if (!header.empty()) {
            plan.header = Joined(folder, header);
            plan.headerPlace = output->find("header")->value.place;
            plan.state =
                Joined(FolderOf(plan.header), "." + NameOf(plan.header) + ".pelmora-state");
        }
        if (!source.empty()) {
            plan.source = Joined(folder, source);
            plan.sourcePlace = output->find("source")->value.place;
            const std::filesystem::path from =
                PathFromUtf8(FolderOf(plan.source)).lexically_normal();
            plan.headerInclude = Utf8FromPath(
                PathFromUtf8(plan.header)
                    .lexically_normal()
                    .lexically_relative(from.empty() ? std::filesystem::path(".") : from));
        }
    }
    std::map<std::string, ManifestPlace> names;
    for (const ManifestTable& table : manifest.tables) {
        if (table.kind != "image" && table.kind != "frames" && table.kind != "font") {
            continue;
        }
        const std::size_t before = problems.size();
        AssetJob job;
        job.asset.kind = table.kind == "image"    ? AssetKind::Picture
                         : table.kind == "frames" ? AssetKind::Frames
                                                  : AssetKind::Font;
        const std::string heading = "[[" + table.kind + "]]";
        job.name = reader.text(table, "name");
        if (const ManifestEntry* name = table.find("name"); name == nullptr) {
            reader.add(table.place, heading + " needs name, the symbol of its data");
        } else if (name->value.kind != ManifestValue::Kind::Text) {
            // said by text() above
        } else if (const std::string problem = SymbolProblem(job.name); !problem.empty()) {
            reader.add(name->value.place, "name " + job.name + ": " + problem);
        } else if (const auto [first, added] = names.emplace(job.name, name->value.place); !added) {
            reader.add(name->value.place, "two assets are named " + job.name +
                                              " (the first on line " +
                                              std::to_string(first->second.line) + ")");
        }
        const std::string filesKey = job.asset.kind == AssetKind::Frames ? "files" : "file";
        if (const ManifestEntry* files = table.find(filesKey); files == nullptr) {
            reader.add(table.place, heading + " needs " + filesKey);
        } else {
            job.place = files->value.place;
            const bool list = files->value.kind == ManifestValue::Kind::List;
            if (list != (job.asset.kind == AssetKind::Frames)) {
                reader.add(files->value.place,
                           filesKey + (list ? " takes a string" : " takes a list of strings"));
            } else if (list && files->value.list.empty()) {
                reader.add(files->value.place, "files names no picture");
            } else {
                job.files = list ? files->value.list : std::vector{files->value.text};
            }
            for (const std::string& file : job.files) {
                job.paths.push_back(Joined(manifestFolder, file));
            }
        }
        if (const ManifestEntry* name = table.find("name")) {
            job.namePlace = name->value.place;
        }
        if (job.asset.kind == AssetKind::Font) {
            ReadFont(reader, table, manifestFolder, job);
        } else {
            ReadPicture(reader, panel, table, plan.format, job);
        }
        job.readable = problems.size() == before;
        plan.assets.push_back(std::move(job));
    }
    CheckSymbols(reader, plan.assets);
    if (output != nullptr && plan.assets.empty() && manifest.problems.empty()) {
        reader.add(output->place, "the manifest names no asset: add an [[image]]");
    }
    return plan;
}

} // namespace pelmora::cli
