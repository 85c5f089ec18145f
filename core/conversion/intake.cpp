#include "core/conversion/intake.h"

#include "core/io/source_file.h"

#include <filesystem>

namespace pelmora {

TakenIn TakeInBitmapFile(ConversionState& state, Palette& palette, const std::string& path,
                         const PanelLayout& panel) {
    const SourceFile source = ReadSourceFile(path);
    if (!source.ok()) {
        TakenIn unreadable;
        unreadable.check = {BitmapVerdict::Unreadable, source.error};
        return unreadable;
    }
    return TakeInBitmapBytes(state, palette, source.bytes, panel);
}

TakenIn TakeInBitmapBytes(ConversionState& state, Palette& palette, std::string_view bytes,
                          const PanelLayout& panel) {
    TakenIn taken;
    taken.check = CheckBitmapBytes(state, AsBytes(bytes), palette, panel.width, panel.height);
    if (taken.check.accepted()) {
        DecodedBitmap decoded = DecodeBitmapPixels(AsBytes(bytes), state, palette);
        taken.pixels = std::move(decoded.pixels);
        taken.refusal = std::move(decoded.error);
    }
    return taken;
}

std::string OutputPathFor(std::string_view folder, std::string_view fileName,
                          const Syntax& syntax) {
    if (&syntax == &DefaultSyntax()) {
        return DeriveOutputPath(folder, fileName);
    }
    std::string name(fileName);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot != 0) {
        name.erase(dot);
    }
    return DeriveOutputPath(folder, name + std::string(syntax.extension));
}

std::string SymbolFor(std::string_view outputPath) {
    std::string name(outputPath);
    const std::size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos) {
        name.erase(0, slash + 1);
    }
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot != 0) {
        name.erase(dot);
    }
    for (char& c : name) {
        const bool word =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        if (!word) {
            c = '_';
        }
    }
    const bool needsPrefix = name.empty() || (name.front() >= '0' && name.front() <= '9');
    return needsPrefix ? "_" + name : name;
}

namespace {

Colour OnColour(const Palette& palette, bool inverse) {
    return ColourOf(palette[inverse ? 1 : 0]);
}

OutputChoice WithSymbol(const ConversionState& state, OutputChoice choice) {
    if (choice.symbol.empty()) {
        choice.symbol = SymbolFor(state.outputPath);
    }
    return choice;
}

} // namespace

WriteOutcome ConvertTakenIn(ConversionState& state, const TakenIn& picture, const Palette& palette,
                            bool inverse, ProgressDisplay& progress, ResultFlag& resultFlag,
                            const OutputChoice& choice) {
    ComputePanelGeometry(state);
    return WritePageModeFile(state, picture.pixels, progress, OnColour(palette, inverse),
                             resultFlag, WithSymbol(state, choice));
}

std::string ConvertTakenInToText(ConversionState& state, const TakenIn& picture,
                                 const Palette& palette, bool inverse, ProgressDisplay& progress,
                                 const OutputChoice& choice) {
    ComputePanelGeometry(state);
    return EncodePanelText(state, picture.pixels, progress, OnColour(palette, inverse),
                           WithSymbol(state, choice));
}

} // namespace pelmora
