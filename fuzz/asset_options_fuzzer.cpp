// The asset reader on arbitrary values, as a manifest or the command line hands them: it
// must answer, each problem with a reason, and a panel it accepts must be one the core
// takes. Lines are "key=value"; a line without '=' is a switch.

#include "core/asset/asset_options.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    pelmora::NamedValues values;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const std::size_t equals = line.find('=');
        const std::string key(line.substr(0, equals));
        const std::string value(equals == std::string_view::npos ? std::string_view()
                                                                 : line.substr(equals + 1));
        if (key == "chars" && value.starts_with("@")) {
            continue; // a file of the machine's, not the input's
        }
        values[key] = value;
    }
    for (const pelmora::ProblemsSaid said :
         {pelmora::ProblemsSaid::First, pelmora::ProblemsSaid::Every}) {
        for (const bool frames : {false, true}) {
            pelmora::AssetReader reader(values, pelmora::KeyStyle::Key, said);
            const pelmora::Asset asset = reader.readPicture(frames);
            for (const pelmora::OptionProblem& problem : reader.problems()) {
                if (problem.reason.empty() || reader.said(problem).empty()) {
                    std::abort();
                }
            }
            if (said == pelmora::ProblemsSaid::First && reader.problems().size() > 1) {
                std::abort();
            }
            if (reader.ok() && !pelmora::CheckLayout(asset.choice.panel()).empty()) {
                std::abort();
            }
        }
        pelmora::AssetReader font(values, pelmora::KeyStyle::Option, said);
        pelmora::FontInput input;
        if (font.readFont(pelmora::AssetReader::FontFormats::Build, {}, input) &&
            input.codes.empty()) {
            std::abort();
        }
    }
    return 0;
}
