#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "packer_run_expectations.h"
#include "support/firmware_workspaces.h"

// The packaging stage seen from outside: whole runs of the program on workspaces with several
// packages, judged by the whole console output, the exit status and the whole files written.
namespace framestow::e2e {
namespace {

namespace fs = std::filesystem;
using testing::PackerWorkspace;
using testing::ProcessResult;
using testing::read_bytes;
using testing::read_text;
using testing::write_text;

// Package 1 holds A001 and claims A003, which has no pictures; package 2 claims only A009, which
// has none either; package 3 holds A002 and A004. The section gui05.bin follows a gap in the
// numbering and is never read, so A006 stays without a package.
const char* const kThreePackages =
    "[gui01.bin]\nname=gui01.bin\nversion=1.0.3.12\napp_list=A001,A003\n"
    "[gui02.bin]\nname=gui02.bin\nversion=2.1\napp_list=A009\n"
    "[gui03.bin]\nname=gui03.bin\nversion=7\napp_list=A002 A004\n"
    "[gui05.bin]\nname=gui05.bin\nversion=5\napp_list=A006\n";

TEST(PackagingEndToEnd, SeveralPackagesWithGapsAndAnUnclaimedApplication) {
    PackerWorkspace workspace(built_packer());
    workspace.write_config(kThreePackages);
    const KnownPicture a001_1 = gradient_png("A001_001.png", 3, 0x11);
    const KnownPicture a001_3 = gradient_png("A001_003.png", 5, 0x13);
    const KnownPicture a002_1 = uniform_bmp("A002_001.bmp", 0x7BEF);
    const KnownPicture a004_2 = gradient_png("A004_002.png", 2, 0x42);
    const KnownPicture a006_1 = gradient_png("A006_001.png", 1, 0x61);
    add_pictures(workspace, {a001_1, a001_3, a002_1, a004_2, a006_1});
    // Left by an earlier run: a longer gui01.bin is replaced whole, and gui02.bin, which this
    // run does not write, stays as it was.
    fs::create_directory(workspace.root() / "output");
    write_text(workspace.output("gui01.bin"), std::string(300, 'x'));
    write_text(workspace.output("gui02.bin"), "from an earlier run");

    const ProcessResult result = workspace.run();
    const std::string root = folder_of(workspace);
    const std::string unclaimed = "get_bin_index: Error to find for A006_001.png";
    EXPECT_EQ(result.out_lines(),
              concat(preparation_lines(root, 4, 1),
                     Lines{"find_all_files: count: 5 with: " + root + "/temp/image_zip/*.*",
                           unclaimed, "generate_gui_bin: " + root + "/output/gui01.bin", " 0 1",
                           "generate_gui_bin: count = 2, size = 56", unclaimed, unclaimed,
                           "generate_gui_bin: " + root + "/output/gui03.bin", " 0 1",
                           "generate_gui_bin: count = 2, size = 44", unclaimed,
                           "get_bin_index: Error to find for A005_000.png"}));
    EXPECT_EQ(result.exit_status, 0) << result.out;

    EXPECT_EQ(read_bytes(workspace.output("gui01.bin")),
              package_bytes({0x01, 0x00, 0x03, 0x0C}, {a001_1, a001_3}));
    EXPECT_EQ(read_text(workspace.output("gui02.bin")), "from an earlier run");
    EXPECT_EQ(read_bytes(workspace.output("gui03.bin")),
              package_bytes({0x07, 0x07, 0x07, 0x07}, {a002_1, a004_2}));
    EXPECT_FALSE(fs::exists(workspace.output("gui05.bin")));

    Lines source = mapping_header_lines();
    source = concat(
        source,
        Lines{"// gui01.bin: version = 1.0.3.12  size = 56",
              "// gui02.bin: version = 2.1.1.1  size = 0",
              "// gui03.bin: version = 7.7.7.7  size = 44",
              "",
              "// gui01.bin",
              "TEXT_LOCATION_FLASH_PRAGMA",
              "const BitmapAttribute bitmapsA001[3] TEXT_LOCATION_FLASH_ATTRIBUTE = { // 3: the "
              "number of pictures of A001 module",
              "    { 8, 20 }, // 0: A001_001.png = { offset, size }",
              "    { 28, 0 }, // 1: There's no A001_002.png",
              "    { 28, 28 } // 2: A001_003.png = { offset, size }",
              "};",
              "",
              "// gui03.bin",
              "TEXT_LOCATION_FLASH_PRAGMA",
              "const BitmapAttribute bitmapsA002[1] TEXT_LOCATION_FLASH_ATTRIBUTE = { // 1: the "
              "number of pictures of A002 module",
              "    { 8, 20 } // 0: A002_001.bmp = { offset, size }",
              "};",
              "",
              "TEXT_LOCATION_FLASH_PRAGMA",
              "const BitmapAttribute bitmapsA004[2] TEXT_LOCATION_FLASH_ATTRIBUTE = { // 2: the "
              "number of pictures of A004 module",
              "    { 28, 0 }, // 0: There's no A004_001.png",
              "    { 28, 16 } // 1: A004_002.png = { offset, size }",
              "};",
              "",
              "// Count = 0 for the following app"});
    for (const char* prefix : {"A003", "A005", "A006"}) {
        source = concat(source, zero_count_table(prefix));
    }
    source = concat(
        source,
        Lines{"#define BITMAP_APP_COUNT 6",
              "// Define all the apps headers here to point the bitmap address",
              "TEXT_LOCATION_FLASH_PRAGMA",
              "const AppIndexAttribute apps[BITMAP_APP_COUNT] TEXT_LOCATION_FLASH_ATTRIBUTE = {",
              "    { 1, 3, bitmapsA001 }, // 0: A001", "    { 3, 1, bitmapsA002 }, // 1: A002",
              "    { 1, 0, bitmapsA003 }, // 2: A003", "    { 3, 2, bitmapsA004 }, // 3: A004",
              "    { -1, 0, bitmapsA005 }, // 4: A005", "    { -1, 0, bitmapsA006 } // 5: A006",
              "};", ""});
    source = concat(source, get_png_offset_lines());
    EXPECT_EQ(read_text(workspace.output("BitmapMapping.cpp")), crlf_text(source));

    EXPECT_EQ(
        read_text(workspace.output("BitmapMapping.xml")),
        crlf_text(mapping_xml_lines(
            {{"A001", {{"A001_001.png", 20, 8}, {"A001_002.png", 0, 28}, {"A001_003.png", 28, 28}}},
             {"A002", {{"A002_001.bmp", 20, 8}}},
             {"A004", {{"A004_001.png", 0, 28}, {"A004_002.png", 16, 28}}}})));
}

TEST(PackagingEndToEnd, WithoutPackageSectionsOnlyTheMappingFilesAreWritten) {
    // No config.ini at all, and one whose package list ends at once on a misnamed section.
    for (const char* config : {"", "[gui01.bin]\nname=gui1.bin\nversion=1\napp_list=A002\n"}) {
        SCOPED_TRACE(config);
        PackerWorkspace workspace(built_packer());
        if (*config != '\0') {
            workspace.write_config(config);
        }
        add_pictures(workspace, {gradient_png("A002_001.png", 2, 0x21),
                                 gradient_png("A002_002.png", 3, 0x22)});

        const ProcessResult result = workspace.run();
        const std::string root = folder_of(workspace);
        EXPECT_EQ(result.out_lines(),
                  concat(preparation_lines(root, 2, 0),
                         Lines{"find_all_files: count: 2 with: " + root + "/temp/image_zip/*.*",
                               "get_bin_index: Error to find for A002_002.png",
                               "get_bin_index: Error to find for A001_000.png"}));
        EXPECT_EQ(result.exit_status, 0) << result.out;
        const std::string config_path = root + "/config.ini";
        EXPECT_EQ(result.err, "framestow: no package will be written: " + config_path +
                                  " is missing, unreadable, or has no section [gui01.bin] with "
                                  "name=gui01.bin (each package has one, numbered from 01 "
                                  "without gaps, with name, version and app_list)\n");

        Lines source =
            concat(mapping_header_lines(), Lines{"", "// Count = 0 for the following app"});
        source = concat(source, zero_count_table("A001"));
        source = concat(source, zero_count_table("A002"));
        source = concat(
            source,
            Lines{
                "#define BITMAP_APP_COUNT 2",
                "// Define all the apps headers here to point the bitmap address",
                "TEXT_LOCATION_FLASH_PRAGMA",
                "const AppIndexAttribute apps[BITMAP_APP_COUNT] TEXT_LOCATION_FLASH_ATTRIBUTE = {",
                "    { -1, 0, bitmapsA001 }, // 0: A001", "    { -1, 0, bitmapsA002 } // 1: A002",
                "};", ""});
        source = concat(source, get_png_offset_lines());
        EXPECT_EQ(read_text(workspace.output("BitmapMapping.cpp")), crlf_text(source));
        EXPECT_EQ(read_text(workspace.output("BitmapMapping.xml")),
                  crlf_text({xml_declaration(), "<root/>"}));
        EXPECT_FALSE(fs::exists(workspace.output("gui01.bin")));
    }
}

TEST(PackagingEndToEnd, NamesThatWouldMisplacePicturesStopThePackaging) {
    const struct {
        const char* what;
        std::vector<KnownPicture> pictures;
        int png_count;
        int bmp_count;
        const char* refused;
    } cases[] = {
        {"the same numbers twice",
         {gradient_png("A001_001.png", 1, 1), gradient_png("A002_001.png", 2, 2),
          uniform_bmp("A002_001.bmp", 0x1234)},
         2,
         1,
         "A002_001.png"},
        {"a letter among the digits",
         {gradient_png("A001_001.png", 1, 1), gradient_png("A12x_001.png", 2, 2)},
         2,
         0,
         "A12x_001.png"},
        {"an upper-case extension",
         {gradient_png("A001_001.png", 1, 1), gradient_png("A001_002.PNG", 2, 2)},
         2,
         0,
         "A001_002.PNG"},
        // Names are checked in the search order, which ignores letter case: the lower-case
        // name comes first, where plain byte order would put it last.
        {"a lower-case first letter",
         {gradient_png("B001_001.png", 1, 1), gradient_png("a001_001.png", 2, 2)},
         2,
         0,
         "a001_001.png"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PackerWorkspace workspace(built_packer());
        workspace.write_config("[gui01.bin]\nname=gui01.bin\nversion=1\napp_list=A001 A002 A012\n");
        add_pictures(workspace, c.pictures);

        const ProcessResult result = workspace.run();
        const std::string root = folder_of(workspace);
        EXPECT_EQ(result.out_lines(),
                  concat(preparation_lines(root, c.png_count, c.bmp_count),
                         Lines{"find_all_files: count: " + std::to_string(c.pictures.size()) +
                                   " with: " + root + "/temp/image_zip/*.*",
                               std::string("check_all_files_name: Error for ") + c.refused,
                               "Error: generateBinFile"}));
        EXPECT_EQ(result.exit_status, kFailureStatus);
        // Every picture was prepared, but nothing was packed.
        EXPECT_TRUE(fs::exists(workspace.staged("image_zip", c.refused)));
        EXPECT_TRUE(fs::is_empty(workspace.root() / "output"));
    }
}

TEST(PackagingEndToEnd, ASecondRunPacksOnlyThePicturesThatAreStillThere) {
    PackerWorkspace workspace(built_packer());
    workspace.write_config("[gui01.bin]\nname=gui01.bin\nversion=3.2.1.0\napp_list=A001\n");
    const KnownPicture kept = gradient_png("A001_001.png", 4, 0x31);
    add_pictures(workspace, {kept, gradient_png("A001_002.png", 6, 0x32)});
    ASSERT_EQ(workspace.run().exit_status, 0);
    fs::remove(workspace.image("A001_002.png"));

    // The compressed picture of the first run must not be packed again.
    const ProcessResult result = workspace.run();
    const std::string root = folder_of(workspace);
    EXPECT_EQ(result.out_lines(),
              concat(preparation_lines(root, 1, 0),
                     Lines{"find_all_files: count: 1 with: " + root + "/temp/image_zip/*.*",
                           "generate_gui_bin: " + root + "/output/gui01.bin", " 0",
                           "generate_gui_bin: count = 1, size = 32"}));
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(read_bytes(workspace.output("gui01.bin")), package_bytes({3, 2, 1, 0}, {kept}));
    EXPECT_EQ(read_text(workspace.output("BitmapMapping.xml")),
              crlf_text(mapping_xml_lines({{"A001", {{"A001_001.png", 24, 8}}}})));
}

// The installed command, run on a workspace, prints what the program copied there prints and
// writes the same files; a folder that is no workspace is refused in one line, and nothing is
// made in it.
TEST(PackagingEndToEnd, FramestowPackWorksAsTheCopiedProgramOnTheWorkspaceItIsGiven) {
    if (std::getenv("FRAMESTOW_EMULATOR") != nullptr) {
        GTEST_SKIP() << "the twin aimed at the Windows packer has no Windows framestow-pack to run";
    }
    PackerWorkspace workspace(built_packer());
    testing::fill_demo_workspace(workspace);
    const ProcessResult copied = workspace.run();
    ASSERT_EQ(copied.exit_status, 0) << copied.out;
    const testing::FolderContents written = testing::folder_contents(workspace.root() / "output");
    fs::remove_all(workspace.root() / "output");
    const ProcessResult here = testing::run_program(FRAMESTOW_PACK_COMMAND, {}, workspace.root());
    EXPECT_EQ(here.exit_status, 0);
    EXPECT_EQ(here.out, copied.out);
    EXPECT_EQ(here.err, copied.err);
    EXPECT_EQ(testing::folder_contents(workspace.root() / "output"), written);
    const ProcessResult named =
        testing::run_program(FRAMESTOW_PACK_COMMAND, {workspace.root().filename().string()},
                             workspace.root().parent_path());
    EXPECT_EQ(named.out, copied.out);

    const fs::path empty = workspace.root() / "empty";
    fs::create_directory(empty);
    const fs::path no_config = workspace.root() / "no_config";
    fs::create_directories(no_config / "image");
    const std::string holds =
        " (a workspace holds the pictures in image/ and the settings in config.ini)\n";
    const std::pair<fs::path, std::string> refusals[] = {
        {empty, "not a workspace: it has no image/ folder" + holds},
        {no_config, "not a workspace: it has no config.ini" + holds},
        {workspace.root() / "nowhere", "not a folder\n"},
    };
    for (const auto& [folder, why] : refusals) {
        const ProcessResult refused =
            testing::run_program(FRAMESTOW_PACK_COMMAND, {folder.string()}, workspace.root());
        EXPECT_EQ(refused.exit_status, 2);
        EXPECT_EQ(refused.out, "");
        EXPECT_EQ(refused.err, "framestow-pack: " + folder.string() + ": " + why);
    }
    EXPECT_FALSE(fs::exists(empty / "temp"));
}

}  // namespace
}  // namespace framestow::e2e
