#include "core/page_mode_plotter.h"

#include "core/checked_int.h"
#include "core/lcd_hex_format.h"
#include "core/system_error.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace pelmora {

void PageModePlotter::enterBlock() {
    state_.xStart = CheckedInt16(position_.plotBlock * kBlockWidth - kBlockWidth);
    state_.xEnd = CheckedInt16(state_.xStart + kBlockWidth - 1);
}

void PageModePlotter::PlotPageModeLine(std::span<const std::uint8_t> bytes, PointSink& sink) {
    PlotPosition& at = position_;
    std::size_t next = 0; // every column of a page takes one whole byte
    for (;;) {
        if (at.plotBlock > state_.blockCount) {
            return;
        }
        enterBlock();
        while (at.plotPage <= state_.pageCount) {
            state_.yStart = CheckedInt16(at.plotPage * kPageHeight - kPageHeight);
            state_.yEnd = CheckedInt16(state_.yStart + kPageHeight - 1);
            while (at.plotX <= state_.xEnd) {
                at.plotY = state_.yStart;
                if (next >= bytes.size()) {
                    return; // the next line goes on from this same column
                }
                sink.setColumn(at.plotX, at.plotY, bytes[next++]);
                at.plotY = CheckedInt16(state_.yEnd + 1);
                at.plotX = CheckedInt16(at.plotX + 1);
            }
            at.plotX = state_.xStart;
            at.plotPage = CheckedInt16(at.plotPage + 1);
        }
        at.plotPage = 1;
        at.plotBlock = CheckedInt16(at.plotBlock + 1);
        enterBlock();
        at.plotX = state_.xStart;
    }
}

PlotOutcome PlotLcdHexText(ConversionState& state, std::istream& text, PointSink& sink) {
    PageModePlotter plotter(state);
    plotter.startPass();
    std::string line;
    DecodedLine decoded;
    for (long lineNumber = 1; std::getline(text, line); ++lineNumber) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty()) {
            continue;
        }
        DecodeLine(line, decoded);
        if (!decoded.ok()) {
            return {false, "line " + std::to_string(lineNumber) + ": " + decoded.error};
        }
        plotter.PlotPageModeLine(decoded.bytes, sink);
    }
    if (text.bad()) {
        return {false, "the file could not be read to its end"};
    }
    return {};
}

PlotOutcome PlotLcdHexFile(ConversionState& state, const std::string& path, PointSink& sink) {
    const std::filesystem::path file(std::u8string(path.begin(), path.end()));
    std::error_code error;
    if (std::filesystem::is_directory(file, error)) {
        return {false, path + ": " + std::make_error_code(std::errc::is_a_directory).message()};
    }
    errno = 0;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return {false, path + ": " + LastSystemError()};
    }
    PlotOutcome outcome = PlotLcdHexText(state, in, sink);
    if (!outcome.ok) {
        outcome.error = path + ", " + outcome.error;
    }
    return outcome;
}

} // namespace pelmora
