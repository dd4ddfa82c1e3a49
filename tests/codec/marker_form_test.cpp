#include "codec/marker_form.h"

#include <gtest/gtest.h>

#include <vector>

#include "codec_test_support.h"

namespace framestow {
namespace {

using testing::repeated_units;

std::vector<uint8_t> concat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

TEST(SimpleZipBody, WritesLiteralsAndMarkerTokens) {
    const std::vector<uint8_t> marker_token_of_one = {0x89, 0x67, 0x45, 0x23, 0x89, 0x67,
                                                      0x45, 0x23, 0x01, 0x00, 0x00, 0x00};
    struct Case {
        const char* name;
        std::vector<uint8_t> pixels;
        std::vector<uint8_t> body;
    };
    const Case cases[] = {
        {"unit equal to the run marker", repeated_units(kRunMarker, 1), marker_token_of_one},
        {"two run marker units make one token",
         repeated_units(kRunMarker, 2),
         {0x89, 0x67, 0x45, 0x23, 0x89, 0x67, 0x45, 0x23, 0x02, 0x00, 0x00, 0x00}},
        {"three equal units stay literal", repeated_units(0x0A0B0C0D, 3),
         repeated_units(0x0A0B0C0D, 3)},
        {"four equal units make a token",
         repeated_units(0x0A0B0C0D, 4),
         {0x89, 0x67, 0x45, 0x23, 0x0D, 0x0C, 0x0B, 0x0A, 0x04, 0x00, 0x00, 0x00}},
        {"leading zero units", concat({repeated_units(0, 2), repeated_units(5, 1)}),
         concat({repeated_units(0, 2), repeated_units(5, 1)})},
        {"odd RGB565 tail padded with zeros", {1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6, 0, 0}},
        {"padded tail that continues a run",
         concat({repeated_units(0x00000605, 4), {5, 6}}),
         {0x89, 0x67, 0x45, 0x23, 0x05, 0x06, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00}},
        {"empty picture", {}, {}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> buffer(8 + 64, 0xEE);
        std::size_t counter = 8;
        ASSERT_EQ(SimpleZipBody(c.pixels, buffer, counter), CodecStatus::kOk) << c.name;
        const std::vector<uint8_t> body(buffer.begin() + 8, buffer.begin() + counter);
        EXPECT_EQ(body, c.body) << c.name;
    }
}

}  // namespace
}  // namespace framestow
