// framestow-inspect's colour costs against a workspace packed by the built packer: the figures
// of `list --workspace --json` cross-checked with what the packer itself wrote, and the report.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/test_pictures.h"
#include "support/workspace_harness.h"

namespace framestow::inspect {
namespace {

namespace fs = std::filesystem;
using testing::PackerWorkspace;
using testing::ProcessResult;
using Json = nlohmann::json;

ProcessResult inspect(const std::vector<std::string>& args) {
    return testing::run_program(FRAMESTOW_INSPECT, args, fs::temp_directory_path());
}

// 8 x 6 opaque pixels whose colours RGB565 cannot all hold.
std::vector<uint8_t> gradient() {
    std::vector<uint8_t> rgba;
    for (uint8_t y = 0; y < 6; ++y) {
        for (uint8_t x = 0; x < 8; ++x) {
            rgba.insert(rgba.end(), {static_cast<uint8_t>(x * 30 + 3),
                                     static_cast<uint8_t>(y * 41 + 1), 100, 0xFF});
        }
    }
    return rgba;
}

TEST(InspectColourCost, ListMeasuresEachPictureAgainstTheWorkspace) {
    PackerWorkspace workspace(FRAMESTOW_PROGRAM);
    // A001_004 is A001_002 converted by the packer, A001_006 A001_005 converted with dither:
    // their package sizes and PSNRs are what the estimates must give.
    testing::write_png(workspace.image("A001_001.png"), 8, 6, gradient());
    testing::write_png(workspace.image("A001_002.png"), 8, 6, gradient());
    testing::write_png(workspace.image("A001_003.png"), 2, 2,
                       testing::uniform_rgba(2, 2, 10, 20, 30, 0x80));
    testing::write_png(workspace.image("A001_004.png"), 8, 6, gradient(),
                       {.colour = testing::PngColour::kRgb});
    testing::write_png(workspace.image("A001_005.png"), 8, 6, gradient());
    testing::write_png(workspace.image("A001_006.png"), 8, 6, gradient());
    workspace.write_config(
        "[png]\npixel_format=565\nbit_type=0\nblock_len=16\nzip_type=1\n"
        "[A001_002.png]\npixel_format=8888\n[A001_005.png]\npixel_format=8888\ndither=1\n"
        "[A001_006.png]\ndither=1\n"
        "[gui01.bin]\nname=gui01.bin\nversion=1.0.0.1\napp_list=A001\nmax_size=100000\n");
    ASSERT_EQ(workspace.run().exit_status, 0);
    const std::string output = (workspace.root() / "output").string();

    const ProcessResult list =
        inspect({"list", output, "--json", "--workspace", workspace.root().string()});
    ASSERT_EQ(list.exit_status, 0) << list.err;
    const Json json = Json::parse(list.out);
    std::map<std::string, Json> rows;
    for (const Json& row : json["pictures"]) {
        rows[row["name"]] = row;
    }
    const Json& converted = rows.at("A001_004.png");
    const Json& dithered = rows.at("A001_006.png");
    ASSERT_TRUE(converted["psnr"].is_number());
    ASSERT_NE(converted["psnr"], dithered["psnr"]);  // so the dither setting shows

    struct Expected {
        const char* name;
        bool converted;
        Json psnr;  // a number: only that it is one, between 30 dB and infinity
        Json rgb565_bytes;
        Json rgb565_psnr;
    };
    const Expected cases[] = {
        {"A001_001.png", true, 0.0, nullptr, nullptr},
        {"A001_002.png", false, "exact", converted["size"], converted["psnr"]},
        {"A001_003.png", false, "exact", nullptr, nullptr},  // transparent: kept, no estimate
        {"A001_004.png", true, 0.0, nullptr, nullptr},
        {"A001_005.png", false, "exact", dithered["size"], dithered["psnr"]},
        {"A001_006.png", true, 0.0, nullptr, nullptr},
    };
    for (const Expected& c : cases) {
        SCOPED_TRACE(c.name);
        const Json& row = rows.at(c.name);
        EXPECT_EQ(row["converted"], c.converted);
        if (c.psnr.is_number()) {
            ASSERT_TRUE(row["psnr"].is_number());
            EXPECT_GT(row["psnr"].get<double>(), 30.0);
        } else {
            EXPECT_EQ(row["psnr"], c.psnr);
        }
        EXPECT_EQ(row["rgb565_bytes"], c.rgb565_bytes);
        EXPECT_EQ(row["rgb565_psnr"], c.rgb565_psnr);
        EXPECT_EQ(row["cost_note"], nullptr);
    }
    const Json& package = json["packages"][0];
    EXPECT_EQ(package["max_size"], 100000);
    EXPECT_EQ(package["rgb565_pictures"], 2);
    EXPECT_EQ(package["rgb565_saving"],
              rows.at("A001_002.png")["size"].get<int64_t>() - converted["size"].get<int64_t>() +
                  rows.at("A001_005.png")["size"].get<int64_t>() - dithered["size"].get<int64_t>());

    // verify converts the sources as the packer did, and gives no red-first warning for a
    // picture without alpha that is held as RGB565.
    const ProcessResult verify =
        inspect({"verify", output, "--workspace", workspace.root().string()});
    EXPECT_EQ(verify.exit_status, 0) << verify.out;
    EXPECT_EQ(verify.err.find("A001_004.png"), std::string::npos) << verify.err;

    // Without the workspace nothing of it shows; the report draws the limit and the original.
    const ProcessResult plain = inspect({"list", output, "--json"});
    EXPECT_FALSE(Json::parse(plain.out)["pictures"][0].contains("psnr"));
    const fs::path page = workspace.root() / "report.html";
    const ProcessResult report =
        inspect({"report", output, "-o", page.string(), "--workspace", workspace.root().string()});
    ASSERT_EQ(report.exit_status, 0) << report.err;
    const std::string html = testing::read_text(page);
    EXPECT_NE(html.find("class=\"limit\""), std::string::npos);
    EXPECT_NE(html.find("alt=\"image/A001_001.png\""), std::string::npos);
    EXPECT_EQ(html.find("alt=\"image/A001_002.png\""), std::string::npos);
}

}  // namespace
}  // namespace framestow::inspect
