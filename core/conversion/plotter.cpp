#include "core/conversion/plotter.h"

#include "core/io/source_file.h"

namespace pelmora {

PanelText ReadPanelText(std::string_view text, const PanelLayout& fallback, const Syntax* syntax,
                        std::string_view fileName) {
    PanelText panel;
    panel.syntax = syntax ? syntax : &SyntaxOfText(text, fileName);
    SyntaxText read = panel.syntax->read(text);
    panel.layout = read.layout ? *read.layout : fallback;
    panel.bytes = std::move(read.bytes);
    panel.error = std::move(read.error);
    return panel;
}

std::string WholePanelError(const PanelText& panel) {
    const std::size_t needed = panel.layout.byteCount();
    if (panel.bytes.size() == needed) {
        return {};
    }
    const std::size_t held = panel.bytes.size();
    const std::string holds = held == 0   ? "no bytes"
                              : held == 1 ? "1 byte"
                                          : std::to_string(held) + " bytes";
    return "it holds " + holds + " where the " + std::to_string(panel.layout.width) + " x " +
           std::to_string(panel.layout.height) + " panel takes " + std::to_string(needed);
}

namespace {

// In the syntax given, or any syntax told by the content and then the file's name.
PlotOutcome PlotText(const PanelLayout& fallback, const Syntax* syntax, std::string_view text,
                     PointSink& sink, std::string_view fileName = {}) {
    const PanelText panel = ReadPanelText(text, fallback, syntax, fileName);
    UnpackPanel(panel.layout, 0, panel.bytes, sink);
    if (!panel.error.empty()) {
        return {panel.error, {}, false};
    }
    return {{}, WholePanelError(panel), panel.bytes.size() < panel.layout.byteCount()};
}

PlotOutcome PlotFile(const std::string& path, const SourceFile& source, const PanelLayout& fallback,
                     const Syntax* syntax, PointSink& sink) {
    if (!source.ok()) {
        return {path + ": " + source.error, {}, false};
    }
    PlotOutcome outcome = PlotText(fallback, syntax, source.bytes, sink, path);
    if (!outcome.ok()) {
        outcome.error = path + ", " + outcome.error;
    }
    return outcome;
}

} // namespace

PlotOutcome PlotLcdHexText(ConversionState& state, std::string_view text, PointSink& sink) {
    return PlotText(LayoutOfState(state), nullptr, text, sink);
}

PlotOutcome PlotLcdHexFile(ConversionState& state, const std::string& path, PointSink& sink) {
    return PlotLcdHexFile(state, path, ReadSourceFile(path), sink);
}

PlotOutcome PlotLcdHexFile(ConversionState& state, const std::string& path,
                           const SourceFile& source, PointSink& sink) {
    return PlotFile(path, source, LayoutOfState(state), nullptr, sink);
}

PlotOutcome PlotWrittenFile(const std::string& path, const SourceFile& source,
                            const PanelLayout& panel, const Syntax* syntax, PointSink& sink) {
    if (const std::string problem = CheckLayout(panel); !problem.empty()) {
        return {path + ", " + problem, {}, false};
    }
    return PlotFile(path, source, panel, syntax, sink);
}

} // namespace pelmora
