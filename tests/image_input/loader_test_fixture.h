#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "codec/picture_format.h"
#include "image_input/bmp_loader.h"
#include "image_input/byte_source.h"
#include "image_input/png_loader.h"

namespace framestow::testing {

struct LoadResult {
    int result = 0;
    bool bmp_signature = false;  // BMP only: the file began with "BM"
    ImageBitmap bitmap;
    std::string out;  // the loader's messages
    std::string err;  // libpng's

    std::vector<uint8_t> bytes() const { return {bitmap.bytes.begin(), bitmap.bytes.end()}; }
};

// Decodes picture files held in memory into one buffer shared by every test, as the packer
// allocates it once a run.
class LoaderTest : public ::testing::Test {
  protected:
    static PictureBuffer& buffer() {
        static PictureBuffer shared;
        return shared;
    }

    // The paths that the BMP loader's messages name.
    const std::string picture_path = "image/A001_001.bmp";
    const std::string bitmap_path = "temp/image_bitmap/A001_001.bmp";

    static LoadResult load_png(const std::vector<uint8_t>& file) {
        LoadResult loaded;
        std::ostringstream messages;
        std::ostringstream errors;
        SpanSource source(file);
        loaded.result = decode_png_image(source, buffer(), loaded.bitmap, messages, errors);
        loaded.out = messages.str();
        loaded.err = errors.str();
        return loaded;
    }

    // As the preparation stage reads a BMP file: the headers, then the pixels of a file that
    // begins with "BM"; any other file fails without a message.
    LoadResult load_bmp(const std::vector<uint8_t>& file) const {
        LoadResult loaded;
        std::ostringstream messages;
        SpanSource source(file);
        const BmpHeaders headers = read_bmp_headers(source);
        loaded.bmp_signature = has_bmp_signature(headers);
        loaded.result = loaded.bmp_signature
                            ? decode_bmp_image(headers, source, {picture_path, bitmap_path},
                                               buffer(), loaded.bitmap, messages)
                            : -1;
        loaded.out = messages.str();
        return loaded;
    }

    // A load that succeeded without a message and gave the bitmap file `expected` of a `kind`
    // picture of `width` x `height` pixels.
    static void expect_decoded(const LoadResult& loaded, int32_t kind, int32_t width,
                               int32_t height, const std::vector<uint8_t>& expected) {
        ASSERT_EQ(loaded.result, 0);
        EXPECT_EQ(loaded.out, "");
        EXPECT_EQ(loaded.bitmap.width, width);
        EXPECT_EQ(loaded.bitmap.height, height);
        EXPECT_EQ(loaded.bitmap.picture_kind, kind);
        EXPECT_EQ(loaded.bytes(), expected);
    }
};

}  // namespace framestow::testing
