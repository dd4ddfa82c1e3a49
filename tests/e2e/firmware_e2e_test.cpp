#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "packer_run_expectations.h"
#include "support/firmware_harness.h"
#include "support/firmware_workspaces.h"

// The device's view of a real run: real pictures of every supported kind go through the packer;
// the generated BitmapMapping.cpp is compiled on the host with the firmware kit, the decoder and
// the Cortex-M4 example's picture walk, which asks GetPngOffset for every application and
// picture number, reads each picture from its package 256 bytes at a time and decodes it row by
// row; what it found is compared with the source pictures.
namespace framestow::e2e {
namespace {

using testing::FirmwareAnswers;
using testing::FirmwareProgram;
using testing::PackerWorkspace;
using testing::ProcessResult;
using testing::SourcePicture;

FirmwareAnswers walk_pictures(const PackerWorkspace& workspace,
                              const testing::FirmwareWorkspace& expected) {
    const ProcessResult walk = testing::run_firmware(
        FirmwareProgram::kPictureWalk, workspace.root() / "output", workspace.root() / "firmware",
        expected.highest_app, expected.highest_picture);
    EXPECT_EQ(walk.exit_status, 0) << walk.out << walk.err;
    return testing::parse_firmware_answers(walk.out);
}

const SourcePicture* find_source(const std::vector<SourcePicture>& pictures, int app, int png) {
    char stem[32];
    std::snprintf(stem, sizeof stem, "A%03d_%03d", app, png);
    for (const SourcePicture& picture : pictures) {
        if (picture.name.starts_with(stem)) {
            return &picture;
        }
    }
    return nullptr;
}

uint32_t crc_of(const Bytes& bytes) {
    return static_cast<uint32_t>(crc32(0L, bytes.data(), static_cast<uInt>(bytes.size())));
}

// The last unit of a marker-form body: a literal unit, or the unit of a run token.
Bytes last_marker_form_unit(std::span<const uint8_t> body) {
    static const uint8_t kMarker[4] = {0x89, 0x67, 0x45, 0x23};
    Bytes unit;
    for (std::size_t at = 0; at + 4 <= body.size();) {
        const bool token = at + 12 <= body.size() && std::equal(kMarker, kMarker + 4, &body[at]);
        const std::size_t unit_at = token ? at + 4 : at;
        unit.assign(body.begin() + unit_at, body.begin() + unit_at + 4);
        at += token ? 12 : 4;
    }
    return unit;
}

// Packs the workspace, then walks every picture with the firmware, each of which must decode to
// its check file.
FirmwareAnswers pack_and_walk(const PackerWorkspace& workspace,
                              const testing::FirmwareWorkspace& contents) {
    const ProcessResult run = workspace.run();
    EXPECT_EQ(run.exit_status, 0) << run.out;
    const FirmwareAnswers answers = walk_pictures(workspace, contents);
    EXPECT_EQ(testing::differences_from_check_files(answers, workspace.root(), contents.apps,
                                                    contents.highest_app, contents.highest_picture),
              std::vector<std::string>{});
    return answers;
}

TEST(FirmwareEndToEnd, TheDemoWorkspaceDecodesToItsCheckFiles) {
    PackerWorkspace workspace(built_packer());
    const testing::FirmwareWorkspace demo = testing::fill_demo_workspace(workspace);
    const FirmwareAnswers answers = pack_and_walk(workspace, demo);
    int found = 0;
    for (const auto& [numbers, answer] : answers) {
        found += answer.kind == "picture";
    }
    EXPECT_EQ(found, 7);
}

TEST(FirmwareEndToEnd, EveryPictureDecodesFromWhereGetPngOffsetPoints) {
    PackerWorkspace workspace(built_packer());
    const testing::FirmwareWorkspace varied = testing::fill_varied_workspace(workspace);
    const FirmwareAnswers answers = pack_and_walk(workspace, varied);
    for (const auto& [numbers, answer] : answers) {
        const auto [app, png] = numbers;
        SCOPED_TRACE(answer.line);
        const SourcePicture* source = find_source(varied.pictures, app, png);
        if (answer.kind == "placeholder") {
            // A missing number reads as an empty picture where the next one begins.
            EXPECT_EQ(answer.offset, answers.at({app, png + 1}).offset);
            EXPECT_EQ(answer.package, answers.at({app, png + 1}).package);
            continue;
        }
        if (answer.kind != "picture") {
            continue;
        }
        ASSERT_NE(source, nullptr);
        EXPECT_EQ(answer.package, source->package);
        EXPECT_EQ(answer.width, source->width);
        EXPECT_EQ(answer.height, source->height);
        EXPECT_EQ(answer.pixel_format, source->pixel_format);
        EXPECT_EQ(answer.crc, crc_of(source->pixels));
        if (source->pixels.size() % 4 != 0) {
            // The last pixel of an odd RGB565 picture shares its unit with two zero bytes, so
            // the same picture always gives the same package bytes.
            const Bytes package = testing::read_bytes(workspace.output(answer.package));
            ASSERT_LE(answer.offset + answer.size, package.size());
            const std::span<const uint8_t> body(package.data() + answer.offset + 8,
                                                answer.size - 8);
            const Bytes unit = last_marker_form_unit(body);
            ASSERT_EQ(unit.size(), 4u);
            EXPECT_EQ(Bytes(unit.begin() + 2, unit.end()), Bytes({0, 0}));
        }
    }
}

}  // namespace
}  // namespace framestow::e2e
