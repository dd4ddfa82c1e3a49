#include "png_workers.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base64.h"
#include "support/png_readback.h"
#include "thumbnail.h"

// The report's PNG files made on worker threads: the same bytes under the same slot indexes
// whatever the number of threads, and thumbnails that decode to exactly the scaled pixels.
namespace framestow::inspect {
namespace {

struct Picture {
    std::size_t index;
    PixelLayout layout;
    std::vector<uint8_t> pixels;
};

std::vector<uint8_t> decoded_bgra(const std::string& text) {
    return testing::decode_png(testing::from_base64(text), PNG_FORMAT_BGRA).pixels;
}

// Colours and alpha that change from pixel to pixel, so that every filter and run matters.
std::vector<uint8_t> varied_pixels(const PixelLayout& layout, std::size_t pixel_size) {
    std::vector<uint8_t> pixels(std::size_t{layout.width} * layout.height * pixel_size);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<uint8_t>(i * 7 + i / 301 * 13);
    }
    return pixels;
}

TEST(PngWorkers, SameFilesUnderTheSameIndexesWhateverTheThreads) {
    std::vector<Picture> pictures = {{4, {0x8888, 300, 200}, {}},
                                     {0, {0xF565, 50, 130}, {}},
                                     {2, {0x8888, 10, 10}, {}},
                                     {5, {0x8888, 40, 40}, {1, 2, 3}}};
    pictures[0].pixels = varied_pixels(pictures[0].layout, 4);
    pictures[1].pixels = varied_pixels(pictures[1].layout, 2);
    pictures[2].pixels = std::vector<uint8_t>(10 * 10 * 4, 0xFF);
    std::vector<std::vector<std::string>> results;
    for (const unsigned threads : {0u, 1u, 3u}) {
        PngWorkers workers(PngSize::kThumbnail, threads);
        for (const Picture& picture : pictures) {
            workers.add(picture.index, picture.layout, picture.pixels);
        }
        results.push_back(workers.finish(7));
    }
    EXPECT_EQ(results[1], results[0]);
    EXPECT_EQ(results[2], results[0]);
    const std::vector<std::string>& texts = results[0];
    ASSERT_EQ(texts.size(), 7u);
    for (const std::size_t empty : {1, 3, 5, 6}) {
        EXPECT_EQ(texts[empty], "") << empty;
    }
    // 4-byte pixels come back as stored, an opaque picture without its alpha bytes included.
    for (const std::size_t i : {0, 2}) {
        const Picture& picture = pictures[i];
        const ScaledPicture thumbnail = scale_down(picture.layout, picture.pixels);
        EXPECT_EQ(decoded_bgra(texts[picture.index]), thumbnail.pixels) << picture.index;
    }
    // 50 x 130 pixels make a thumbnail of 37 x 96.
    EXPECT_EQ(decoded_bgra(texts[0]).size(), std::size_t{37} * 96 * 4);
}

}  // namespace
}  // namespace framestow::inspect
