#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "codec/picture_format.h"
#include "support/stdout_capture.h"
#include "support/workspace_harness.h"

namespace framestow::testing {

using Loader = int (*)(const std::string&, const std::string&, PictureBuffers&, ImageBitmap&);

struct LoadResult {
    int result = 0;
    ImageBitmap bitmap;
    std::string out;
};

// Loads picture files from a fresh folder into one buffer set shared by every test, as the
// packer allocates it once a run.
class LoaderTest : public ::testing::Test {
  protected:
    static PictureBuffers& buffers() {
        static PictureBuffers shared;
        return shared;
    }

    std::string picture_path() const { return (folder_.path() / "A001_001.pic").string(); }
    std::string bitmap_path() const { return (folder_.path() / "bitmap.pic").string(); }

    LoadResult load(Loader loader, const std::vector<uint8_t>& file,
                    const std::string& bitmap_path) {
        write_bytes(picture_path(), file);
        LoadResult loaded;
        const StdoutCapture capture;
        loaded.result = loader(picture_path(), bitmap_path, buffers(), loaded.bitmap);
        loaded.out = capture.text();
        return loaded;
    }
    LoadResult load(Loader loader, const std::vector<uint8_t>& file) {
        return load(loader, file, bitmap_path());
    }

    // A bitmap path whose folder does not exist, and one that opens but cannot be written in
    // full (empty where the system has no such device).
    std::string unopenable_path() const { return (folder_.path() / "none" / "bitmap").string(); }
    static std::string full_disk_path() {
        return std::filesystem::is_character_file("/dev/full") ? "/dev/full" : "";
    }

    TempFolder folder_;
};

}  // namespace framestow::testing
