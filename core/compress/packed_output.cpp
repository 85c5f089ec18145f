#include "core/compress/packed_output.h"

#include "core/compress/unpack_header.h"
#include "core/syntax/c_header.h"
#include "core/syntax/text_values.h"

#include <algorithm>
#include <charconv>

namespace pelmora {

namespace {

constexpr std::string_view kPackedMark = "pelmora-packed:";

bool IsC(const Syntax& syntax) {
    return syntax.cArrays;
}

std::string MarkText(Scheme scheme, std::size_t unpacked) {
    return std::string(kPackedMark) + " " + std::string(NameOf(scheme)) + " " +
           std::to_string(unpacked);
}

std::string NumberList(const std::vector<std::size_t>& values) {
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i) {
        text += (i == 0 ? "" : ",") + std::to_string(values[i]);
    }
    return text;
}

// text with a comment line of mark after its geometry line, framed as that line is.
std::string WithMark(std::string text, const std::string& mark) {
    const std::size_t geometry = text.find("pelmora-panel:");
    if (geometry == std::string::npos) {
        return text;
    }
    const std::size_t lineStart = text.rfind('\n', geometry) + 1; // npos + 1 is 0
    const std::size_t lineEnd = std::min(text.find('\n', geometry), text.size());
    const std::string_view line = std::string_view(text).substr(geometry, lineEnd - geometry);
    const bool closed = Trimmed(line).ends_with("*/");
    text.insert(lineEnd == text.size() ? lineEnd : lineEnd + 1,
                text.substr(lineStart, geometry - lineStart) + mark + (closed ? " */" : "") + "\n");
    return text;
}

// A word fit for a one-line message: no line ends, no control characters.
std::string Shown(std::string_view word) {
    std::string shown;
    for (const char c : word.substr(0, 20)) {
        shown += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
    }
    return shown;
}

std::string Describe(Scheme scheme, std::size_t packed, std::size_t unpacked) {
    return "packed with " + std::string(NameOf(scheme)) + ": " + std::to_string(packed) + " of " +
           std::to_string(unpacked) + " bytes";
}

std::string CHeaderTop(std::string_view symbol, const std::string& describe,
                       const PanelLayout& layout, const std::string& mark, bool arduino) {
    const std::string name(symbol);
    std::string text = "/* " + name + ": " + describe + " */\n";
    text += "/* " + GeometryText(layout) + " */\n";
    text += "/* " + mark + " */\n";
    if (arduino) {
        text += kArduinoNote;
    }
    text += OpenCHeader(HeaderGuard(symbol));
    text += UnpackHeaderText();
    text += "\n#define " + name + "_WIDTH " + std::to_string(layout.width) + "\n";
    text += "#define " + name + "_HEIGHT " + std::to_string(layout.height) + "\n";
    return text;
}

// source: the expression of the packed data's address.
std::string HowToUnpack(const std::string& source, std::string_view symbol, Scheme scheme) {
    const std::string size = std::string(symbol) + "_UNPACKED_SIZE";
    if (scheme == Scheme::Arduboy) {
        return "/* Draw with Arduboy2's drawCompressed(x, y, " + source +
               ", WHITE), or unpack the page bytes with pelmora_unpack_arduboy(" + source +
               ", buffer, " + size + "). */\n";
    }
    return "/* Unpack with pelmora_unpack(" + source + ", buffer, " + size +
           "), or a byte at a time with pelmora_begin and pelmora_next. */\n";
}

} // namespace

KeyRefusal RefusePacking(const Syntax& syntax, const PanelLayout& layout, const Packing& packing,
                         bool frames, KeyNamer name) {
    if (!packing.packs()) {
        return {};
    }
    if (packing.delta && !frames) {
        return {"delta", "goes with " + name("frames")};
    }
    if (syntax.onlyRowsLsb) {
        return {"format", std::string(syntax.name) +
                              " holds the bytes as they are: " + name("compress") + " and " +
                              name("delta") + " take c, arduino, asm, gas, db, bin or ihex"};
    }
    if (packing.scheme == Scheme::Arduboy) {
        return RefuseArduboy(layout, name);
    }
    return {};
}

std::string PackingProblem(const Syntax& syntax, const PanelLayout& layout, const Packing& packing,
                           bool frames) {
    const KeyRefusal refusal = RefusePacking(syntax, layout, packing, frames, OptionNamed);
    return refusal.reason.empty() ? std::string() : OptionNamed(refusal.key) + " " + refusal.reason;
}

bool MarksPacking(const Syntax& syntax) {
    return syntax.marksPacking;
}

bool ClaimsPacked(std::string_view text) {
    return text.find(kPackedMark) != std::string_view::npos;
}

std::string PackedCArray(std::string_view symbol, std::span<const std::uint8_t> packed,
                         std::size_t unpackedBytes) {
    const std::string name(symbol);
    std::string text = "#define " + name + "_PACKED_SIZE " + std::to_string(packed.size()) + "\n";
    text += "#define " + name + "_UNPACKED_SIZE " + std::to_string(unpackedBytes) + "\n\n";
    text += "const uint8_t " + name + "[" + name + "_PACKED_SIZE] PROGMEM = {\n";
    AppendValueRows(text, packed);
    text += "};\n";
    return text;
}

PackedText WritePackedPicture(const Syntax& syntax, const PanelLayout& layout,
                              std::span<const std::uint8_t> bytes, std::string_view symbol,
                              Scheme scheme) {
    PackedText result;
    if (std::string problem = PackingProblem(syntax, layout, {scheme, false}, false);
        !problem.empty()) {
        result.error = std::move(problem);
        return result;
    }
    Packed packed = Pack(scheme, layout, bytes);
    if (!packed.ok()) {
        result.error = packed.error;
        return result;
    }
    result.scheme = packed.scheme;
    result.packedBytes = packed.bytes.size();
    result.unpackedBytes = bytes.size();
    const std::string mark = MarkText(packed.scheme, bytes.size());
    if (IsC(syntax)) {
        std::string text =
            CHeaderTop(symbol,
                       DescribeLayout(layout) + ", " +
                           Describe(packed.scheme, packed.bytes.size(), bytes.size()),
                       layout, mark, syntax.forSketch);
        text += HowToUnpack(std::string(symbol), symbol, packed.scheme);
        text += PackedCArray(symbol, packed.bytes, bytes.size());
        text += "\n" + CloseCHeader(HeaderGuard(symbol));
        result.text = std::move(text);
    } else if (MarksPacking(syntax)) {
        result.text = WithMark(syntax.write(layout, packed.bytes, symbol), mark);
    } else {
        result.text = syntax.write(layout, packed.bytes, symbol);
    }
    return result;
}

PackedText WritePackedFrames(const Syntax& syntax, const PanelLayout& layout, FrameSource& frames,
                             std::string_view symbol, const Packing& packing) {
    PackedText result;
    result.scheme = packing.scheme;
    if (std::string problem = PackingProblem(syntax, layout, packing, true); !problem.empty()) {
        result.error = std::move(problem);
        return result;
    }
    if (!HoldsFrames(syntax)) {
        result.error = "--format " + std::string(syntax.name) + " holds no frames";
        return result;
    }
    std::vector<std::uint8_t> all;
    std::vector<std::size_t> offsets;
    std::vector<std::size_t> delays;
    std::vector<std::uint8_t> before;
    std::vector<std::uint8_t> frame;
    const std::size_t count = frames.count();
    for (std::size_t i = 0; i < count; ++i) {
        const std::span<const std::uint8_t> bytes = frames.bytes(i);
        if (bytes.size() != layout.byteCount()) {
            result.error = "frame " + std::to_string(i) + " is not of the panel's size";
            return result;
        }
        frame.assign(bytes.begin(), bytes.end());
        if (packing.delta && i > 0) {
            XorInto(frame, before);
        }
        before.assign(bytes.begin(), bytes.end());
        const Packed packed = Pack(packing.scheme, layout, frame);
        if (!packed.ok()) {
            result.error = "frame " + std::to_string(i) + ": " + packed.error;
            return result;
        }
        offsets.push_back(all.size());
        delays.push_back(static_cast<std::size_t>(frames.delayMs(i)));
        all.insert(all.end(), packed.bytes.begin(), packed.bytes.end());
    }
    result.packedBytes = all.size();
    result.unpackedBytes = layout.byteCount() * count;
    std::string mark = MarkText(packing.scheme, layout.byteCount()) + " frames " +
                       std::to_string(count) + (packing.delta ? " delta" : "") + " delays " +
                       NumberList(delays);
    if (!IsC(syntax)) {
        mark += " offsets " + NumberList(offsets);
        result.text = syntax.write(layout, all, symbol);
        if (MarksPacking(syntax)) {
            result.text = WithMark(std::move(result.text), mark);
        }
        return result;
    }
    const std::string name(symbol);
    const std::string frameCount = name + "_FRAMES";
    const std::string describe =
        std::to_string(count) + (count == 1 ? " frame of " : " frames of ") +
        DescribeLayout(layout) + ", each " +
        Describe(packing.scheme, all.size(), result.unpackedBytes) + " on its own" +
        (packing.delta ? " after delta: XORed with the frame before it, the first whole" : "");
    std::string text = CHeaderTop(symbol, describe, layout, mark, syntax.forSketch);
    text += "#define " + frameCount + " " + std::to_string(count) + "\n";
    text += HowToUnpack(name + " + " + name + "_offsets[i]", symbol, packing.scheme);
    const bool wide = all.size() > 65535;
    text += std::string("/* Frame i's data begins at ") + name + " + " + name +
            "_offsets[i] (on AVR read the offset with " +
            (wide ? "pgm_read_dword" : "pgm_read_word") + ")" +
            (packing.delta ? "; delta: XOR each unpacked frame into the frame before it" : "") +
            ". */\n";
    text += "#define " + name + "_PACKED_SIZE " + std::to_string(all.size()) + "\n";
    text += "#define " + name + "_UNPACKED_SIZE " + std::to_string(layout.byteCount()) + "\n\n";
    text += "const uint8_t " + name + "[" + name + "_PACKED_SIZE] PROGMEM = {\n";
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t end = i + 1 < count ? offsets[i + 1] : all.size();
        text += "    /* frame " + std::to_string(i) + " */\n";
        AppendValueRows(text, std::span(all).subspan(offsets[i], end - offsets[i]));
        if (i + 1 < count && text.ends_with("\n") && !text.ends_with(",\n")) {
            text.insert(text.size() - 1, ","); // the rows of one frame end without a comma
        }
    }
    text += "};\n\nconst " + std::string(wide ? "uint32_t " : "uint16_t ") + name + "_offsets[" +
            frameCount + "] PROGMEM = {";
    for (std::size_t i = 0; i < count; ++i) {
        text += (i % 12 == 0 ? "\n    " : " ") + std::to_string(offsets[i]) + ",";
    }
    text += "\n};\n\nconst uint16_t " + name + "_delays_ms[" + frameCount + "] = {";
    for (std::size_t i = 0; i < count; ++i) {
        text += (i % 12 == 0 ? "\n    " : " ") + std::to_string(delays[i]) + ",";
    }
    text += "\n};\n\n" + CloseCHeader(HeaderGuard(symbol));
    result.text = std::move(text);
    return result;
}

namespace {

struct Mark {
    Packing packing;
    std::size_t unpacked = 0;
    std::optional<std::size_t> frames;
    std::vector<int> delays;
    std::string error;
};

Mark ReadMark(std::string_view text) {
    Mark mark;
    const std::size_t at = text.find(kPackedMark);
    std::string_view line = text.substr(at + kPackedMark.size());
    line = line.substr(0, line.find_first_of("*\r\n"));
    std::vector<std::string_view> words;
    while (!(line = Trimmed(line)).empty()) {
        const std::size_t end = std::min(line.find_first_of(" \t"), line.size());
        words.push_back(line.substr(0, end));
        line.remove_prefix(end);
    }
    const auto number = [](std::string_view word, std::size_t& value) {
        const auto [stop, problem] = std::from_chars(word.data(), word.data() + word.size(), value);
        return problem == std::errc() && stop == word.data() + word.size();
    };
    const std::optional<Scheme> scheme = words.empty() ? std::nullopt : FindScheme(words.front());
    if (!scheme || words.size() < 2 || !number(words[1], mark.unpacked)) {
        mark.error = "the pelmora-packed line names no scheme and size";
        return mark;
    }
    mark.packing.scheme = *scheme;
    for (std::size_t i = 2; i < words.size(); ++i) {
        std::size_t value = 0;
        if (words[i] == "delta") {
            mark.packing.delta = true;
        } else if (words[i] == "frames" && i + 1 < words.size() && number(words[i + 1], value)) {
            mark.frames = value;
            ++i;
        } else if (words[i] == "delays" && i + 1 < words.size()) {
            std::string_view list = words[++i];
            while (!list.empty()) {
                const std::size_t comma = std::min(list.find(','), list.size());
                if (!number(list.substr(0, comma), value) ||
                    value > static_cast<std::size_t>(kMaxFrameDelayMs)) {
                    mark.error = "the pelmora-packed line's delays cannot be read";
                    return mark;
                }
                mark.delays.push_back(static_cast<int>(value));
                list.remove_prefix(std::min(comma + 1, list.size()));
            }
        } else if (words[i] == "offsets" && i + 1 < words.size()) {
            ++i; // the frames are told apart by their data
        } else {
            mark.error = "the pelmora-packed line's \"" + Shown(words[i]) + "\" cannot be read";
            return mark;
        }
    }
    return mark;
}

// The packed bytes of a C text: the array declared with SYMBOL_PACKED_SIZE.
SyntaxText ReadCPacked(std::string_view text) {
    SyntaxText read;
    const std::string code = WithoutCComments(text);
    const std::size_t declarator = code.find("_PACKED_SIZE] PROGMEM");
    const std::size_t open =
        declarator == std::string::npos ? declarator : code.find('{', declarator);
    const std::size_t close = open == std::string::npos ? open : code.find('}', open);
    if (close == std::string::npos) {
        read.error = "no array of packed bytes was found";
        return read;
    }
    ReadValueList(std::string_view(code).substr(open + 1, close - open - 1), LineAt(code, open),
                  read);
    return read;
}

} // namespace

ReadFrames ReadPackedText(std::string_view text, const Syntax& syntax, const PanelLayout& fallback,
                          const std::optional<Packing>& given, bool frames) {
    ReadFrames read;
    Mark mark;
    const bool marked = MarksPacking(syntax) && ClaimsPacked(text);
    if (marked) {
        mark = ReadMark(text);
        if (!mark.error.empty()) {
            read.error = mark.error;
            return read;
        }
        read.layout = FindGeometry(text, read.error);
        if (!read.error.empty()) {
            return read;
        }
    } else if (given) {
        mark.packing = *given;
    } else {
        read.error = "the file does not say how it is packed: give --compress";
        return read;
    }
    const PanelLayout layout = read.layout.value_or(fallback);
    if (marked && mark.unpacked != layout.byteCount()) {
        read.error = "the file says its frames unpack to " + std::to_string(mark.unpacked) +
                     " bytes, not the panel's " + std::to_string(layout.byteCount());
        return read;
    }
    const SyntaxText values = IsC(syntax) ? ReadCPacked(text) : syntax.read(text);
    if (!values.error.empty()) {
        read.error = values.error;
        return read;
    }
    std::span<const std::uint8_t> rest = values.bytes;
    const bool many = mark.frames.has_value() || frames;
    std::vector<std::uint8_t> before;
    while (!rest.empty() && (many || read.frames.empty())) {
        Unpacked frame = Unpack(mark.packing.scheme, layout, rest);
        if (!frame.ok()) {
            read.error =
                (many ? "frame " + std::to_string(read.frames.size()) + ": " : "") + frame.error;
            return read;
        }
        if (mark.packing.delta && !read.frames.empty()) {
            XorInto(frame.bytes, before);
        }
        before = frame.bytes;
        read.frames.push_back({std::move(frame.bytes), 100, {}});
        rest = rest.subspan(frame.used);
    }
    if (read.frames.empty()) {
        read.error = "the file holds no packed data";
        return read;
    }
    if (!rest.empty()) {
        read.error = std::to_string(rest.size()) + " bytes follow the packed data";
        return read;
    }
    if (mark.frames && *mark.frames != read.frames.size()) {
        read.error = "the file says " + std::to_string(*mark.frames) + " frames but holds " +
                     std::to_string(read.frames.size());
        return read;
    }
    if (!mark.delays.empty()) {
        if (mark.delays.size() != read.frames.size()) {
            read.error = "the file holds " + std::to_string(read.frames.size()) + " frames but " +
                         std::to_string(mark.delays.size()) + " delays";
            return read;
        }
        for (std::size_t i = 0; i < read.frames.size(); ++i) {
            read.frames[i].delayMs = mark.delays[i];
        }
        read.delays = true;
    }
    return read;
}

} // namespace pelmora
