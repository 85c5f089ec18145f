#include "core/font/u8g2_font.h"

#include "core/font/c_tokens.h"
#include "core/syntax/c_header.h"
#include "core/syntax/text_values.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <utility>

namespace pelmora {

namespace {

constexpr std::size_t kHeaderBytes = 23;
constexpr int kMaxGlyphBytes = 255; // the jump to the next glyph is one byte
// Blocks of the lookup table, so that a firmware looking a code up skips whole blocks.
constexpr std::size_t kLookupBlock = 64;

// The fields of one glyph as the font stores them.
struct Fields {
    int width = 0;
    int height = 0;
    int x = 0; // left
    int y = 0; // bottom row's offset from the baseline, up positive
    int advance = 0;
};

Fields FieldsOf(const Glyph& glyph) {
    if (glyph.dots.width == 0 || glyph.dots.height == 0) {
        return {0, 0, 0, 0, glyph.advance}; // nothing to draw: no dots, no offsets
    }
    return {glyph.dots.width, glyph.dots.height, glyph.left, BottomOf(glyph), glyph.advance};
}

int UnsignedBits(int largest) {
    int bits = 1;
    while ((1 << bits) <= largest) {
        ++bits;
    }
    return bits;
}

int SignedBits(int smallest, int largest) {
    int bits = 1;
    while (smallest < -(1 << (bits - 1)) || largest >= (1 << (bits - 1))) {
        ++bits;
    }
    return bits;
}

class BitWriter {
  public:
    void put(unsigned value, int bits) {
        for (int i = 0; i < bits; ++i) {
            if (used_ == 0) {
                bytes_.push_back(0);
            }
            if ((value >> i & 1U) != 0) {
                bytes_.back() = static_cast<std::uint8_t>(bytes_.back() | 1U << used_);
            }
            used_ = (used_ + 1) % 8;
        }
    }
    void putSigned(int value, int bits) {
        put(static_cast<unsigned>(value + (1 << (bits - 1))), bits);
    }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
    int used_ = 0;
};

struct Widths {
    int m0 = 2;
    int m1 = 2;
    int w = 1;
    int h = 1;
    int x = 1;
    int y = 1;
    int d = 1;
};

// The runs of one glyph's dots, row by row: off then on, each pair followed by a bit that
// says whether the very same pair comes again.
void PutRuns(BitWriter& out, const MonoPicture& dots, int m0, int m1) {
    const int most0 = (1 << m0) - 1;
    const int most1 = (1 << m1) - 1;
    const std::size_t total = dots.dots.size();
    std::size_t at = 0;
    std::vector<std::pair<int, int>> pairs;
    while (at < total) {
        int zeros = 0;
        while (at < total && dots.dots[at] == 0 && zeros < most0) {
            ++zeros;
            ++at;
        }
        int ones = 0;
        if (zeros < most0 || at >= total || dots.dots[at] != 0) {
            while (at < total && dots.dots[at] != 0 && ones < most1) {
                ++ones;
                ++at;
            }
        }
        pairs.emplace_back(zeros, ones);
    }
    for (std::size_t i = 0; i < pairs.size();) {
        out.put(static_cast<unsigned>(pairs[i].first), m0);
        out.put(static_cast<unsigned>(pairs[i].second), m1);
        std::size_t j = i + 1;
        while (j < pairs.size() && pairs[j] == pairs[i]) {
            out.put(1, 1);
            ++j;
        }
        out.put(0, 1);
        i = j;
    }
}

std::vector<std::uint8_t> GlyphStream(const Glyph& glyph, const Widths& widths) {
    const Fields f = FieldsOf(glyph);
    BitWriter out;
    out.put(static_cast<unsigned>(f.width), widths.w);
    out.put(static_cast<unsigned>(f.height), widths.h);
    out.putSigned(f.x, widths.x);
    out.putSigned(f.y, widths.y);
    out.putSigned(f.advance, widths.d);
    if (f.width > 0 && f.height > 0) {
        PutRuns(out, glyph.dots, widths.m0, widths.m1);
    }
    return out.bytes();
}

void PutBig16(std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t value) {
    bytes[at] = static_cast<std::uint8_t>(value >> 8 & 0xFF);
    bytes[at + 1] = static_cast<std::uint8_t>(value & 0xFF);
}

void AppendBig16(std::vector<std::uint8_t>& bytes, std::size_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value >> 8 & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

std::string NameOfGlyph(const Glyph& glyph) {
    const std::string quoted = QuotedAscii(glyph.code);
    return "glyph " + CodeName(glyph.code) + (quoted.empty() ? "" : " " + quoted);
}

const Glyph* Find(const GlyphSet& set, char32_t code) {
    const auto found =
        std::lower_bound(set.glyphs.begin(), set.glyphs.end(), code,
                         [](const Glyph& glyph, char32_t wanted) { return glyph.code < wanted; });
    return found != set.glyphs.end() && found->code == code ? &*found : nullptr;
}

std::uint8_t SignedByte(int value) {
    return static_cast<std::uint8_t>(static_cast<std::int8_t>(value));
}

// u8g2 reads every glyph field, and the header's sizes and metrics, into signed bytes.
constexpr int kLeast = -128;
constexpr int kMost = 127;

std::string OutsideByte(std::string_view what, int value, int least = kLeast) {
    if (value >= least && value <= kMost) {
        return {};
    }
    return std::string(what) + " " + std::to_string(value) + " is outside " +
           std::to_string(least) + "..127, the most a u8g2 font holds";
}

// The first field of the glyph that u8g2 cannot hold, as the reason it is refused.
std::string CheckGlyphFields(const Glyph& glyph) {
    const Fields f = FieldsOf(glyph);
    const std::string name = NameOfGlyph(glyph) + ": its ";
    for (const auto& [field, value] : {std::pair<std::string_view, int>{"width", f.width},
                                       {"height", f.height},
                                       {"x offset", f.x},
                                       {"y offset", f.y},
                                       {"top", f.y + f.height},
                                       {"advance", f.advance}}) {
        const bool size = field == "width" || field == "height";
        if (std::string problem = OutsideByte(field, value, size ? 0 : kLeast); !problem.empty()) {
            return name + problem;
        }
    }
    return {};
}

// As u8g2's own tools make a font: every glyph cut to its ink first, so that a bitmap
// strike's blank rows count neither in a glyph's box nor in the header's ascents.
GlyphSet TrimmedSet(const GlyphSet& drawn) {
    GlyphSet set;
    set.ascender = drawn.ascender;
    set.descender = drawn.descender;
    set.glyphs.reserve(drawn.glyphs.size());
    for (const Glyph& glyph : drawn.glyphs) {
        set.glyphs.push_back(TrimmedToInk(glyph));
    }
    return set;
}

// The bit widths of the glyphs' fields and the box of every glyph's ink.
struct FontMeasure {
    Widths widths;
    int boxLeft = 0;
    int boxBottom = 0;
    int boxWidth = 0;
    int boxHeight = 0;
};

// Why the glyphs cannot be a u8g2 font (a code past U+FFFF, a field past its byte, a box
// too large), or empty with measure filled.
std::string Measure(const GlyphSet& set, FontMeasure& measure) {
    int minX = 0, maxX = 0, minY = 0, maxY = 0, minD = 0, maxD = 0, maxW = 0, maxH = 0;
    int boxLeft = std::numeric_limits<int>::max(), boxBottom = std::numeric_limits<int>::max();
    int boxRight = std::numeric_limits<int>::min(), boxTop = std::numeric_limits<int>::min();
    for (const Glyph& glyph : set.glyphs) {
        if (glyph.code > 0xFFFF) {
            return NameOfGlyph(glyph) + ": a u8g2 font holds codes up to U+FFFF";
        }
        if (std::string problem = CheckGlyphFields(glyph); !problem.empty()) {
            return problem;
        }
        const Fields f = FieldsOf(glyph);
        maxW = std::max(maxW, f.width);
        maxH = std::max(maxH, f.height);
        minX = std::min(minX, f.x);
        maxX = std::max(maxX, f.x);
        minY = std::min(minY, f.y);
        maxY = std::max(maxY, f.y);
        minD = std::min(minD, f.advance);
        maxD = std::max(maxD, f.advance);
        if (f.width > 0) {
            boxLeft = std::min(boxLeft, f.x);
            boxRight = std::max(boxRight, f.x + f.width);
            boxBottom = std::min(boxBottom, f.y);
            boxTop = std::max(boxTop, f.y + f.height);
        }
    }
    if (boxLeft > boxRight) {
        boxLeft = boxRight = boxBottom = boxTop = 0;
    }
    measure.widths.w = UnsignedBits(maxW);
    measure.widths.h = UnsignedBits(maxH);
    measure.widths.x = SignedBits(minX, maxX);
    measure.widths.y = SignedBits(minY, maxY);
    measure.widths.d = SignedBits(minD, maxD);
    measure.boxLeft = boxLeft;
    measure.boxBottom = boxBottom;
    measure.boxWidth = boxRight - boxLeft;
    measure.boxHeight = boxTop - boxBottom;
    if (measure.boxWidth > kMost || measure.boxHeight > kMost || boxLeft < kLeast ||
        boxLeft > kMost || boxBottom < kLeast || boxBottom > kMost) {
        return "the font's bounding box, " + std::to_string(measure.boxWidth) + " x " +
               std::to_string(measure.boxHeight) + " at " + std::to_string(boxLeft) + ", " +
               std::to_string(boxBottom) +
               ", is larger than the signed bytes of a u8g2 header hold (-128..127)";
    }
    return {};
}

// The run widths that make the smallest font.
Widths SmallestRuns(const GlyphSet& set, const Widths& widths) {
    std::size_t best = std::numeric_limits<std::size_t>::max();
    Widths chosen = widths;
    for (int m0 = 2; m0 <= 8; ++m0) {
        for (int m1 = 2; m1 <= 8; ++m1) {
            Widths trial = widths;
            trial.m0 = m0;
            trial.m1 = m1;
            std::size_t size = 0;
            for (const Glyph& glyph : set.glyphs) {
                size += GlyphStream(glyph, trial).size();
                if (size >= best) {
                    break;
                }
            }
            if (size < best) {
                best = size;
                chosen = trial;
            }
        }
    }
    return chosen;
}

// The header's first 17 bytes: counts, bit widths, the box and the four rises of the
// glyphs the font's users measure by.
std::string PutHeader(const GlyphSet& set, const Widths& chosen, const FontMeasure& measure,
                      std::vector<std::uint8_t>& bytes) {
    bytes.assign(kHeaderBytes, 0);
    bytes[0] = static_cast<std::uint8_t>(std::min<std::size_t>(set.glyphs.size(), 255));
    bytes[1] = 0;
    bytes[2] = static_cast<std::uint8_t>(chosen.m0);
    bytes[3] = static_cast<std::uint8_t>(chosen.m1);
    bytes[4] = static_cast<std::uint8_t>(chosen.w);
    bytes[5] = static_cast<std::uint8_t>(chosen.h);
    bytes[6] = static_cast<std::uint8_t>(chosen.x);
    bytes[7] = static_cast<std::uint8_t>(chosen.y);
    bytes[8] = static_cast<std::uint8_t>(chosen.d);
    bytes[9] = static_cast<std::uint8_t>(measure.boxWidth);
    bytes[10] = static_cast<std::uint8_t>(measure.boxHeight);
    bytes[11] = SignedByte(measure.boxLeft);
    bytes[12] = SignedByte(measure.boxBottom);
    const Glyph* upperA = Find(set, 'A');
    const Glyph* lowerG = Find(set, 'g');
    const Glyph* paren = Find(set, '(');
    // A glyph with no ink (a blank 'A') has no rise: the font's own metrics stand in.
    const auto inked = [](const Glyph* glyph) {
        return glyph != nullptr && glyph->dots.width > 0 && glyph->dots.height > 0;
    };
    const std::pair<std::string_view, int> metrics[] = {
        {"ascent of 'A'", inked(upperA) ? upperA->top : set.ascender},
        {"descent of 'g'", inked(lowerG) ? BottomOf(*lowerG) : -set.descender},
        {"ascent of '('", inked(paren) ? paren->top : set.ascender},
        {"descent of '('", inked(paren) ? BottomOf(*paren) : -set.descender}};
    for (std::size_t m = 0; m < std::size(metrics); ++m) {
        if (std::string problem = OutsideByte(metrics[m].first, metrics[m].second);
            !problem.empty()) {
            return "the header's " + problem;
        }
        bytes[13 + m] = SignedByte(metrics[m].second);
    }
    return {};
}

// The glyphs below U+0100, each its code and size before its stream, then the header's
// offsets of 'A', 'a' and the unicode table. next is the first glyph from U+0100 on.
std::string PutLowGlyphs(const GlyphSet& set, const Widths& chosen,
                         std::vector<std::uint8_t>& bytes, std::size_t& next) {
    std::size_t startA = std::string::npos;
    std::size_t startLowerA = std::string::npos;
    std::size_t i = 0;
    for (; i < set.glyphs.size() && set.glyphs[i].code < 0x100; ++i) {
        const Glyph& glyph = set.glyphs[i];
        const std::size_t offset = bytes.size() - kHeaderBytes;
        if (startA == std::string::npos && glyph.code >= 'A') {
            startA = offset;
        }
        if (startLowerA == std::string::npos && glyph.code >= 'a') {
            startLowerA = offset;
        }
        const std::vector<std::uint8_t> stream = GlyphStream(glyph, chosen);
        if (stream.size() + 2 > kMaxGlyphBytes) {
            return NameOfGlyph(glyph) + " takes " + std::to_string(stream.size() + 2) +
                   " bytes; a u8g2 glyph holds at most 255";
        }
        bytes.push_back(static_cast<std::uint8_t>(glyph.code));
        bytes.push_back(static_cast<std::uint8_t>(stream.size() + 2));
        bytes.insert(bytes.end(), stream.begin(), stream.end());
    }
    next = i;
    const std::size_t end = bytes.size() - kHeaderBytes;
    bytes.push_back(0); // a jump of 0 ends the glyphs below U+0100
    bytes.push_back(0);
    const std::size_t unicodeStart = bytes.size() - kHeaderBytes;
    if (unicodeStart > 0xFFFF) {
        return "the glyphs below U+0100 take " + std::to_string(unicodeStart) +
               " bytes, past the 65,535 that the header's offsets reach";
    }
    PutBig16(bytes, 17, startA == std::string::npos ? end : startA);
    PutBig16(bytes, 19, startLowerA == std::string::npos ? end : startLowerA);
    PutBig16(bytes, 21, unicodeStart);
    return {};
}

// From U+0100 on: the glyphs in blocks; the table holds, for each block, the jump from
// the block before (the first: from the table) and the block's last code, the last
// entry's code 0xFFFF.
std::string PutUnicodeGlyphs(const GlyphSet& set, const Widths& chosen, std::size_t first,
                             std::vector<std::uint8_t>& bytes) {
    std::vector<std::vector<std::uint8_t>> encoded;
    for (std::size_t i = first; i < set.glyphs.size(); ++i) {
        const Glyph& glyph = set.glyphs[i];
        const std::vector<std::uint8_t> stream = GlyphStream(glyph, chosen);
        if (stream.size() + 3 > kMaxGlyphBytes) {
            return NameOfGlyph(glyph) + " takes " + std::to_string(stream.size() + 3) +
                   " bytes; a u8g2 glyph holds at most 255";
        }
        std::vector<std::uint8_t> record;
        AppendBig16(record, glyph.code);
        record.push_back(static_cast<std::uint8_t>(stream.size() + 3));
        record.insert(record.end(), stream.begin(), stream.end());
        encoded.push_back(std::move(record));
    }
    const std::size_t blocks =
        std::max<std::size_t>(1, (encoded.size() + kLookupBlock - 1) / kLookupBlock);
    std::size_t jump = blocks * 4;
    for (std::size_t block = 0; block < blocks; ++block) {
        const std::size_t from = block * kLookupBlock;
        const std::size_t to = std::min(encoded.size(), from + kLookupBlock);
        if (jump > 0xFFFF) {
            return "a block of the unicode lookup table spans more than 65,535 bytes";
        }
        AppendBig16(bytes, jump);
        AppendBig16(bytes, block + 1 == blocks
                               ? 0xFFFF
                               : static_cast<std::size_t>(set.glyphs[first + to - 1].code));
        jump = 0;
        for (std::size_t g = from; g < to; ++g) {
            jump += encoded[g].size();
        }
    }
    for (const auto& record : encoded) {
        bytes.insert(bytes.end(), record.begin(), record.end());
    }
    bytes.push_back(0); // code 0 ends the glyphs from U+0100 on
    bytes.push_back(0);
    return {};
}

} // namespace

U8g2Bytes EncodeU8g2Font(const GlyphSet& drawn) {
    U8g2Bytes result;
    if (drawn.glyphs.empty()) {
        result.error = "there is no glyph to write";
        return result;
    }
    const GlyphSet set = TrimmedSet(drawn);
    FontMeasure measure;
    result.error = Measure(set, measure);
    if (!result.error.empty()) {
        return result;
    }
    const Widths chosen = SmallestRuns(set, measure.widths);
    std::size_t unicode = 0;
    result.error = PutHeader(set, chosen, measure, result.bytes);
    if (result.error.empty()) {
        result.error = PutLowGlyphs(set, chosen, result.bytes, unicode);
    }
    if (result.error.empty()) {
        result.error = PutUnicodeGlyphs(set, chosen, unicode, result.bytes);
    }
    if (!result.error.empty()) {
        result.bytes.clear();
    }
    return result;
}

FontText WriteU8g2Font(const GlyphSet& set, std::string_view symbol) {
    FontText result;
    U8g2Bytes font = EncodeU8g2Font(set);
    if (!font.error.empty()) {
        result.error = font.error;
        return result;
    }
    const std::string name(symbol);
    std::string& text = result.text;
    text += "/* " + name + ": " + (set.family.empty() ? "a font" : set.family) + " at " +
            std::to_string(set.pixelSize) + " pixels, " + std::to_string(set.glyphs.size()) +
            " glyphs, a u8g2 font of " + std::to_string(font.bytes.size()) + " bytes */\n";
    // In program memory by the platform's own header, as u8g2 reads a font on AVR with
    // pgm_read_byte; u8g2's U8G2_FONT_SECTION is empty until u8g2.h is included.
    text += CHeaderIncludes();
    text += "\nconst uint8_t " + name + "[" + std::to_string(font.bytes.size()) + "] PROGMEM = {\n";
    AppendValueRows(text, font.bytes);
    text += "};\n";
    return result;
}

namespace {

class BitReader {
  public:
    BitReader(std::span<const std::uint8_t> bytes, std::size_t begin, std::size_t end)
        : bytes_(bytes), at_(begin * 8), end_(end * 8) {}
    bool get(int bits, unsigned& value) {
        value = 0;
        if (at_ + static_cast<std::size_t>(bits) > end_) {
            return false;
        }
        for (int i = 0; i < bits; ++i, ++at_) {
            value |= static_cast<unsigned>(bytes_[at_ / 8] >> (at_ % 8) & 1U) << i;
        }
        return true;
    }
    bool getSigned(int bits, int& value) {
        unsigned raw = 0;
        if (!get(bits, raw)) {
            return false;
        }
        value = static_cast<int>(raw) - (1 << (bits - 1));
        return true;
    }

  private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_;
    std::size_t end_;
};

struct Decoder {
    std::span<const std::uint8_t> bytes;
    Widths widths;
    std::string error;
    std::size_t dots = 0;

    bool glyph(char32_t code, std::size_t begin, std::size_t end, GlyphSet& set) {
        BitReader in(bytes, begin, end);
        unsigned width = 0, height = 0;
        int x = 0, y = 0, advance = 0;
        if (!in.get(widths.w, width) || !in.get(widths.h, height) || !in.getSigned(widths.x, x) ||
            !in.getSigned(widths.y, y) || !in.getSigned(widths.d, advance)) {
            error = "glyph " + CodeName(code) + " is cut short";
            return false;
        }
        if (width > kMaxGlyphSide || height > kMaxGlyphSide) {
            error = "glyph " + CodeName(code) + " is " + std::to_string(width) + " x " +
                    std::to_string(height) + " dots, more than " + std::to_string(kMaxGlyphSide) +
                    " on a side";
            return false;
        }
        dots += static_cast<std::size_t>(width) * height;
        if (dots > kMaxFontDots) {
            error = "the glyphs hold more than " + std::to_string(kMaxFontDots) + " dots";
            return false;
        }
        Glyph glyph;
        glyph.code = code;
        glyph.left = x;
        glyph.top = y + static_cast<int>(height);
        glyph.advance = advance;
        glyph.dots = MonoPicture(static_cast<int>(width), static_cast<int>(height));
        if (width > 0 && height > 0) {
            const std::size_t total = glyph.dots.dots.size();
            std::size_t at = 0;
            while (at < total) {
                unsigned zeros = 0, ones = 0, again = 0;
                if (!in.get(widths.m0, zeros) || !in.get(widths.m1, ones)) {
                    error = "glyph " + CodeName(code) + " is cut short";
                    return false;
                }
                do {
                    at += zeros;
                    for (unsigned i = 0; i < ones && at < total; ++i) {
                        glyph.dots.dots[at++] = 1;
                    }
                    if (!in.get(1, again)) {
                        error = "glyph " + CodeName(code) + " is cut short";
                        return false;
                    }
                } while (again != 0);
            }
        }
        set.ascender = std::max(set.ascender, glyph.top);
        set.descender = std::max(set.descender, -y);
        set.glyphs.push_back(std::move(glyph));
        return true;
    }
};

} // namespace

FontRead DecodeU8g2Font(std::span<const std::uint8_t> bytes) {
    FontRead read;
    const auto fail = [&read](std::string why) {
        read.error = std::move(why);
        read.set.glyphs.clear();
        return read;
    };
    if (bytes.size() < kHeaderBytes) {
        return fail("a u8g2 font has a 23-byte header; this one has " +
                    std::to_string(bytes.size()) + " bytes");
    }
    Decoder decoder{bytes, {}, {}, 0};
    Widths& w = decoder.widths;
    w.m0 = bytes[2];
    w.m1 = bytes[3];
    w.w = bytes[4];
    w.h = bytes[5];
    w.x = bytes[6];
    w.y = bytes[7];
    w.d = bytes[8];
    for (const int width : {w.m0, w.m1, w.w, w.h, w.x, w.y, w.d}) {
        if (width < 1 || width > 16) {
            return fail("a field width in the header is " + std::to_string(width) +
                        ", not 1 to 16");
        }
    }
    read.set.lineHeight = bytes[10];
    std::size_t at = kHeaderBytes;
    while (true) {
        if (at + 2 > bytes.size()) {
            return fail("the glyphs below U+0100 run past the end");
        }
        const std::size_t jump = bytes[at + 1];
        if (jump == 0) {
            break;
        }
        if (jump < 2 || at + jump > bytes.size()) {
            return fail("glyph " + CodeName(bytes[at]) + " jumps past the end");
        }
        if (!decoder.glyph(bytes[at], at + 2, at + jump, read.set)) {
            return fail(decoder.error);
        }
        at += jump;
    }
    at = kHeaderBytes + (static_cast<std::size_t>(bytes[21]) << 8 | bytes[22]);
    // Past the lookup table, whose last entry has code 0xFFFF.
    while (true) {
        if (at + 4 > bytes.size()) {
            return fail("the unicode lookup table runs past the end");
        }
        const unsigned code = static_cast<unsigned>(bytes[at + 2]) << 8 | bytes[at + 3];
        at += 4;
        if (code == 0xFFFF) {
            break;
        }
    }
    char32_t previous = 0xFF;
    while (true) {
        if (at + 2 > bytes.size()) {
            return fail("the glyphs from U+0100 on run past the end");
        }
        const char32_t code = static_cast<char32_t>(bytes[at]) << 8 | bytes[at + 1];
        if (code == 0) {
            break;
        }
        if (at + 3 > bytes.size()) {
            return fail("glyph " + CodeName(code) + " is cut short");
        }
        const std::size_t jump = bytes[at + 2];
        if (jump < 3 || at + jump > bytes.size()) {
            return fail("glyph " + CodeName(code) + " jumps past the end");
        }
        if (code <= previous) {
            return fail("glyph " + CodeName(code) + " is out of order");
        }
        previous = code;
        if (!decoder.glyph(code, at + 3, at + jump, read.set)) {
            return fail(decoder.error);
        }
        at += jump;
    }
    return read;
}

bool ClaimsU8g2Font(std::string_view text) {
    // Older files, and u8g2's own, mark the array with its section macro.
    return text.find(" a u8g2 font of ") != std::string_view::npos ||
           text.find("U8G2_FONT_SECTION") != std::string_view::npos;
}

FontRead ReadU8g2Font(std::string_view text) {
    FontRead read;
    const CTokens tokenized = TokenizeC(text, 8 * 1024 * 1024);
    if (!tokenized.error.empty()) {
        read.error = tokenized.error;
        return read;
    }
    const std::vector<CToken>& tokens = tokenized.tokens;
    for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
        const bool equals = tokens[i].kind == CToken::Kind::Punct && tokens[i].text == "=";
        if (!equals) {
            continue;
        }
        if (tokens[i + 1].kind == CToken::Kind::String) {
            const std::string& s = tokens[i + 1].text;
            const std::vector<std::uint8_t> bytes(s.begin(), s.end());
            return DecodeU8g2Font(bytes);
        }
        if (tokens[i + 1].kind == CToken::Kind::Punct && tokens[i + 1].text == "{") {
            std::vector<std::uint8_t> bytes;
            for (std::size_t j = i + 2; j < tokens.size(); ++j) {
                const CToken& token = tokens[j];
                if (token.kind == CToken::Kind::Punct && token.text == "}") {
                    return DecodeU8g2Font(bytes);
                }
                if (token.kind == CToken::Kind::Punct && token.text == ",") {
                    continue;
                }
                if (token.kind != CToken::Kind::Number || token.number < 0 || token.number > 255) {
                    read.error = "line " + std::to_string(token.line) + ": a byte was expected";
                    return read;
                }
                bytes.push_back(static_cast<std::uint8_t>(token.number));
            }
            read.error = "the text ends inside the array";
            return read;
        }
    }
    read.error = "no array with its values";
    return read;
}

} // namespace pelmora
