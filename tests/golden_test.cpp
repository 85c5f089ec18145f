// The bundled examples convert to the checked-in texts, both modes; tests/data/make_golden.sh
// made them.

#include "core/conversion/intake.h"
#include "support/test_pictures.h"

#include <gtest/gtest.h>

namespace pelmora {
namespace {

struct Silent : ProgressDisplay {
    void showProgress(const std::string&) override {}
};

TEST(Golden, ExamplesConvertToTheCheckedInTexts) {
    for (const char* name : {"hello", "logo", "pattern", "text"}) {
        for (const bool inverse : {false, true}) {
            SCOPED_TRACE(std::string(name) + (inverse ? " inverse" : " normal"));
            const TakenIn taken =
                TakeInBitmapFile(std::string(PELMORA_EXAMPLES) + "/" + name + ".bmp");
            ASSERT_TRUE(taken.usable()) << taken.check.error << taken.error;
            Silent progress;
            const std::string expected =
                test::ReadFile(std::string(PELMORA_TEST_DATA) + "/lcd_" + name +
                               (inverse ? ".inverse" : ".normal") + ".txt");
            ASSERT_FALSE(expected.empty());
            EXPECT_EQ(ConvertTakenInToText(taken, inverse, progress).text, expected);
        }
    }
}

} // namespace
} // namespace pelmora
