#include "cli/build_command.h"

#include "cli/options.h"
#include "cli/panel_options.h"
#include "cli/usage.h"

#include "core/bmp/bmp_writer.h"
#include "core/build/asset_header.h"
#include "core/build/build_state.h"
#include "core/build/depfile.h"
#include "core/build/manifest.h"
#include "core/conversion/intake.h"
#include "core/io/atomic_text_file.h"
#include "core/io/source_file.h"
#include "core/io/utf8_path.h"
#include "core/panel/panel_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>

namespace pelmora::cli {

namespace {

constexpr std::string_view kToolVersion = "pelmora-cli 0.1";

constexpr Option kBuildOptions[] = {
    {"--check", {}, "write nothing; exit 1 and name each output a build would change"},
    {"--depfile", "FILE", "also write FILE: the outputs and every input, in Make's syntax"},
    {"--output-dir", "DIR", "write the outputs into DIR (default: the manifest's folder)"},
    {"--quiet", {}, "do not print the paths written"},
    {"--help", {}, {}},
};

// The keys an asset takes as the picture options of convert, in [panel] or its own table.
constexpr std::array<std::string_view, 5> kPanelKeys{"layout", "bit-order", "size", "block-width",
                                                     "panel"};
constexpr std::array<std::string_view, 2> kSwitchKeys{"invert", "inverse"};

class SilentProgress : public ProgressDisplay {
  public:
    void showProgress(const std::string&) override {}
};

bool IsPictureKey(std::string_view key) {
    if (std::find(kPanelKeys.begin(), kPanelKeys.end(), key) != kPanelKeys.end() ||
        key == "inverse") {
        return true;
    }
    for (const Option& option : PreparationOptions()) {
        if (option.name.substr(2) == key) {
            return true;
        }
    }
    return false;
}

bool IsSwitchKey(std::string_view key) {
    return std::find(kSwitchKeys.begin(), kSwitchKeys.end(), key) != kSwitchKeys.end();
}

// "--dither takes a, b or c" said of the manifest's keys: "dither takes a, b or c".
std::string AsKeys(const std::string& message) {
    std::string said;
    for (std::size_t i = 0; i < message.size(); ++i) {
        if (message.compare(i, 2, "--") == 0 && i + 2 < message.size() && message[i + 2] != ' ' &&
            (i == 0 || message[i - 1] == ' ')) {
            ++i;
            continue;
        }
        said += message[i];
    }
    return said;
}

// The first option a message names, as a key.
std::string KeyNamed(const std::string& message) {
    const std::size_t start = message.find("--");
    if (start == std::string::npos) {
        return {};
    }
    const std::size_t end = message.find(' ', start);
    return message.substr(start + 2, end == std::string::npos ? end : end - start - 2);
}

struct Problems {
    std::vector<ManifestProblem> list;
    void add(ManifestPlace place, std::string reason) {
        list.push_back({place, std::move(reason)});
    }
};

// An image of the manifest, its options read, its file not yet.
struct ImageJob {
    std::string name;
    std::string file;    // as written in the manifest
    std::string path;    // from the current folder
    ManifestPlace place; // of the file key, for what goes wrong reading it
    OutputChoice choice;
    bool inverse = false;
    std::optional<Preparation> preparation;
};

struct BuildPlan {
    std::string format = "c";
    std::string header; // paths from the current folder
    std::string source;
    std::string headerInclude; // the header as the source includes it
    std::string state;
    std::vector<ImageJob> images;
};

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

FileStamp StampOf(const std::string& path) {
    FileStamp stamp{path};
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0) {
        stamp.exists = true;
        stamp.size = static_cast<std::uint64_t>(status.st_size);
        stamp.modified =
            static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    }
    return stamp;
}

// The values an asset's keys and [panel]'s give, as the command line would give them.
ParsedArguments PictureArguments(const ManifestTable* panel, const ManifestTable& asset,
                                 const std::string& format, Problems& problems) {
    ParsedArguments parsed;
    parsed.options["--format"] = format;
    for (const ManifestTable* table : {panel, &asset}) {
        if (table == nullptr) {
            continue;
        }
        for (const ManifestEntry& entry : table->entries) {
            if (!IsPictureKey(entry.key)) {
                continue;
            }
            const ManifestValue& value = entry.value;
            const std::string option = "--" + entry.key;
            if (IsSwitchKey(entry.key)) {
                if (value.kind != ManifestValue::Kind::Boolean) {
                    problems.add(value.place, entry.key + " takes true or false");
                } else if (value.text == "true") {
                    parsed.options[option] = "";
                } else {
                    parsed.options.erase(option);
                }
            } else if (value.kind == ManifestValue::Kind::Text ||
                       value.kind == ManifestValue::Kind::Number) {
                parsed.options[option] = value.text;
            } else {
                problems.add(value.place, entry.key + " takes a string");
            }
        }
    }
    return parsed;
}

// Where a message about key belongs: the asset's own key, else [panel]'s, else the asset.
ManifestPlace PlaceOfKey(const ManifestTable* panel, const ManifestTable& asset,
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

void CheckKeys(const ManifestTable& table, Problems& problems) {
    for (const ManifestEntry& entry : table.entries) {
        const std::string& key = entry.key;
        bool known = false;
        if (table.kind == "output") {
            known = key == "header" || key == "source" || key == "format";
        } else if (table.kind == "panel") {
            known = IsPictureKey(key);
            if (key == "format") {
                problems.add(entry.value.place, "format is given once, in [output]");
                continue;
            }
        } else if (table.kind == "image") {
            known = IsPictureKey(key) || key == "name" || key == "file";
            if (key == "format") {
                problems.add(entry.value.place, "format is given once, in [output]");
                continue;
            }
        }
        if (!known) {
            problems.add(entry.value.place, "unknown key " + key + " in [" + table.kind + "]");
        }
    }
}

std::string TextValue(const ManifestTable& table, std::string_view key, Problems& problems) {
    const ManifestEntry* entry = table.find(key);
    if (entry == nullptr) {
        return {};
    }
    if (entry->value.kind != ManifestValue::Kind::Text) {
        problems.add(entry->value.place, std::string(key) + " takes a string");
        return {};
    }
    return entry->value.text;
}

BuildPlan PlanBuild(const Manifest& manifest, const std::string& manifestPath,
                    const std::string& outputDir, Problems& problems) {
    BuildPlan plan;
    const ManifestTable* output = nullptr;
    const ManifestTable* panel = nullptr;
    for (const ManifestTable& table : manifest.tables) {
        CheckKeys(table, problems);
        output = table.kind == "output" ? &table : output;
        panel = table.kind == "panel" ? &table : panel;
    }
    const std::string manifestFolder = FolderOf(manifestPath);
    const std::string folder = outputDir.empty() ? manifestFolder : outputDir;
    if (output == nullptr) {
        problems.add({1, 1}, "the manifest needs an [output] table with a header");
    } else {
        const std::string header = TextValue(*output, "header", problems);
        const std::string source = TextValue(*output, "source", problems);
        if (output->find("header") == nullptr) {
            problems.add(output->place, "[output] needs header, the file to write");
        }
        if (output->find("format") != nullptr) {
            plan.format = TextValue(*output, "format", problems);
            if (plan.format != "c" && plan.format != "arduino") {
                problems.add(output->find("format")->value.place, "format takes c or arduino");
            }
        }
        if (!header.empty()) {
            plan.header = Joined(folder, header);
            plan.state =
                Joined(FolderOf(plan.header), "." + NameOf(plan.header) + ".pelmora-state");
        }
        if (!source.empty()) {
            plan.source = Joined(folder, source);
            if (plan.source == plan.header) {
                problems.add(output->find("source")->value.place,
                             "source and header are the same file");
            }
            const std::filesystem::path from =
                PathFromUtf8(FolderOf(plan.source)).lexically_normal();
            plan.headerInclude = Utf8FromPath(PathFromUtf8(plan.header)
                                                  .lexically_normal()
                                                  .lexically_relative(from.empty() ? "." : from));
        }
    }
    std::map<std::string, ManifestPlace> names;
    for (const ManifestTable& table : manifest.tables) {
        if (table.kind == "frames") {
            problems.add(table.place, "frames are not yet built by pelmora-cli build: convert them "
                                      "with pelmora-cli convert");
            continue;
        }
        if (table.kind == "font") {
            problems.add(table.place, "fonts are not yet built by pelmora-cli build: make them "
                                      "with pelmora-cli font");
            continue;
        }
        if (table.kind != "image") {
            continue;
        }
        ImageJob job;
        job.name = TextValue(table, "name", problems);
        job.file = TextValue(table, "file", problems);
        if (table.find("name") == nullptr) {
            problems.add(table.place, "[[image]] needs name, the symbol of its data");
        } else if (!IsSymbol(job.name)) {
            problems.add(table.find("name")->value.place,
                         "name takes a symbol: letters, digits and _, not first a digit");
        } else if (const auto [first, added] =
                       names.emplace(job.name, table.find("name")->value.place);
                   !added) {
            problems.add(table.find("name")->value.place,
                         "two assets are named " + job.name + " (the first on line " +
                             std::to_string(first->second.line) + ")");
        }
        if (table.find("file") == nullptr) {
            problems.add(table.place, "[[image]] needs file, the picture");
        } else {
            job.place = table.find("file")->value.place;
            job.path = Joined(manifestFolder, job.file);
        }
        Problems valueProblems;
        const ParsedArguments parsed = PictureArguments(panel, table, plan.format, valueProblems);
        problems.list.insert(problems.list.end(), valueProblems.list.begin(),
                             valueProblems.list.end());
        job.inverse = parsed.has("--inverse");
        if (const std::string problem = ParseOutput(parsed, job.choice); !problem.empty()) {
            problems.add(PlaceOfKey(panel, table, KeyNamed(problem)), AsKeys(problem));
        } else if (AsksToPrepare(parsed)) {
            const PanelLayout& layout = *job.choice.layout;
            Preparation preparation;
            if (const std::string problem =
                    ParsePreparation(parsed, layout.width, layout.height, preparation);
                !problem.empty()) {
                problems.add(PlaceOfKey(panel, table, KeyNamed(problem)), AsKeys(problem));
            }
            job.preparation = preparation;
        }
        job.choice.symbol = job.name;
        plan.images.push_back(std::move(job));
    }
    if (output != nullptr && plan.images.empty() && manifest.problems.empty()) {
        problems.add(output->place, "the manifest names no asset: add an [[image]]");
    }
    return plan;
}

// The asset's bytes, or why there are none ("FILE: reason").
std::string MakeImage(const ImageJob& job, BuiltAsset& asset) {
    const PanelLayout layout = job.choice.panel();
    TakenIn taken;
    if (job.preparation) {
        const PreparedPicture prepared = PreparePictureFile(job.path, *job.preparation);
        if (!prepared.ok()) {
            return prepared.error;
        }
        taken = TakeInBitmapBytes(EncodeMonoBmp(prepared.picture), layout);
    } else {
        taken = TakeInBitmapFile(job.path, layout);
    }
    if (!taken.usable()) {
        if (!taken.check.accepted()) {
            const bool plainRejection =
                taken.check.verdict == BitmapVerdict::Rejected && taken.check.reason.empty();
            std::string reason = plainRejection ? RejectionTextOneLine(layout.width, layout.height)
                                                : taken.check.reason;
            if (taken.check.verdict == BitmapVerdict::Rejected) {
                reason += "; to take any picture, prepare it: add dither = \"floyd-steinberg\"";
            }
            return reason;
        }
        return taken.refusal;
    }
    SilentProgress progress;
    const MonoPicture dots =
        ChooseOnDots(taken.pixels, OnColour(taken.check.palette, job.inverse), progress);
    asset.name = job.name;
    asset.layout = layout;
    asset.bytes = PackPanel(dots, layout);
    if (asset.bytes.empty()) {
        return "the picture is not the panel's size";
    }
    return {};
}

void PrintProblems(const std::string& manifest, std::vector<ManifestProblem> problems) {
    std::stable_sort(problems.begin(), problems.end(),
                     [](const ManifestProblem& a, const ManifestProblem& b) {
                         return a.place.line < b.place.line ||
                                (a.place.line == b.place.line && a.place.column < b.place.column);
                     });
    std::set<std::string> said;
    for (const ManifestProblem& problem : problems) {
        // As compilers say it, so that an editor goes to the place.
        const std::string line =
            QuotedForMessage(manifest) + ":" + std::to_string(problem.place.line) + ":" +
            std::to_string(problem.place.column) + ": " + QuotedForMessage(problem.reason) + "\n";
        if (said.insert(line).second) {
            std::fwrite(line.data(), 1, line.size(), stderr);
        }
    }
}

// Writes text to path unless the file already holds it, making its folder as a build
// system would; true when nothing failed.
bool WriteIfChanged(const std::string& path, const std::string& text, bool& written) {
    written = false;
    const SourceFile current = ReadSourceFile(path);
    if (current.ok() && current.bytes == text) {
        return true;
    }
    if (const std::string folder = FolderOf(path); !folder.empty()) {
        std::error_code ignored; // a folder that cannot be made fails the write, said there
        std::filesystem::create_directories(PathFromUtf8(folder), ignored);
    }
    AtomicTextFile file(PathFromUtf8(path));
    if (!file.open() || !file.write(text) || !file.commit()) {
        PrintError(path, file.error());
        return false;
    }
    written = true;
    return true;
}

bool Unchanged(const std::string& path, const std::string& text) {
    const SourceFile current = ReadSourceFile(path);
    return current.ok() && current.bytes == text;
}

} // namespace

const std::string_view kBuildSynopsis =
    "build [--check] [--depfile FILE] [--output-dir DIR] [--quiet] [MANIFEST]\n";

std::string BuildHelp() {
    return "build    makes every asset of MANIFEST (default pelmora.toml), a TOML file whose\n"
           "         keys are the long options of convert, into one C header (and source),\n"
           "         with an index pelmora_assets[]; writes only the outputs that changed.\n" +
           OptionHelp({kBuildOptions});
}

int BuildCommand(const std::vector<std::string>& arguments, StandardOutput& out) {
    const ParsedArguments parsed = Parse(arguments, {kBuildOptions});
    if (!parsed.error.empty()) {
        return UsageError(parsed.error);
    }
    if (parsed.has("--help")) {
        return PrintHelp(out);
    }
    if (parsed.files.size() > 1) {
        return UsageError("build takes one MANIFEST");
    }
    const bool check = parsed.has("--check");
    if (check && parsed.has("--depfile")) {
        return UsageError("--check writes nothing: it takes no --depfile");
    }
    const std::string manifestPath = parsed.files.empty() ? "pelmora.toml" : parsed.files.front();
    if (manifestPath == "-") {
        return UsageError("the MANIFEST is a file: its paths are relative to its folder");
    }
    const SourceFile manifestFile = ReadSourceFile(manifestPath);
    if (!manifestFile.ok()) {
        PrintError(manifestPath, manifestFile.error);
        return 1;
    }
    const Manifest manifest = ReadManifest(manifestFile.bytes);
    Problems problems{manifest.problems};
    const BuildPlan plan =
        PlanBuild(manifest, manifestPath, parsed.value("--output-dir"), problems);

    std::vector<FileStamp> inputs{StampOf(manifestPath)};
    for (const ImageJob& job : plan.images) {
        if (!job.path.empty()) {
            inputs.push_back(StampOf(job.path));
            if (!inputs.back().exists) {
                problems.add(job.place, job.file + ": " + std::strerror(ENOENT));
            }
        }
    }
    if (!problems.list.empty()) {
        PrintProblems(manifestPath, problems.list);
        return 1;
    }
    std::vector<std::string> outputPaths{plan.header};
    if (!plan.source.empty()) {
        outputPaths.push_back(plan.source);
    }
    auto stampOutputs = [&] {
        std::vector<FileStamp> stamps;
        for (const std::string& path : outputPaths) {
            stamps.push_back(StampOf(path));
        }
        return stamps;
    };
    const std::string depfileText = [&] {
        std::vector<std::string> targets{plan.state};
        targets.insert(targets.end(), outputPaths.begin(), outputPaths.end());
        std::vector<std::string> sources;
        for (const FileStamp& input : inputs) {
            sources.push_back(input.path);
        }
        return WriteDepfile(targets, sources);
    }();
    auto finish = [&](int status) {
        bool written = false;
        if (status == 0 && parsed.has("--depfile") &&
            !WriteIfChanged(parsed.value("--depfile"), depfileText, written)) {
            return 1;
        }
        return status;
    };

    const std::string stateBefore =
        BuildStateText(kToolVersion, manifestFile.bytes, inputs, stampOutputs());
    const SourceFile recorded = ReadSourceFile(plan.state);
    if (recorded.ok() && recorded.bytes == stateBefore) {
        if (!check && parsed.has("--depfile")) {
            // A build system that ran this step wants its stamp newer than the inputs.
            ::utimensat(AT_FDCWD, plan.state.c_str(), nullptr, 0);
        }
        return check ? 0 : finish(0);
    }

    std::vector<BuiltAsset> assets(plan.images.size());
    for (std::size_t i = 0; i < plan.images.size(); ++i) {
        if (const std::string problem = MakeImage(plan.images[i], assets[i]); !problem.empty()) {
            problems.add(plan.images[i].place, plan.images[i].file + ": " + problem);
        }
    }
    if (!problems.list.empty()) {
        PrintProblems(manifestPath, problems.list);
        return 1;
    }
    const AssetFiles files = WriteAssetFiles(
        assets, {plan.source.empty() ? NameOf(plan.header) : plan.headerInclude,
                 NameOf(manifestPath), !plan.source.empty(), plan.format == "arduino"});
    const std::vector<std::pair<std::string, const std::string*>> outputs = [&] {
        std::vector<std::pair<std::string, const std::string*>> list{{plan.header, &files.header}};
        if (!plan.source.empty()) {
            list.emplace_back(plan.source, &files.source);
        }
        return list;
    }();
    if (check) {
        bool stale = false;
        for (const auto& [path, text] : outputs) {
            if (!Unchanged(path, *text)) {
                stale = true;
                out.write(path + "\n");
            }
        }
        return stale ? 1 : 0;
    }
    for (const auto& [path, text] : outputs) {
        bool written = false;
        if (!WriteIfChanged(path, *text, written)) {
            return 1;
        }
        if (written && !parsed.has("--quiet")) {
            out.write(path + "\n");
        }
    }
    bool written = false;
    const std::string stateAfter =
        BuildStateText(kToolVersion, manifestFile.bytes, inputs, stampOutputs());
    if (!WriteIfChanged(plan.state, stateAfter, written)) {
        return 1;
    }
    return finish(0);
}

} // namespace pelmora::cli
