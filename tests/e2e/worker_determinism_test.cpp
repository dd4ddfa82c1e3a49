#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "packer_run_expectations.h"

// The preparation stage gives the same results with one worker and with four: workspaces of 1
// to 60 pictures, some failing at a place drawn at random, each run twice, and everything a user
// can see compared byte for byte: the console, the exit status and every file under temp/ and
// output/.
namespace framestow::e2e {
namespace {

namespace fs = std::filesystem;
using testing::PackerWorkspace;
using testing::ProcessResult;
using testing::ScopedEnvironment;

enum class Fault { kNone, kDamagedPng, kOversizePng, kStagingFolder, kFullDisk };

// One workspace, described so that it can be made twice alike.
struct WorkspacePlan {
    std::string config;
    std::vector<std::pair<std::string, Bytes>> pictures;
    std::vector<std::string> blocked_staging;  // staging paths where a folder stands
    uint64_t file_size_limit = 0;
};

Bytes random_rgba(std::mt19937& random, uint32_t width, uint32_t height) {
    Bytes rgba(std::size_t{width} * height * 4);
    const uint8_t palette = static_cast<uint8_t>(random());
    for (std::size_t i = 0; i < rgba.size(); ++i) {
        // Mostly runs of a few colours, so both body forms meet runs and literals.
        rgba[i] = static_cast<uint8_t>(random() % 3 == 0 ? random() : palette + i / 64);
    }
    return rgba;
}

WorkspacePlan plan_workspace(uint32_t seed) {
    std::mt19937 random(seed);
    WorkspacePlan plan;
    plan.config = random() % 2 == 0 ? "[png]\nbit_type=0\nblock_len=1\nzip_type=1\n" : "";
    plan.config +=
        "[gui01.bin]\nname=gui01.bin\nversion=1.2.3.4\napp_list=A001,A002,A003\n"
        "[gui02.bin]\nname=gui02.bin\nversion=5\napp_list=A004,A005\n";
    const int count = 1 + static_cast<int>(random() % 60);
    for (int i = 0; i < count; ++i) {
        // Applications 1 to 6 with pictures 1, 2, ... each: A001_001, A002_001, ...
        const std::string stem =
            "A00" + std::to_string(1 + i % 6) + "_" + std::to_string(1001 + i / 6).substr(1);
        const uint32_t width = 1 + random() % 40;
        const uint32_t height = 1 + random() % 30;
        if (random() % 4 == 0) {
            std::vector<uint16_t> pixels(std::size_t{width} * height);
            for (uint16_t& pixel : pixels) {
                pixel = static_cast<uint16_t>(random() % 4 == 0 ? random() : 0x1234);
            }
            plan.pictures.emplace_back(stem + ".bmp",
                                       testing::make_bmp(int32_t(width), int32_t(height), pixels));
        } else {
            plan.pictures.emplace_back(
                stem + ".png",
                testing::encode_png(width, height, random_rgba(random, width, height)));
        }
    }
    const auto fault = static_cast<Fault>(random() % 5);
    auto& [name, file] = plan.pictures[random() % plan.pictures.size()];
    switch (fault) {
        case Fault::kNone:
            break;
        case Fault::kDamagedPng:
            file = testing::encode_png(9, 9, random_rgba(random, 9, 9));
            file.resize(file.size() / 2);
            break;
        case Fault::kOversizePng:
            file = testing::encode_png(1620, 1620, testing::uniform_rgba(1620, 1620, 1, 2, 3, 4));
            break;
        case Fault::kStagingFolder: {
            const char* folders[] = {"image_bitmap", "image_zip", "image_unzip"};
            plan.blocked_staging.push_back(std::string("temp/") + folders[random() % 3] + "/" +
                                           name);
            break;
        }
        case Fault::kFullDisk:
            // Any staging file, package or mapping file above the limit fails to be written,
            // while the console's capture has room to spare.
            plan.file_size_limit = 2000 + random() % 6000;
            break;
    }
    return plan;
}

using Snapshot = std::map<std::string, std::string>;

// The console, the exit status and every file and folder under temp/ and output/, with the
// workspace's own path taken out of the console.
Snapshot run_and_snapshot(const WorkspacePlan& plan, const std::string& workers) {
    PackerWorkspace workspace(built_packer());
    if (!plan.config.empty()) {
        workspace.write_config(plan.config);
    }
    for (const auto& [name, file] : plan.pictures) {
        testing::write_bytes(workspace.image(name), file);
    }
    for (const std::string& path : plan.blocked_staging) {
        fs::create_directories(workspace.root() / path);
    }
    const ScopedEnvironment jobs({{"FRAMESTOW_JOBS", workers}});
    const ProcessResult result = workspace.run({}, plan.file_size_limit);

    Snapshot snapshot;
    std::string console = result.out;
    const std::string root = folder_of(workspace);
    for (std::size_t at = console.find(root); at != std::string::npos; at = console.find(root)) {
        console.replace(at, root.size(), "<root>");
    }
    snapshot["console"] = console;
    snapshot["errors"] = result.err;
    snapshot["exit status"] = std::to_string(result.exit_status);
    for (const char* top : {"temp", "output"}) {
        for (const fs::directory_entry& entry :
             fs::recursive_directory_iterator(workspace.root() / top)) {
            const std::string path = fs::relative(entry.path(), workspace.root()).string();
            snapshot[path] = entry.is_directory() ? "<folder>" : testing::read_text(entry.path());
        }
    }
    return snapshot;
}

TEST(WorkerDeterminism, OneWorkerAndFourGiveTheSameRun) {
    for (uint32_t seed = 1; seed <= 16; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const WorkspacePlan plan = plan_workspace(seed);
        const Snapshot one = run_and_snapshot(plan, "1");
        const Snapshot four = run_and_snapshot(plan, "4");
        EXPECT_EQ(one, four);
        EXPECT_GT(one.size(), 3u);
    }
}

// Picture 8 of 12 takes long and then fails to be staged, while the other workers have written
// the staging files of the small pictures after it: those go again, and temp/ holds what one
// worker leaves, the failing picture's own bitmap file (and compressed file) included.
TEST(WorkerDeterminism, ALatePictureThatFailsLeavesNoLaterStagingFiles) {
    for (const char* blocked : {"temp/image_zip/", "temp/image_unzip/"}) {
        SCOPED_TRACE(blocked);
        std::mt19937 random(7);
        WorkspacePlan plan;
        plan.config = "[gui01.bin]\nname=gui01.bin\nversion=1\napp_list=A001\n";
        for (int i = 1; i <= 12; ++i) {
            const uint32_t side = i == 8 ? 1000 : 3;
            plan.pictures.emplace_back(
                "A001_" + std::to_string(1000 + i).substr(1) + ".png",
                testing::encode_png(side, side, random_rgba(random, side, side)));
        }
        plan.blocked_staging.push_back(std::string(blocked) + "A001_008.png");
        const Snapshot one = run_and_snapshot(plan, "1");
        EXPECT_EQ(one, run_and_snapshot(plan, "4"));
        EXPECT_TRUE(one.contains("temp/image_bitmap/A001_008.png"));
        EXPECT_FALSE(one.contains("temp/image_bitmap/A001_009.png"));
    }
}

}  // namespace
}  // namespace framestow::e2e
