// Compiles the generated BitmapMapping.cpp with a small firmware stand-in and checks that the
// device would find every picture: the package name, offset and size that GetPngOffset returns
// must point at the picture's bytes inside the package file.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "stages/packaging.h"
#include "support/files.h"
#include "support/firmware_harness.h"
#include "support/stdout_capture.h"
#include "support/temp_folder.h"

namespace framestow {
namespace {

using namespace testing;

struct TestPicture {
    const char* name;
    std::size_t size;
};

// Package 1 holds A001 (picture 3 missing) and A003 (only picture 3), package 2 holds A002,
// package 3 claims an application without pictures, A004 has no pictures and A005 no package.
constexpr TestPicture kPictures[] = {
    {"A001_001.png", 37}, {"A001_002.png", 1},   {"A001_004.png", 1500}, {"A002_001.bmp", 64},
    {"A002_002.png", 12}, {"A003_003.png", 100}, {"A005_001.png", 20},
};

struct AppSlots {
    int png_count;
    const char* package;
};
const std::map<int, AppSlots> kAppSlots = {
    {1, {4, "gui01.bin"}}, {2, {2, "gui02.bin"}}, {3, {3, "gui01.bin"}}};

constexpr int kHighestApp = 5;
constexpr int kHighestPicture = 4;

const TestPicture* find_picture(int app, int png) {
    char name[16];
    std::snprintf(name, sizeof name, "A%03d_%03d", app, png);
    for (const TestPicture& picture : kPictures) {
        if (std::string(picture.name).starts_with(name)) {
            return &picture;
        }
    }
    return nullptr;
}

class FirmwareTest : public ::testing::Test {
  protected:
    void SetUp() override {
        write_text(
            workspace.file("config.ini"),
            joined_lines({"[gui01.bin]", "name=gui01.bin", "version=1.0.0.0", "app_list=A001,A003",
                          "[gui02.bin]", "name=gui02.bin", "version=1.0.0.1", "app_list=A002",
                          "[gui03.bin]", "name=gui03.bin", "version=1.0.0.2", "app_list=A007"}));
        char seed = 'a';
        for (const TestPicture& picture : kPictures) {
            write_text(zip_folder() + picture.name, picture_bytes(picture.size, seed++));
        }
        std::filesystem::create_directories(output_folder());
    }

    std::string zip_folder() const { return workspace.file("temp/image_zip/"); }
    std::string output_folder() const { return workspace.file("output/"); }

    TempFolder workspace;
};

TEST_F(FirmwareTest, GetPngOffsetFindsEveryPictureInItsPackage) {
    {
        StdoutCapture quiet;
        ASSERT_EQ(
            generateBinFile(workspace.path().string(), zip_folder(), output_folder(), "config.ini"),
            0);
    }
    const testing::ProcessResult lookup =
        testing::run_firmware(testing::FirmwareProgram::kLookup, output_folder(),
                              workspace.file("lookup"), kHighestApp, kHighestPicture);
    ASSERT_EQ(lookup.exit_status, 0) << lookup.err;
    const FirmwareAnswers answers = testing::parse_firmware_answers(lookup.out);
    ASSERT_EQ(answers.size(), static_cast<std::size_t>((kHighestApp + 2) * (kHighestPicture + 2)));

    for (int app = 0; app <= kHighestApp + 1; ++app) {
        for (int png = 0; png <= kHighestPicture + 1; ++png) {
            SCOPED_TRACE("application " + std::to_string(app) + ", picture " + std::to_string(png));
            const testing::FirmwareAnswer& answer = answers.at({app, png});
            const auto slots = kAppSlots.find(app);
            if (slots == kAppSlots.end() || png < 1 || png > slots->second.png_count) {
                EXPECT_EQ(answer.kind, "none");
                EXPECT_EQ(answer.package, "-");
                continue;
            }
            ASSERT_EQ(answer.kind, "found");
            EXPECT_EQ(answer.package, slots->second.package);
            const TestPicture* picture = find_picture(app, png);
            if (picture == nullptr) {
                // A missing number reads as an empty picture where the next one begins.
                EXPECT_EQ(answer.size, 0u);
                EXPECT_EQ(answer.offset, answers.at({app, png + 1}).offset);
                continue;
            }
            const std::string package = read_text(output_folder() + answer.package);
            ASSERT_LE(answer.offset + answer.size, package.size());
            EXPECT_EQ(package.substr(answer.offset, answer.size),
                      read_text(zip_folder() + picture->name));
        }
    }
}

}  // namespace
}  // namespace framestow
