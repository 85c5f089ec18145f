#include "cli/build_command.h"

#include "cli/batch_targets.h"
#include "cli/build_plan.h"
#include "cli/options.h"
#include "cli/usage.h"

#include "asset_making/asset_making.h"
#include "asset_making/font_making.h"
#include "core/asset_build/asset_header.h"
#include "core/asset_build/build_state.h"
#include "core/asset_build/depfile.h"
#include "core/asset_build/manifest.h"
#include "core/compress/unpack_header.h"
#include "core/io/atomic_text_file.h"
#include "core/io/source_file.h"
#include "core/io/utf8_path.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>

namespace pelmora::cli {

namespace {

// Part of the state: a build by another version of the tool is redone.
constexpr std::string_view kToolVersion = "pelmora-cli 0.1";

constexpr Option kBuildOptions[] = {
    {"--check", {}, "write nothing; exit 1 and name each output a build would change"},
    {"--depfile", "FILE", "also write FILE: the outputs and every input, in Make's syntax"},
    {"--output-dir", "DIR", "write the outputs into DIR (default: the manifest's folder)"},
    {"--quiet", {}, "do not print the paths written"},
    {"--help", {}, {}},
};

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

// The assets that may be made, each problem at its file's key.
void MakeAssets(const BuildPlan& plan, const std::vector<bool>& makeable,
                std::vector<BuiltAsset>& assets, std::vector<ManifestProblem>& problems) {
    for (std::size_t i = 0; i < plan.assets.size(); ++i) {
        const AssetJob& job = plan.assets[i];
        if (!makeable[i]) {
            continue;
        }
        assets[i].name = job.name;
        Asset asset = job.asset;
        asset.choice.symbol = job.name; // a font's symbol too
        MadeAsset made = MakeAsset(asset, job.paths);
        // Characters a font lacks are named, as font names them, and do not fail the build.
        if (!made.warning.empty()) {
            PrintError(job.files.front(), made.warning);
        }
        for (const std::string& line : MissingLines(made.missing, job.files.front())) {
            PrintError({}, line);
        }
        std::string problem;
        if (!made.problem.ok()) {
            problem = made.problem.error;
            if (made.problem.fault == MakeFault::NotPanelBitmap) {
                problem += "; to take any picture, prepare it: dither = \"floyd-steinberg\"";
            }
            if (made.problem.input < job.files.size()) {
                problem = job.files[made.problem.input] + ": " + problem;
            }
        } else {
            BuiltAsset& built = assets[i];
            built.kind = job.asset.kind;
            built.layout = made.layout;
            built.bytes = std::move(made.bytes);
            built.delaysMs = std::move(made.delaysMs);
            built.frames = made.count;
            if (job.asset.kind == AssetKind::Font) {
                built.fontFormat = job.asset.font.format.name;
                built.fontText = std::move(made.fontText);
            }
            built.packing = job.asset.packing;
            problem = PackAsset(built);
            // A picture's or font's problem is its file's; an animation's is its own.
            if (!problem.empty() && job.asset.kind != AssetKind::Frames) {
                problem = job.files.front() + ": " + problem;
            }
        }
        if (!problem.empty()) {
            problems.push_back({job.place, problem});
        }
    }
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

bool Unchanged(const std::string& path, const std::string& text) {
    const SourceFile current = ReadSourceFile(path);
    return current.ok() && current.bytes == text;
}

// Writes text to path unless the file already holds it, making its folder as a build
// system would; false, said, when it could not.
bool WriteIfChanged(const std::string& path, const std::string& text, bool& written) {
    written = false;
    if (Unchanged(path, text)) {
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

std::vector<FileStamp> Stamps(const std::vector<std::string>& paths) {
    std::vector<FileStamp> stamps;
    stamps.reserve(paths.size());
    for (const std::string& path : paths) {
        stamps.push_back(StampOf(path));
    }
    return stamps;
}

} // namespace

const std::string_view kBuildSynopsis =
    "build [--check] [--depfile FILE] [--output-dir DIR] [--quiet]\n"
    "                         [MANIFEST]\n";

std::string BuildHelp() {
    return "build    makes the pictures, animations and fonts of MANIFEST (default pelmora.toml;\n"
           "         TOML whose keys are the long options of convert and font) into one C\n"
           "         header, and a source when asked, with an index pelmora_assets[]. Only an\n"
           "         output whose bytes change is written; a build with nothing to do reads\n"
           "         no picture.\n" +
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
        return UsageError("the MANIFEST is a file: its paths are its folder's");
    }
    const SourceFile manifestFile = ReadSourceFile(manifestPath);
    if (!manifestFile.ok()) {
        PrintError(manifestPath, manifestFile.error);
        return 1;
    }
    const Manifest manifest = ReadManifest(manifestFile.bytes);
    std::vector<ManifestProblem> problems = manifest.problems;
    const BuildPlan plan =
        PlanBuild(manifest, manifestPath, parsed.value("--output-dir"), problems);

    std::vector<std::string> inputs{manifestPath};
    for (const AssetJob& job : plan.assets) {
        inputs.insert(inputs.end(), job.paths.begin(), job.paths.end());
        if (!job.asset.font.charsFile.empty()) {
            inputs.push_back(job.asset.font.charsFile);
        }
    }
    const std::vector<FileStamp> inputStamps = Stamps(inputs);
    std::size_t stamp = 1;
    std::vector<bool> makeable; // an asset whose tables are right and whose files are there
    for (const AssetJob& job : plan.assets) {
        makeable.push_back(job.readable && !job.paths.empty());
        for (std::size_t i = 0; i < job.paths.size(); ++i) {
            if (!inputStamps[stamp++].exists) {
                problems.push_back({job.place, job.files[i] + ": " + std::strerror(ENOENT)});
                makeable.back() = false;
            }
        }
        stamp += job.asset.font.charsFile.empty() ? 0 : 1;
    }
    // No output replaces a file the build reads, nor another output: each is compared as
    // a file (links and other names resolved), before anything is written.
    struct Output {
        std::string path;
        std::string label;
        ManifestPlace place; // line 0: an option, not the manifest
    };
    std::vector<Output> toWrite;
    if (!plan.header.empty()) {
        toWrite.push_back({plan.header, "header", plan.headerPlace});
    }
    if (!plan.source.empty()) {
        toWrite.push_back({plan.source, "source", plan.sourcePlace});
    }
    if (!plan.state.empty()) {
        toWrite.push_back({plan.state, "the state file", plan.headerPlace});
    }
    // Packed data is unpacked by the decoder written once beside the header.
    const bool packs = std::any_of(plan.assets.begin(), plan.assets.end(),
                                   [](const AssetJob& job) { return job.asset.packing.packs(); });
    const std::string decoder = packs && !plan.header.empty()
                                    ? Joined(FolderOf(plan.header), std::string(kUnpackHeaderName))
                                    : std::string();
    if (!decoder.empty()) {
        toWrite.push_back({decoder, "the decoder", plan.headerPlace});
    }
    if (parsed.has("--depfile")) {
        toWrite.push_back({parsed.value("--depfile"), "--depfile", {}});
    }
    std::vector<std::pair<std::string, std::string>> optionProblems; // path, reason
    BatchTargets claimed(inputs);
    for (const Output& output : toWrite) {
        const std::string said = output.label + " " + output.path;
        std::string reason;
        struct stat status {};
        if (::stat(output.path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
            reason = said + " is a folder";
        } else if (output.path == plan.state && ::lstat(output.path.c_str(), &status) == 0 &&
                   S_ISLNK(status.st_mode)) {
            // The state file is the build's own: written through a link it would replace
            // whatever file the link names.
            reason = said + " is a link; the build writes its state file itself: remove the link";
        } else if (const BatchTargets::Holder holder = claimed.take(output.path, said);
                   !holder.read.empty()) {
            reason = said + " would replace " + holder.read + ", which this build reads";
        } else if (!holder.written.empty()) {
            reason = said + " is the same file as " +
                     (holder.written.starts_with("the ") ? "" : "the ") + holder.written;
        }
        if (reason.empty()) {
            continue;
        }
        if (output.place.line == 0) {
            optionProblems.emplace_back(output.path, reason);
        } else {
            problems.push_back({output.place, reason});
        }
    }
    std::vector<std::string> outputs{plan.header};
    if (!plan.source.empty()) {
        outputs.push_back(plan.source);
    }
    if (!decoder.empty()) {
        outputs.push_back(decoder);
    }
    std::vector<std::string> targets{plan.state};
    targets.insert(targets.end(), outputs.begin(), outputs.end());
    const Depfile depfile = WriteDepfile(targets, inputs);
    if (parsed.has("--depfile") && !depfile.error.empty()) {
        optionProblems.emplace_back(depfile.path, depfile.error);
    }
    if (!problems.empty() || !optionProblems.empty()) {
        // Every asset whose tables are right is made too, so that its problems are said now
        // rather than on the next run.
        std::vector<BuiltAsset> ignored(plan.assets.size());
        MakeAssets(plan, makeable, ignored, problems);
        PrintProblems(manifestPath, problems);
        for (const auto& [path, reason] : optionProblems) {
            PrintError(path, reason);
        }
        return 1;
    }
    const std::string stateBefore =
        BuildStateText(kToolVersion, manifestFile.bytes, inputStamps, Stamps(outputs));
    auto writeDepfile = [&] {
        bool written = false;
        return !parsed.has("--depfile") ||
               WriteIfChanged(parsed.value("--depfile"), depfile.text, written);
    };

    const SourceFile recorded = ReadSourceFile(plan.state);
    if (recorded.ok() && recorded.bytes == stateBefore) {
        if (check) {
            return 0;
        }
        if (parsed.has("--depfile")) {
            // The build system that ran this step takes the state as its stamp: newer than
            // the inputs now, or it would run the step again and again.
            ::utimensat(AT_FDCWD, plan.state.c_str(), nullptr, 0);
        }
        return writeDepfile() ? 0 : 1;
    }

    std::vector<BuiltAsset> assets(plan.assets.size());
    MakeAssets(plan, makeable, assets, problems);
    if (!problems.empty()) {
        PrintProblems(manifestPath, problems);
        return 1;
    }
    const AssetFiles files =
        WriteAssetFiles(assets, {plan.source.empty() ? NameOf(plan.header) : plan.headerInclude,
                                 NameOf(manifestPath), !plan.source.empty()});
    const std::string decoderText(UnpackHeaderText());
    std::vector<const std::string*> texts{&files.header};
    if (!plan.source.empty()) {
        texts.push_back(&files.source);
    }
    if (!decoder.empty()) {
        texts.push_back(&decoderText);
    }
    if (check) {
        bool stale = false;
        for (std::size_t i = 0; i < outputs.size(); ++i) {
            if (!Unchanged(outputs[i], *texts[i])) {
                stale = true;
                out.write(outputs[i] + "\n");
            }
        }
        return stale ? 1 : 0;
    }
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        bool written = false;
        if (!WriteIfChanged(outputs[i], *texts[i], written)) {
            return 1;
        }
        if (written && !parsed.has("--quiet")) {
            out.write(outputs[i] + "\n");
        }
    }
    // Written last: a build stopped before here is done again.
    bool written = false;
    const std::string stateAfter =
        BuildStateText(kToolVersion, manifestFile.bytes, inputStamps, Stamps(outputs));
    if (!WriteIfChanged(plan.state, stateAfter, written) || !writeDepfile()) {
        return 1;
    }
    if (parsed.has("--depfile") && !written) {
        ::utimensat(AT_FDCWD, plan.state.c_str(), nullptr, 0);
    }
    return 0;
}

} // namespace pelmora::cli
