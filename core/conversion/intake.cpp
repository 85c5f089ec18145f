#include "core/conversion/intake.h"

#include "core/io/source_file.h"

#include <filesystem>

namespace pelmora {

TakenIn TakeInBitmapFile(const std::string& path, const PanelLayout& panel) {
    const SourceFile source = ReadSourceFile(path);
    if (!source.ok()) {
        TakenIn unreadable;
        unreadable.check.verdict = BitmapVerdict::Unreadable;
        unreadable.check.error = source.error;
        return unreadable;
    }
    return TakeInBitmapBytes(source.bytes, panel);
}

TakenIn TakeInBitmapBytes(std::string_view bytes, const PanelLayout& panel) {
    TakenIn taken;
    taken.check = CheckBitmapBytes(AsBytes(bytes), panel.width, panel.height);
    if (taken.check.accepted()) {
        DecodedBitmap decoded = DecodeBitmapPixels(AsBytes(bytes), taken.check);
        taken.pixels = std::move(decoded.pixels);
        taken.error = std::move(decoded.error);
    }
    return taken;
}

void KeepBitmapHeaders(const BitmapCheck& check, ConversionState& state, Palette& palette) {
    if (!check.headersRead) {
        return;
    }
    state.fileHeader = check.fileHeader;
    state.infoHeader = check.infoHeader;
    if (check.infoHeader.biBitCount == 1) {
        palette = check.palette;
    }
}

BitmapCheck ReadAndCheckBitmap(ConversionState& state, const std::string& path, Palette& palette) {
    const BitmapCheck check = CheckBitmapFile(path);
    KeepBitmapHeaders(check, state, palette);
    return check;
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

Colour OnColour(const Palette& palette, bool inverse) {
    return ColourOf(palette[inverse ? 1 : 0]);
}

EncodedText ConvertTakenInToText(const TakenIn& picture, bool inverse, ProgressDisplay& progress,
                                 const OutputChoice& choice, std::string_view outputPath) {
    if (!picture.usable()) {
        return {{}, "no picture was taken in"};
    }
    OutputChoice named = choice;
    if (named.symbol.empty()) {
        named.symbol = SymbolFor(outputPath);
    }
    return EncodePanelText(picture.pixels, progress, OnColour(picture.check.palette, inverse),
                           named);
}

} // namespace pelmora
