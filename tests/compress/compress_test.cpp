// The packing schemes held to their own decoders over golden and hostile pictures, to
// published examples, and the packed texts of every syntax read back.

#include "core/compress/compress.h"
#include "core/compress/packed_output.h"
#include "core/syntax/syntax.h"
#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace pelmora::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

PanelLayout Pages(int width, int height) {
    return PanelLayout{.width = width, .height = height, .arrangement = Arrangement::Pages};
}

Bytes Golden(const std::string& name) {
    const std::string text =
        ReadFile(std::string(PELMORA_TEST_DATA) + "/lcd_" + name + ".normal.txt");
    return FindSyntax("db")->read(text).bytes;
}

Bytes Random(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    Bytes bytes(size);
    for (std::uint8_t& byte : bytes) {
        byte = static_cast<std::uint8_t>(random());
    }
    return bytes;
}

Bytes Filled(std::size_t size, std::uint8_t value) {
    return Bytes(size, value);
}

Bytes Checkerboard(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = i % 2 == 0 ? 0x55 : 0xAA;
    }
    return bytes;
}

struct Case {
    std::string name;
    PanelLayout layout; // pages, so that arduboy can take it where its size allows
    Bytes bytes;
};

std::vector<Case> Cases() {
    std::vector<Case> cases;
    for (const char* name : {"hello", "logo", "pattern", "text"}) {
        cases.push_back({name, Pages(128, 64), Golden(name)});
    }
    cases.push_back({"zeros", Pages(128, 64), Filled(1024, 0)});
    cases.push_back({"ones", Pages(128, 64), Filled(1024, 0xFF)});
    cases.push_back({"checkerboard", Pages(128, 64), Checkerboard(1024)});
    cases.push_back({"one_by_one", Pages(1, 1), Filled(1, 1)});
    cases.push_back({"one_by_eight", Pages(1, 8), Filled(1, 0x81)});
    cases.push_back({"wide_4096", Pages(4096, 8), Checkerboard(4096)});
    cases.push_back({"incompressible", Pages(256, 128), Random(4096, 7)});
    cases.push_back({"square_256_random", Pages(256, 256), Random(8192, 3)});
    Bytes runs; // runs of every length around PackBits' 128 and LZSS's 18
    for (int length : {1, 2, 3, 17, 18, 19, 127, 128, 129, 130, 257}) {
        runs.insert(runs.end(), static_cast<std::size_t>(length),
                    static_cast<std::uint8_t>(length));
    }
    runs.resize(1024, 0x3C);
    cases.push_back({"runs", Pages(128, 64), runs});
    return cases;
}

TEST(Compress, GeneralSchemesGiveTheBytesBackAndAutoIsNeverLargerThanRawAndItsTag) {
    for (const Case& c : Cases()) {
        std::size_t smallest = c.bytes.size() + 1;
        std::size_t automatic = 0;
        for (const Scheme scheme : {Scheme::None, Scheme::PackBits, Scheme::Lzss, Scheme::Auto}) {
            SCOPED_TRACE(c.name + " " + std::string(NameOf(scheme)));
            const Packed packed = Pack(scheme, c.layout, c.bytes);
            ASSERT_TRUE(packed.ok()) << packed.error;
            const Unpacked unpacked = Unpack(scheme, c.layout, packed.bytes);
            ASSERT_TRUE(unpacked.ok()) << unpacked.error;
            EXPECT_EQ(unpacked.bytes, c.bytes);
            EXPECT_EQ(unpacked.used, packed.bytes.size());
            if (scheme == Scheme::Auto) {
                automatic = packed.bytes.size();
            } else {
                smallest = std::min(smallest, packed.bytes.size());
            }
        }
        EXPECT_EQ(automatic, smallest) << c.name;
        EXPECT_LE(automatic, c.bytes.size() + 1) << c.name;
    }
}

TEST(Compress, ArduboyGivesTheBytesBackOrRefusesWhatTheLibraryCannotDraw) {
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"one_by_one", "multiple of 8"}, {"wide_4096", "256 x 256"}};
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        const Packed packed = Pack(Scheme::Arduboy, c.layout, c.bytes);
        bool expectRefusal = false;
        for (const auto& [name, reason] : refused) {
            if (name == c.name) {
                expectRefusal = true;
                EXPECT_NE(packed.error.find(reason), std::string::npos) << packed.error;
            }
        }
        if (expectRefusal) {
            continue;
        }
        ASSERT_TRUE(packed.ok()) << packed.error;
        const Unpacked unpacked = Unpack(Scheme::Arduboy, c.layout, packed.bytes);
        ASSERT_TRUE(unpacked.ok()) << unpacked.error;
        EXPECT_EQ(unpacked.bytes, c.bytes);
        EXPECT_EQ(unpacked.used, packed.bytes.size());
    }
    // One colour over 256 x 256 is a span longer than the library counts.
    EXPECT_FALSE(Pack(Scheme::Arduboy, Pages(256, 256), Filled(8192, 0)).ok());
    PanelLayout rows = Pages(128, 64);
    rows.arrangement = Arrangement::Rows;
    EXPECT_NE(ArduboyProblem(rows).find("--layout pages"), std::string::npos);
}

TEST(Compress, StreamsMatchTheirPublishedDescriptions) {
    struct Known {
        std::string name;
        Bytes packed;
        Bytes expected;
    };
    // Apple's example of PackBits (Technical Note TN1023).
    const Bytes apple = {0xAA, 0xAA, 0xAA, 0x80, 0x00, 0x2A, 0xAA, 0xAA, 0xAA, 0xAA, 0x80, 0x00,
                         0x2A, 0x22, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_EQ(PackBitsEncode(apple), (Bytes{0xFE, 0xAA, 0x02, 0x80, 0x00, 0x2A, 0xFD, 0xAA, 0x03,
                                            0x80, 0x00, 0x2A, 0x22, 0xF7, 0xAA}));
    // An 8 x 8 blank: 7, 7, colour 0, then a span of 64 as 3 zeros, a one, 63 in 7 bits.
    EXPECT_EQ(ArduboyEncode(Pages(8, 8), Filled(8, 0)).bytes, (Bytes{0x07, 0x07, 0xF0, 0x07}));
    // LZSS: literal 'a', then a copy of 5 from 1 back.
    EXPECT_EQ(LzssEncode(Bytes(6, 'a')), (Bytes{0x01, 'a', 0x00, 0x02}));
}

TEST(Compress, HostileStreamsAreRefusedWithAReason) {
    struct Hostile {
        std::string name;
        Scheme scheme;
        Bytes data;
        std::string reason;
    };
    const PanelLayout layout = Pages(8, 8);
    const std::vector<Hostile> cases = {
        {"empty", Scheme::Auto, {}, "ends before"},
        {"unknown_tag", Scheme::Auto, {7, 0}, "no scheme's tag"},
        {"raw_short", Scheme::None, {0, 1, 2}, "ends before"},
        {"packbits_short", Scheme::PackBits, {1, 0x05, 1, 2}, "ends before"},
        {"packbits_past_end", Scheme::PackBits, {1, 0x81, 0}, "past the picture's end"},
        {"packbits_only_noops", Scheme::PackBits, {1, 0x80, 0x80}, "ends before"},
        {"lzss_before_start", Scheme::Lzss, {2, 0x00, 0x00, 0x00}, "before its start"},
        {"lzss_long_copy", Scheme::Lzss, {2, 0x01, 1, 0x00, 0x10}, "over 18"},
        {"lzss_past_end", Scheme::Lzss, {2, 0x01, 1, 0x00, 0x0F}, "past the picture's end"},
        {"lzss_short_copy", Scheme::Lzss, {2, 0x01, 1, 0x00}, "ends before"},
        {"arduboy_other_size", Scheme::Arduboy, {0x0F, 0x07, 0x00}, "not the panel's"},
        {"arduboy_short", Scheme::Arduboy, {0x07, 0x07}, "ends before"},
        {"arduboy_zeros", Scheme::Arduboy, {0x07, 0x07, 0, 0, 0, 0}, "longer than the library"},
        {"arduboy_past_end", Scheme::Arduboy, {0x07, 0x07, 0x10, 0x08}, "past the picture's end"},
    };
    for (const Hostile& c : cases) {
        const Unpacked unpacked = Unpack(c.scheme, layout, c.data);
        EXPECT_NE(unpacked.error.find(c.reason), std::string::npos)
            << c.name << ": " << unpacked.error;
    }
}

class VectorFrames : public FrameSource {
  public:
    explicit VectorFrames(std::vector<Bytes> frames) : frames_(std::move(frames)) {}
    std::size_t count() const override { return frames_.size(); }
    int delayMs(std::size_t n) const override { return static_cast<int>(10 * n + 40); }
    std::string_view source(std::size_t) const override { return "test"; }
    std::span<const std::uint8_t> bytes(std::size_t n) override { return frames_[n]; }

  private:
    std::vector<Bytes> frames_;
};

TEST(Compress, PackedTextsOfEverySyntaxReadBack) {
    const PanelLayout layout = Pages(128, 64);
    const std::vector<Bytes> frames = {Golden("logo"), Golden("text"), Golden("text"),
                                       Filled(1024, 0), Random(1024, 9)};
    for (const char* name : {"c", "arduino", "asm", "gas", "db", "bin", "ihex"}) {
        const Syntax& syntax = *FindSyntax(name);
        for (const SchemeInfo& info : Schemes()) {
            for (const bool delta : {false, true}) {
                SCOPED_TRACE(std::string(name) + " " + std::string(info.name) +
                             (delta ? " delta" : ""));
                const Packing packing{info.scheme, delta};
                const std::optional<Packing> given =
                    MarksPacking(syntax) ? std::nullopt : std::optional(packing);
                // What marks its packing states its geometry too; the rest are read as told.
                const PanelLayout fallback = MarksPacking(syntax) ? Pages(8, 8) : layout;
                if (!delta) {
                    const PackedText still =
                        WritePackedPicture(syntax, layout, frames[0], "logo", info.scheme);
                    ASSERT_TRUE(still.ok()) << still.error;
                    const ReadFrames read =
                        ReadPackedText(still.text, syntax, fallback, given, false);
                    ASSERT_TRUE(read.error.empty()) << read.error;
                    ASSERT_EQ(read.frames.size(), 1U);
                    EXPECT_EQ(read.frames[0].bytes, frames[0]);
                }
                VectorFrames source(frames);
                const PackedText text = WritePackedFrames(syntax, layout, source, "anim", packing);
                ASSERT_TRUE(text.ok()) << text.error;
                const ReadFrames read = ReadPackedText(text.text, syntax, fallback, given, true);
                ASSERT_TRUE(read.error.empty()) << read.error;
                ASSERT_EQ(read.frames.size(), frames.size());
                for (std::size_t i = 0; i < frames.size(); ++i) {
                    EXPECT_EQ(read.frames[i].bytes, frames[i]) << "frame " << i;
                    if (MarksPacking(syntax)) {
                        EXPECT_EQ(read.frames[i].delayMs, static_cast<int>(10 * i + 40));
                    }
                }
                if (delta && MarksPacking(syntax)) {
                    EXPECT_NE(text.text.find("delta"), std::string::npos);
                }
            }
        }
    }
}

TEST(Compress, DeltaMakesStillAnimationsSmaller) {
    std::vector<Bytes> frames;
    Bytes frame = Golden("logo");
    for (int i = 0; i < 20; ++i) {
        frame[static_cast<std::size_t>(i * 37)] ^= 0x18; // a dot moves a little each frame
        frames.push_back(frame);
    }
    VectorFrames alone(frames);
    VectorFrames delta(frames);
    const Syntax& bin = *FindSyntax("bin");
    const PackedText a = WritePackedFrames(bin, Pages(128, 64), alone, "a", {Scheme::Auto, false});
    const PackedText d = WritePackedFrames(bin, Pages(128, 64), delta, "a", {Scheme::Auto, true});
    EXPECT_LT(d.packedBytes * 3, a.packedBytes);
}

TEST(Compress, RefusesWhatCannotBePacked) {
    EXPECT_NE(PackingProblem(*FindSyntax("xbm"), Pages(8, 8), {Scheme::Lzss, false}, false), "");
    EXPECT_NE(PackingProblem(*FindSyntax("c"), Pages(8, 8), {Scheme::Lzss, true}, false), "");
    EXPECT_NE(PackingProblem(*FindSyntax("c"), Pages(8, 4), {Scheme::Arduboy, false}, false), "");
    EXPECT_EQ(PackingProblem(*FindSyntax("c"), Pages(8, 8), {Scheme::Arduboy, true}, true), "");
}

} // namespace
} // namespace pelmora::test
