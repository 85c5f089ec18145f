#include "core/asset_build/asset_header.h"

#include "core/font/font_file.h"

#include "core/compress/unpack_header.h"

#include "core/syntax/c_header.h"
#include "core/syntax/text_values.h"

#include <algorithm>

namespace pelmora {

namespace {

// C23 and C++20 keywords, the alternative tokens, GNU C's asm, and what the header, its
// <stdint.h> (and <stddef.h>, <avr/pgmspace.h> on AVR) and the compilers define besides.
// Functions GCC knows as built in (C99, C11 and its extensions) and those avr-libc's headers
// declare beside <avr/pgmspace.h>: data of such a name fails to compile. Sorted in byte order.
constexpr std::string_view kLibraryNames[] = {
    "_Exit",
    "_exit",
    "abort",
    "abs",
    "acos",
    "acosf",
    "acosh",
    "acoshf",
    "acoshl",
    "acosl",
    "aligned_alloc",
    "alloca",
    "asin",
    "asinf",
    "asinh",
    "asinhf",
    "asinhl",
    "asinl",
    "atan",
    "atan2",
    "atan2f",
    "atan2l",
    "atanf",
    "atanh",
    "atanhf",
    "atanhl",
    "atanl",
    "bcmp",
    "bcopy",
    "bzero",
    "cabs",
    "calloc",
    "carg",
    "cbrt",
    "cbrtf",
    "cbrtl",
    "ccos",
    "ceil",
    "ceilf",
    "ceill",
    "cexp",
    "cimag",
    "clog",
    "conj",
    "copysign",
    "copysignf",
    "copysignl",
    "cos",
    "cosf",
    "cosh",
    "coshf",
    "coshl",
    "cosl",
    "cpow",
    "creal",
    "csin",
    "csqrt",
    "ctan",
    "dcgettext",
    "dgettext",
    "drem",
    "dremf",
    "dreml",
    "erf",
    "erfc",
    "erfcf",
    "erfcl",
    "erff",
    "erfl",
    "exit",
    "exp",
    "exp10",
    "exp2",
    "exp2f",
    "exp2l",
    "expf",
    "expl",
    "expm1",
    "expm1f",
    "expm1l",
    "fabs",
    "fabsf",
    "fabsl",
    "fdim",
    "fdimf",
    "fdiml",
    "ffs",
    "ffsl",
    "ffsll",
    "finite",
    "finitef",
    "finitel",
    "floor",
    "floorf",
    "floorl",
    "fma",
    "fmaf",
    "fmal",
    "fmax",
    "fmaxf",
    "fmaxl",
    "fmin",
    "fminf",
    "fminl",
    "fmod",
    "fmodf",
    "fmodl",
    "fprintf",
    "fprintf_unlocked",
    "fputc",
    "fputc_unlocked",
    "fputs",
    "fputs_unlocked",
    "free",
    "frexp",
    "frexpf",
    "frexpl",
    "fscanf",
    "fwrite",
    "fwrite_unlocked",
    "gamma",
    "gammaf",
    "gammal",
    "gettext",
    "hypot",
    "hypotf",
    "hypotl",
    "ilogb",
    "ilogbf",
    "ilogbl",
    "imaxabs",
    "index",
    "isalnum",
    "isalpha",
    "isascii",
    "isblank",
    "iscntrl",
    "isdigit",
    "isgraph",
    "isinf",
    "isinff",
    "isinfl",
    "islower",
    "isnan",
    "isnanf",
    "isnanl",
    "isprint",
    "ispunct",
    "isspace",
    "isupper",
    "iswalnum",
    "iswalpha",
    "iswblank",
    "iswcntrl",
    "iswdigit",
    "iswgraph",
    "iswlower",
    "iswprint",
    "iswpunct",
    "iswspace",
    "iswupper",
    "iswxdigit",
    "isxdigit",
    "j0",
    "j0f",
    "j0l",
    "j1",
    "j1f",
    "j1l",
    "jn",
    "jnf",
    "jnl",
    "labs",
    "ldexp",
    "ldexpf",
    "ldexpl",
    "lgamma",
    "lgamma_r",
    "lgammaf",
    "lgammaf_r",
    "lgammal",
    "lgammal_r",
    "llabs",
    "llrint",
    "llrintf",
    "llrintl",
    "llround",
    "llroundf",
    "llroundl",
    "log",
    "log10",
    "log10f",
    "log10l",
    "log1p",
    "log1pf",
    "log1pl",
    "log2",
    "log2f",
    "log2l",
    "logb",
    "logbf",
    "logbl",
    "logf",
    "logl",
    "lrint",
    "lrintf",
    "lrintl",
    "lround",
    "lroundf",
    "lroundl",
    "malloc",
    "memccpy_P",
    "memchr",
    "memchr_P",
    "memcmp",
    "memcmp_P",
    "memcmp_PF",
    "memcpy",
    "memcpy_P",
    "memcpy_PF",
    "memmem_P",
    "memmove",
    "mempcpy",
    "memrchr_P",
    "memset",
    "modf",
    "modff",
    "modfl",
    "nan",
    "nanf",
    "nanl",
    "nearbyint",
    "nearbyintf",
    "nearbyintl",
    "nextafter",
    "nextafterf",
    "nextafterl",
    "nexttoward",
    "nexttowardf",
    "nexttowardl",
    "posix_memalign",
    "pow",
    "pow10",
    "powf",
    "powl",
    "printf",
    "printf_unlocked",
    "putc",
    "putc_unlocked",
    "putchar",
    "putchar_unlocked",
    "puts",
    "puts_unlocked",
    "realloc",
    "remainder",
    "remainderf",
    "remainderl",
    "remquo",
    "remquof",
    "remquol",
    "rindex",
    "rint",
    "rintf",
    "rintl",
    "round",
    "roundf",
    "roundl",
    "scalb",
    "scalbf",
    "scalbl",
    "scalbln",
    "scalblnf",
    "scalblnl",
    "scalbn",
    "scalbnf",
    "scalbnl",
    "scanf",
    "signbit",
    "significand",
    "significandf",
    "significandl",
    "sin",
    "sincos",
    "sinf",
    "sinh",
    "sinhf",
    "sinhl",
    "sinl",
    "snprintf",
    "sprintf",
    "sqrt",
    "sqrtf",
    "sqrtl",
    "sscanf",
    "stpcpy",
    "stpncpy",
    "strcasecmp",
    "strcasecmp_P",
    "strcasecmp_PF",
    "strcasestr_P",
    "strcat",
    "strcat_P",
    "strcat_PF",
    "strchr",
    "strchr_P",
    "strchrnul_P",
    "strcmp",
    "strcmp_P",
    "strcmp_PF",
    "strcpy",
    "strcpy_P",
    "strcpy_PF",
    "strcspn",
    "strcspn_P",
    "strdup",
    "strfmon",
    "strlcat_P",
    "strlcat_PF",
    "strlcpy_P",
    "strlcpy_PF",
    "strlen",
    "strlen_P",
    "strlen_PF",
    "strncasecmp",
    "strncasecmp_P",
    "strncasecmp_PF",
    "strncat",
    "strncat_P",
    "strncat_PF",
    "strncmp",
    "strncmp_P",
    "strncmp_PF",
    "strncpy",
    "strncpy_P",
    "strncpy_PF",
    "strndup",
    "strnlen",
    "strnlen_P",
    "strnlen_PF",
    "strpbrk",
    "strpbrk_P",
    "strrchr",
    "strrchr_P",
    "strsep_P",
    "strspn",
    "strspn_P",
    "strstr",
    "strstr_P",
    "strstr_PF",
    "strtok_P",
    "strtok_rP",
    "tan",
    "tanf",
    "tanh",
    "tanhf",
    "tanhl",
    "tanl",
    "tgamma",
    "tgammaf",
    "tgammal",
    "toascii",
    "tolower",
    "toupper",
    "towlower",
    "towupper",
    "trunc",
    "truncf",
    "truncl",
    "vfprintf",
    "vfscanf",
    "vprintf",
    "vscanf",
    "vsnprintf",
    "vsprintf",
    "vsscanf",
    "y0",
    "y0f",
    "y0l",
    "y1",
    "y1f",
    "y1l",
    "yn",
    "ynf",
    "ynl",
};

constexpr std::string_view kTakenNames[] = {
    "alignas", "alignof", "and", "and_eq", "asm", "auto", "bitand", "bitor", "bool", "break",
    "case", "catch", "char", "char8_t", "char16_t", "char32_t", "class", "co_await", "co_return",
    "co_yield", "compl", "concept", "const", "const_cast", "consteval", "constexpr", "constinit",
    "continue", "decltype", "default", "delete", "do", "double", "dynamic_cast", "else", "enum",
    "explicit", "export", "extern", "false", "float", "for", "friend", "goto", "if", "inline",
    "int", "long", "mutable", "namespace", "new", "noexcept", "not", "not_eq", "nullptr",
    "operator", "or", "or_eq", "private", "protected", "public", "register", "reinterpret_cast",
    "requires", "restrict", "return", "short", "signed", "sizeof", "static", "static_assert",
    "static_cast", "struct", "switch", "template", "this", "thread_local", "throw", "true", "try",
    "typedef", "typeid", "typename", "typeof", "typeof_unqual", "union", "unsigned", "using",
    "virtual", "void", "volatile", "wchar_t", "while", "xor", "xor_eq",
    // The header's own and its includes'.
    "main", "PROGMEM", "PGM_P", "PGM_VOID_P", "GFXglyph", "GFXfont", "NULL", "size_t", "ptrdiff_t",
    "max_align_t", "offsetof", "imaxdiv_t", "ESP8266", "ESP32",
    // Defined by GCC in its GNU modes, by avr-gcc, and by compilers for 32-bit x86.
    "linux", "unix", "AVR", "i386", "pelmora_asset", "pelmora_assets", "PELMORA_ASSET_COUNT"};

bool Digit(char c) {
    return c >= '0' && c <= '9';
}

bool Upper(char c) {
    return c >= 'A' && c <= 'Z';
}

// "8", "16", "LEAST8", "FAST32", "MAX", "PTR" and so on: what follows INT in a <stdint.h> name.
bool StdintWidth(std::string_view text, bool upper) {
    for (const std::string_view prefix : {"least", "fast"}) {
        std::string word(prefix);
        if (upper) {
            std::transform(word.begin(), word.end(), word.begin(),
                           [](char c) { return static_cast<char>(c - 32); });
        }
        if (text.starts_with(word)) {
            text.remove_prefix(word.size());
            break;
        }
    }
    if (text == (upper ? "MAX" : "max") || text == (upper ? "PTR" : "ptr")) {
        return true;
    }
    return text == "8" || text == "16" || text == "32" || text == "64";
}

// A type or macro that <stdint.h> or <inttypes.h> defines, in any version of C.
bool StdintName(std::string_view name) {
    std::string_view rest = name;
    if (rest.ends_with("_t")) { // int8_t, uint_least16_t, intmax_t, ...
        rest.remove_suffix(2);
        rest.remove_prefix(rest.starts_with("u") ? 1 : 0);
        if (rest.starts_with("int")) {
            rest.remove_prefix(3);
            return StdintWidth(rest.starts_with("_") ? rest.substr(1) : rest, false);
        }
        return false;
    }
    if (name.starts_with("PRI") || name.starts_with("SCN")) { // PRId8, SCNxLEAST16, ...
        rest = name.substr(3);
        return !rest.empty() &&
               std::string_view("diouxX").find(rest[0]) != std::string_view::npos &&
               StdintWidth(rest.substr(1), true);
    }
    for (const std::string_view suffix : {"_MIN", "_MAX", "_WIDTH", "_C"}) {
        if (name.ends_with(suffix)) {
            rest = name.substr(0, name.size() - suffix.size());
            for (const std::string_view other :
                 {"PTRDIFF", "SIG_ATOMIC", "SIZE", "WCHAR", "WINT"}) {
                if (rest == other) {
                    return true;
                }
            }
            rest.remove_prefix(rest.starts_with("U") ? 1 : 0);
            if (!rest.starts_with("INT")) {
                return false;
            }
            rest.remove_prefix(3);
            return StdintWidth(rest.starts_with("_") ? rest.substr(1) : rest, true);
        }
    }
    return false;
}

bool StartsPelmora(std::string_view name) {
    constexpr std::string_view kPrefix = "pelmora_";
    if (name.size() < kPrefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < kPrefix.size(); ++i) {
        const char c = Upper(name[i]) ? static_cast<char>(name[i] + 32) : name[i];
        if (c != kPrefix[i]) {
            return false;
        }
    }
    return true;
}

std::string GuardFor(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    std::string guard = "PELMORA_";
    for (const char c : path.substr(slash == std::string_view::npos ? 0 : slash + 1)) {
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        guard += letter ? c : (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : '_';
    }
    return guard;
}

// The index entry's type, once however many generated headers a program includes. The
// fields after delays_ms came later: a firmware that reads the first ones still does.
constexpr std::string_view kIndexType = "#ifndef PELMORA_ASSET_DEFINED\n"
                                        "#define PELMORA_ASSET_DEFINED\n"
                                        "#define PELMORA_KIND_PICTURE 0\n"
                                        "#define PELMORA_KIND_FRAMES 1\n"
                                        "#define PELMORA_KIND_FONT 2\n"
                                        "#define PELMORA_LAYOUT_HALVES 0\n"
                                        "#define PELMORA_LAYOUT_PAGES 1\n"
                                        "#define PELMORA_LAYOUT_ROWS 2\n"
                                        "#define PELMORA_LAYOUT_GFXFONT 3\n"
                                        "#define PELMORA_LAYOUT_U8G2 4\n"
                                        "#define PELMORA_LAYOUT_BITPLANES 5\n"
                                        "#define PELMORA_BIT_ORDER_LSB 0\n"
                                        "#define PELMORA_BIT_ORDER_MSB 1\n"
                                        "#define PELMORA_SCHEME_NONE 0\n"
                                        "#define PELMORA_SCHEME_PACKBITS 1\n"
                                        "#define PELMORA_SCHEME_LZSS 2\n"
                                        "#define PELMORA_SCHEME_ARDUBOY 3\n"
                                        "#define PELMORA_SCHEME_AUTO 4\n"
                                        "#define PELMORA_COLOUR_NONE 0\n"
                                        "#define PELMORA_COLOUR_RED 1\n"
                                        "#define PELMORA_COLOUR_YELLOW 2\n"
                                        "#define PELMORA_MASK_NONE 0\n"
                                        "#define PELMORA_MASK_PLANE 1\n"
                                        "#define PELMORA_MASK_INTERLEAVED 2\n"
                                        "typedef struct pelmora_asset {\n"
                                        "    const char *name;\n"
                                        "    uint16_t width;\n"
                                        "    uint16_t height;\n"
                                        "    uint16_t frames;\n"
                                        "    const uint8_t *data;\n"
                                        "    const uint16_t *delays_ms;\n"
                                        "    uint8_t kind;\n"
                                        "    uint8_t layout;\n"
                                        "    uint8_t bit_order;\n"
                                        "    uint16_t block_width;\n"
                                        "    uint32_t bytes;\n"
                                        "    uint8_t scheme;\n"
                                        "    uint8_t delta;\n"
                                        "    uint32_t packed_size;\n"
                                        "    uint32_t unpacked_size;\n"
                                        "    uint8_t depth;\n"
                                        "    uint8_t planes;\n"
                                        "    uint8_t colour;\n"
                                        "    uint8_t ink;\n"
                                        "    uint8_t mask;\n"
                                        "    uint16_t ram_width;\n"
                                        "    uint16_t x_offset;\n"
                                        "    uint32_t plane_size;\n"
                                        "} pelmora_asset;\n"
                                        "#endif\n\n";

// A font's file cut where the definitions begin and end: what comes before them (types,
// macros, its guard opened) for the header, the definitions for the source, and what comes
// after (its guard closed).
struct FontParts {
    std::string_view before;
    std::string_view definitions;
    std::string_view after;
    std::string declarations;   // "extern const ...;" for each definition, arrays with sizes
    std::string firstSymbol;    // what the index points at: the glyph bitmaps or the table
    std::size_t firstItems = 0; // the bytes of that array
};

// The items of the initialiser that text begins in (just after its '{'): the commas at its
// own depth, comments aside; a trailing comma starts none.
std::size_t CountItems(std::string_view text) {
    std::size_t items = 0;
    int depth = 1;
    bool waiting = true; // for the first character of the next item
    for (std::size_t i = 0; i < text.size() && depth > 0; ++i) {
        if (text.substr(i, 2) == "/*") {
            const std::size_t close = text.find("*/", i + 2);
            i = close == std::string_view::npos ? text.size() : close + 1;
            continue;
        }
        const char c = text[i];
        if (c == '}') {
            --depth;
        } else if (c == ',' && depth == 1) {
            waiting = true;
        } else if (c != ' ' && c != '\n') {
            if (waiting && depth == 1) {
                ++items;
                waiting = false;
            }
            depth += c == '{' ? 1 : 0;
        }
    }
    return items;
}

FontParts SplitFont(std::string_view text) {
    FontParts parts;
    const std::size_t first = text.find("\nconst ");
    const std::size_t start = first == std::string_view::npos ? text.size() : first + 1;
    std::size_t end = text.size();
    const std::size_t lastLine = text.rfind('\n', text.size() >= 2 ? text.size() - 2 : 0);
    if (lastLine != std::string_view::npos && lastLine >= start &&
        text.substr(lastLine + 1).starts_with("#endif")) {
        end = lastLine + 1;
    }
    parts.before = text.substr(0, start);
    parts.definitions = text.substr(start, end - start);
    parts.after = text.substr(end);
    std::string_view rest = parts.definitions;
    while (!rest.empty()) {
        const std::size_t newline = rest.find('\n');
        const std::string_view line = rest.substr(0, newline);
        const std::string_view after =
            newline == std::string_view::npos ? std::string_view() : rest.substr(newline + 1);
        const std::size_t equals = line.find(" = ");
        if (!line.starts_with("const ") || equals == std::string_view::npos) {
            rest = after;
            continue;
        }
        // "const uint8_t name_bitmaps[] PROGMEM = {": its size, so that sizeof works where
        // only the declaration is seen.
        std::string head(line.substr(0, equals));
        const std::size_t items =
            line.substr(equals).starts_with(" = {") ? CountItems(rest.substr(equals + 4)) : 0;
        if (const std::size_t open = head.find("[]"); open != std::string::npos) {
            head.insert(open + 1, std::to_string(items));
        }
        parts.declarations += "extern " + head + ";\n";
        if (parts.firstSymbol.empty()) {
            // The third word, up to its '['.
            const std::size_t type = line.find(' ', 6);
            const std::string_view symbol = line.substr(type + 1, equals - type - 1);
            parts.firstSymbol = std::string(symbol.substr(0, symbol.find_first_of("[ ")));
            parts.firstItems = items;
        }
        rest = after;
    }
    return parts;
}

std::string_view KindName(const BuiltAsset& asset) {
    return asset.kind == AssetKind::Font     ? "PELMORA_KIND_FONT"
           : asset.kind == AssetKind::Frames ? "PELMORA_KIND_FRAMES"
                                             : "PELMORA_KIND_PICTURE";
}

std::string_view LayoutName(const BuiltAsset& asset) {
    if (asset.kind == AssetKind::Font && FontKindNamed(asset.fontFormat) == FontKind::GfxFont) {
        return "PELMORA_LAYOUT_GFXFONT";
    }
    if (asset.kind == AssetKind::Font && FontKindNamed(asset.fontFormat) == FontKind::U8g2) {
        return "PELMORA_LAYOUT_U8G2";
    }
    switch (asset.layout.arrangement) {
    case Arrangement::Halves:
        return "PELMORA_LAYOUT_HALVES";
    case Arrangement::Pages:
        return "PELMORA_LAYOUT_PAGES";
    case Arrangement::Rows:
        return "PELMORA_LAYOUT_ROWS";
    case Arrangement::BitPlanes:
        return "PELMORA_LAYOUT_BITPLANES";
    }
    return "PELMORA_LAYOUT_ROWS";
}

// depth, planes, colour, ink, mask, ram_width, x_offset, plane_size: how a firmware finds
// the picture's planes (each plane_size bytes long, one after another, the mask after them).
std::string PlaneFields(const BuiltAsset& asset, bool font, std::size_t bytes) {
    const PanelLayout& layout = asset.layout;
    if (font) {
        return "1, 1, PELMORA_COLOUR_NONE, 1, PELMORA_MASK_NONE, 0, 0, " + std::to_string(bytes);
    }
    const std::string colour = layout.colours == Colours::BlackRed      ? "PELMORA_COLOUR_RED"
                               : layout.colours == Colours::BlackYellow ? "PELMORA_COLOUR_YELLOW"
                                                                        : "PELMORA_COLOUR_NONE";
    const std::string mask = layout.mask == MaskForm::Plane         ? "PELMORA_MASK_PLANE"
                             : layout.mask == MaskForm::Interleaved ? "PELMORA_MASK_INTERLEAVED"
                                                                    : "PELMORA_MASK_NONE";
    return std::to_string(layout.depth) + ", " + (layout.colours == Colours::None ? "1" : "2") +
           ", " + colour + ", " + (layout.inkIsZero ? "0" : "1") + ", " + mask + ", " +
           std::to_string(layout.ramColumns() != layout.width || layout.xOffset != 0
                              ? layout.ramColumns()
                              : 0) +
           ", " + std::to_string(layout.xOffset) + ", " + std::to_string(layout.planeBytes());
}

bool Animated(const BuiltAsset& asset) {
    return !asset.delaysMs.empty();
}

bool Packs(const BuiltAsset& asset) {
    return asset.fontText.empty() && asset.packing.packs();
}

// The offsets of packed frames, in program memory: 32-bit, as any flash may need.
std::string OffsetsHead(const BuiltAsset& asset) {
    return "const uint32_t " + asset.name + "_offsets[" + asset.name + "_FRAMES] PROGMEM";
}

std::string ArrayHead(const BuiltAsset& asset) {
    if (Packs(asset)) {
        return "const uint8_t " + asset.name + "[" + asset.name + "_PACKED_SIZE] PROGMEM";
    }
    const std::string size =
        Animated(asset)
            ? asset.name + "_FRAMES][" + std::to_string(asset.bytes.size() / asset.delaysMs.size())
            : std::to_string(asset.bytes.size());
    return "const uint8_t " + asset.name + "[" + size + "] PROGMEM";
}

// In RAM even for an AVR, as convert --frames keeps them.
std::string DelaysHead(const BuiltAsset& asset) {
    return "const uint16_t " + asset.name + "_delays_ms[" + asset.name + "_FRAMES]";
}

void AppendDefinitions(std::string& text, std::span<const BuiltAsset> assets, bool separate) {
    for (const BuiltAsset& asset : assets) {
        if (!asset.fontText.empty()) {
            text += separate ? std::string(SplitFont(asset.fontText).definitions) : asset.fontText;
            text += "\n";
            continue;
        }
        text += ArrayHead(asset) + " = {\n";
        if (Packs(asset)) {
            AppendValueRows(text, asset.packed);
            text += "};\n\n";
            if (Animated(asset)) {
                text += OffsetsHead(asset) + " = {";
                for (std::size_t i = 0; i < asset.offsets.size(); ++i) {
                    text += (i % 8 == 0 ? "\n    " : " ") + std::to_string(asset.offsets[i]) + ",";
                }
                text += "\n};\n\n";
            }
        } else if (!Animated(asset)) {
            AppendValueRows(text, asset.bytes);
            text += "};\n\n";
            continue;
        }
        if (!Packs(asset)) {
            const std::size_t frameBytes = asset.bytes.size() / asset.delaysMs.size();
            for (std::size_t i = 0; i < asset.delaysMs.size(); ++i) {
                text += "    {\n";
                AppendValueRows(text, std::span(asset.bytes).subspan(i * frameBytes, frameBytes));
                text += "    },\n";
            }
            text += "};\n\n";
        }
        if (!Animated(asset)) {
            continue;
        }
        text += DelaysHead(asset) + " = {";
        for (std::size_t i = 0; i < asset.delaysMs.size(); ++i) {
            text += (i % 12 == 0 ? "\n    " : " ") + std::to_string(asset.delaysMs[i]) + ",";
        }
        text += "\n};\n\n";
    }
    // The names live where the data does, so that an AVR keeps its RAM.
    for (const BuiltAsset& asset : assets) {
        text += "static const char pelmora_name_" + asset.name + "[] PROGMEM = \"" + asset.name +
                "\";\n";
    }
    text += "\nconst pelmora_asset pelmora_assets[PELMORA_ASSET_COUNT]";
    text += " PROGMEM = {\n";
    for (const BuiltAsset& asset : assets) {
        const bool font = !asset.fontText.empty();
        const FontParts parts = font ? SplitFont(asset.fontText) : FontParts{};
        const std::string data = font                               ? parts.firstSymbol
                                 : Animated(asset) && !Packs(asset) ? asset.name + "[0]"
                                                                    : asset.name;
        const std::size_t bytes = font           ? parts.firstItems
                                  : Packs(asset) ? asset.packed.size()
                                                 : asset.bytes.size();
        const std::string scheme =
            "PELMORA_SCHEME_" + UpperCase(NameOf(Packs(asset) ? asset.packedScheme : Scheme::None));
        text += "    {pelmora_name_" + asset.name + ", " + std::to_string(asset.layout.width) +
                ", " + std::to_string(asset.layout.height) + ", " + std::to_string(asset.frames) +
                ", " + data + ", " + (Animated(asset) ? asset.name + "_delays_ms" : "0") + ", " +
                std::string(KindName(asset)) + ", " + std::string(LayoutName(asset)) + ", " +
                (asset.layout.bitOrder == BitOrder::Msb ? "PELMORA_BIT_ORDER_MSB"
                                                        : "PELMORA_BIT_ORDER_LSB") +
                ", " +
                std::to_string(asset.layout.arrangement == Arrangement::Halves && !font
                                   ? asset.layout.blockWidth
                                   : 0) +
                ", " + std::to_string(bytes) + ", " + scheme + ", " +
                (Packs(asset) && asset.packing.delta ? "1" : "0") + ", " + std::to_string(bytes) +
                ", " + std::to_string(font ? parts.firstItems : asset.bytes.size()) + ", " +
                PlaneFields(asset, font, font ? parts.firstItems : asset.bytes.size()) + "},\n";
    }
    text += "};\n";
}

} // namespace

std::string MadeSymbolProblem(std::string_view symbol) {
    if (StartsPelmora(symbol)) {
        return "names beginning with pelmora_ are the header's own";
    }
    if (std::find(std::begin(kTakenNames), std::end(kTakenNames), symbol) !=
        std::end(kTakenNames)) {
        return "a keyword of C or C++, or a name the header or the compiler defines";
    }
    if (StdintName(symbol)) {
        return "a name <stdint.h> defines";
    }
    if (std::binary_search(std::begin(kLibraryNames), std::end(kLibraryNames), symbol)) {
        return "a function of the C library";
    }
    return {};
}

std::string SymbolProblem(std::string_view name) {
    const bool identifier =
        !name.empty() && !Digit(name[0]) && std::all_of(name.begin(), name.end(), [](char c) {
            return Upper(c) || (c >= 'a' && c <= 'z') || Digit(c) || c == '_';
        });
    if (!identifier) {
        return "a symbol is letters, digits and _, not first a digit";
    }
    if (name.starts_with("__") || (name.size() > 1 && name[0] == '_' && Upper(name[1]))) {
        return "names beginning with __ or _ and a capital are the compiler's";
    }
    return MadeSymbolProblem(name);
}

std::vector<std::string> AssetSymbols(AssetKind kind, std::string_view name,
                                      std::string_view fontFormat) {
    const std::string base(name);
    std::vector<std::string> symbols{base};
    auto add = [&](std::initializer_list<std::string_view> suffixes) {
        for (const std::string_view suffix : suffixes) {
            symbols.push_back(base + std::string(suffix));
        }
    };
    if (kind != AssetKind::Font) {
        add({"_WIDTH", "_HEIGHT", "_PACKED_SIZE", "_UNPACKED_SIZE"});
        if (kind == AssetKind::Frames) {
            add({"_FRAMES", "_delays_ms", "_offsets"});
        }
        return symbols;
    }
    if (FontKindNamed(fontFormat) == FontKind::U8g2) {
        return symbols;
    }
    if (FontKindNamed(fontFormat) == FontKind::GfxFont) {
        add({"_bitmaps", "_glyphs"});
    } else {
        add({"_WIDTH", "_HEIGHT", "_CELL_BYTES", "_COUNT", "_FIRST"});
    }
    symbols.push_back(HeaderGuard(name)); // the font file's include guard
    return symbols;
}

std::string PackAsset(BuiltAsset& asset) {
    asset.packed.clear();
    asset.offsets.clear();
    asset.packedScheme = asset.packing.scheme;
    if (!Packs(asset)) {
        return {};
    }
    const std::size_t frameBytes = asset.layout.byteCount();
    if (frameBytes == 0 || asset.bytes.size() % frameBytes != 0) {
        return "the bytes are no whole number of frames";
    }
    std::vector<std::uint8_t> frame;
    for (std::size_t at = 0; at < asset.bytes.size(); at += frameBytes) {
        const std::span<const std::uint8_t> bytes = std::span(asset.bytes).subspan(at, frameBytes);
        frame.assign(bytes.begin(), bytes.end());
        if (asset.packing.delta && at > 0) {
            XorInto(frame, std::span(asset.bytes).subspan(at - frameBytes, frameBytes));
        }
        const Packed packed = Pack(asset.packing.scheme, asset.layout, frame);
        if (!packed.ok()) {
            return packed.error;
        }
        if (!Animated(asset)) {
            asset.packedScheme = packed.scheme;
        }
        asset.offsets.push_back(asset.packed.size());
        asset.packed.insert(asset.packed.end(), packed.bytes.begin(), packed.bytes.end());
    }
    return {};
}

AssetFiles WriteAssetFiles(std::span<const BuiltAsset> assets, const AssetFileNames& names) {
    const std::string heading =
        "/* Made by pelmora-cli build from " + names.manifest + "; edit that, not this. */\n";
    const std::string guard = GuardFor(names.header);
    AssetFiles files;
    std::string& header = files.header;
    std::size_t size = 1024;
    for (const BuiltAsset& asset : assets) {
        size += asset.bytes.size() * 6 + 256;
    }
    header.reserve(size);
    // A font's file includes these too: here, outside any extern "C", they come first.
    header = heading + OpenCHeader(guard);
    if (std::any_of(assets.begin(), assets.end(), Packs)) {
        header += "#include \"" + std::string(kUnpackHeaderName) + "\"\n";
    }
    header += "\n#ifdef __cplusplus\nextern \"C\" {\n#endif\n\n";
    header += kIndexType;
    for (const BuiltAsset& asset : assets) {
        if (!asset.fontText.empty()) {
            // A font's own file: whole, or its types and declarations with the source.
            if (!names.separateSource) {
                continue; // written with the definitions below
            }
            const FontParts parts = SplitFont(asset.fontText);
            header +=
                std::string(parts.before) + parts.declarations + std::string(parts.after) + "\n";
            continue;
        }
        header += "/* " + asset.name + ": " + DescribeLayout(asset.layout) + " */\n";
        header += "/* " + GeometryText(asset.layout) + " */\n";
        header += "#define " + asset.name + "_WIDTH " + std::to_string(asset.layout.width) + "\n";
        header += "#define " + asset.name + "_HEIGHT " + std::to_string(asset.layout.height) + "\n";
        if (Animated(asset)) {
            header +=
                "#define " + asset.name + "_FRAMES " + std::to_string(asset.delaysMs.size()) + "\n";
        }
        if (Packs(asset)) {
            header +=
                "/* packed with " + std::string(NameOf(asset.packedScheme)) +
                (Animated(asset) ? ", each frame on its own" : "") +
                (asset.packing.delta ? "; delta: XOR each unpacked frame into the frame before it"
                                     : "") +
                " */\n";
            header += "#define " + asset.name + "_PACKED_SIZE " +
                      std::to_string(asset.packed.size()) + "\n";
            header += "#define " + asset.name + "_UNPACKED_SIZE " +
                      std::to_string(asset.layout.byteCount()) + "\n";
        }
        if (names.separateSource) {
            header += "extern " + ArrayHead(asset) + ";\n";
            if (Packs(asset) && Animated(asset)) {
                header += "extern " + OffsetsHead(asset) + ";\n";
            }
            if (Animated(asset)) {
                header += "extern " + DelaysHead(asset) + ";\n";
            }
        }
        header += "\n";
    }
    header += "#define PELMORA_ASSET_COUNT " + std::to_string(assets.size()) + "\n";
    if (names.separateSource) {
        header += "extern const pelmora_asset pelmora_assets[PELMORA_ASSET_COUNT]";
        header += " PROGMEM;\n";
        files.source.reserve(size);
        files.source = heading + "#include \"" + names.header + "\"\n\n";
        AppendDefinitions(files.source, assets, true);
    } else {
        header += "\n";
        AppendDefinitions(header, assets, false);
    }
    header += "\n#ifdef __cplusplus\n}\n#endif\n\n" + CloseCHeader(guard);
    return files;
}

} // namespace pelmora
