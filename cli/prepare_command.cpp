#include "cli/prepare_command.h"

#include "core/bmp/bmp_writer.h"
#include "core/io/atomic_text_file.h"
#include "core/io/utf8_path.h"

#include <filesystem>

namespace pelmora::cli {

namespace {

namespace fs = std::filesystem;

std::string Stem(const std::string& name) {
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    if (fs::equivalent(PathFromUtf8(a), PathFromUtf8(b), error)) {
        return true;
    }
    return fs::weakly_canonical(PathFromUtf8(a), error) ==
           fs::weakly_canonical(PathFromUtf8(b), error);
}

} // namespace

int RunPrepare(const PrepareCommand& command, StandardOutput& out) {
    const std::string size = std::to_string(command.preparation.width) + "x" +
                             std::to_string(command.preparation.height);
    bool allWritten = true;
    for (const std::string& picture : command.pictures) {
        std::string target = command.output;
        if (target.empty()) {
            const fs::path path = PathFromUtf8(picture);
            const std::string name = Stem(Utf8FromPath(path.filename())) + "_" + size + ".bmp";
            // Beside the picture, "./" for one in the current folder, as convert says it.
            const fs::path folder = !command.outputDir.empty() ? PathFromUtf8(command.outputDir)
                                    : path.has_parent_path()   ? path.parent_path()
                                                               : fs::path(".");
            target = Utf8FromPath(folder / PathFromUtf8(name));
        }
        if (SameFile(picture, target)) {
            PrintError(picture, "the prepared picture would replace the picture itself; "
                                "name another with -o");
            allWritten = false;
            continue;
        }
        const PreparedPicture prepared = PreparePictureFile(picture, command.preparation);
        if (!prepared.ok()) {
            PrintError(picture, prepared.error);
            allWritten = false;
            continue;
        }
        AtomicTextFile file(PathFromUtf8(target));
        if (!file.open() || !file.write(EncodeMonoBmp(prepared.picture)) || !file.commit()) {
            PrintError(target, file.error());
            allWritten = false;
            continue;
        }
        if (!command.quiet) {
            out.write(target + "\n");
        }
    }
    if (!out.flush()) {
        PrintError("standard output", out.error());
        allWritten = false;
    }
    return allWritten ? 0 : 1;
}

} // namespace pelmora::cli
