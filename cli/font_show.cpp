#include "cli/font_show.h"

#include "core/font/font_drawing.h"
#include "core/io/source_file.h"

namespace pelmora::cli {

namespace {

std::string ShownName(const std::string& file) {
    return file == "-" ? std::string("standard input") : file;
}

bool ReadFontFile(const FontShowOptions& options, GlyphSet& set) {
    SourceFile source;
    if (options.content == nullptr) {
        source = ReadSourceFile(options.file);
        if (!source.ok()) {
            PrintError(ShownName(options.file), source.error);
            return false;
        }
    }
    const std::string& bytes = options.content != nullptr ? *options.content : source.bytes;
    FontRead read = ReadFontData(bytes, options.format, options.cell, options.file);
    if (!read.error.empty()) {
        PrintError(ShownName(options.file), read.error);
        return false;
    }
    set = std::move(read.set);
    return true;
}

// As show prints a panel: '#' on and '.' off, or two rows to a half-block character.
std::string AsText(const MonoPicture& picture, bool blocks) {
    std::string text;
    if (!blocks) {
        for (int y = 0; y < picture.height; ++y) {
            for (int x = 0; x < picture.width; ++x) {
                text += picture.at(x, y) ? '#' : '.';
            }
            text += '\n';
        }
        return text;
    }
    for (int y = 0; y < picture.height; y += 2) {
        for (int x = 0; x < picture.width; ++x) {
            const bool upper = picture.at(x, y);
            const bool lower = y + 1 < picture.height && picture.at(x, y + 1);
            text += upper && lower ? "\u2588" : upper ? "\u2580" : lower ? "\u2584" : " ";
        }
        text += '\n';
    }
    return text;
}

} // namespace

bool DrawFontFile(const FontShowOptions& options, MonoPicture& picture) {
    GlyphSet set;
    if (!ReadFontFile(options, set)) {
        return false;
    }
    DrawnText drawn = DrawFontText(set, options.text);
    if (!drawn.error.empty()) {
        PrintError("--text", drawn.error);
        return false;
    }
    // A picture of no glyph is no drawing of the text, as font refuses a font of none.
    if (drawn.glyphs == 0) {
        if (drawn.missing.empty()) {
            PrintError("--text", "the text holds only line feeds, no character to draw");
        } else {
            PrintError(ShownName(options.file), "the font has none of the characters of the text");
        }
        return false;
    }
    for (const char32_t code : drawn.missing) {
        PrintError({}, CodeName(code) + " is not in " + ShownName(options.file));
    }
    picture = std::move(drawn.picture);
    return true;
}

int RunFontShow(const FontShowOptions& options, StandardOutput& out) {
    std::string text;
    if (options.text.empty()) {
        GlyphSet set;
        if (!ReadFontFile(options, set)) {
            return 1;
        }
        text = ListGlyphs(set, '#', '.');
    } else {
        MonoPicture picture;
        if (!DrawFontFile(options, picture)) {
            return 1;
        }
        text = AsText(picture, options.blocks);
    }
    if (!out.write(text) || !out.flush()) {
        PrintError("standard output", out.error());
        return 1;
    }
    return 0;
}

} // namespace pelmora::cli
