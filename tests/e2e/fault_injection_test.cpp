#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "packer_run_expectations.h"

// The packer with the file system failing under it, one step at a time: a staging file that
// cannot be written, an output folder or output file that cannot be created, a compressed
// picture that is gone or unreadable when it is packed, a disk that fills up. Every such run
// must end with its messages and exit status 255, never with success, and everything that could
// still be written must have been written.
//
// Tests run as root in CI, so permissions prove nothing: a folder stands where a file is to be
// written, a file where a folder is expected; files that vanish come from a small preloaded
// library (fault_shim/), and a full disk from a file size limit.
namespace framestow::e2e {
namespace {

namespace fs = std::filesystem;
using namespace testing;

// Runs the packer with the fault shim preloaded and set up by `settings`. A sanitized packer must
// not insist on its runtime coming first, since the shim is loaded before it.
ProcessResult run_with_shim(const PackerWorkspace& workspace,
                            std::vector<std::pair<std::string, std::string>> settings) {
    const char* asan_options = std::getenv("ASAN_OPTIONS");
    settings.emplace_back("LD_PRELOAD", FRAMESTOW_FAULT_SHIM);
    settings.emplace_back("ASAN_OPTIONS", std::string(asan_options ? asan_options : "") +
                                              ":verify_asan_link_order=0");
    ScopedEnvironment fault(std::move(settings));
    return workspace.run();
}

// Runs the packer with opens for reading of the file whose path ends with `path_suffix` failing
// after `skip` of them went through.
ProcessResult run_with_vanishing_file(const PackerWorkspace& workspace,
                                      const std::string& path_suffix, int skip) {
    return run_with_shim(workspace, {{"FRAMESTOW_FAULT_PATH", path_suffix},
                                     {"FRAMESTOW_FAULT_SKIP", std::to_string(skip)}});
}

// Runs the packer with every deletion of a file whose path ends with one of `path_suffixes`
// failing, as when another program holds the file open.
ProcessResult run_with_undeletable_files(const PackerWorkspace& workspace,
                                         const std::vector<std::string>& path_suffixes) {
    std::string joined;
    for (const std::string& suffix : path_suffixes) {
        joined += (joined.empty() ? "" : ":") + suffix;
    }
    return run_with_shim(workspace, {{"FRAMESTOW_FAULT_UNDELETABLE", joined}});
}

// Package 1 holds A001 (two pictures), package 2 holds A002 (one).
const char* const kTwoPackages =
    "[gui01.bin]\nname=gui01.bin\nversion=1.0.0.1\napp_list=A001\n"
    "[gui02.bin]\nname=gui02.bin\nversion=1.0.0.2\napp_list=A002\n";

// A workspace of three pictures in two packages, with what a sound run prints and writes.
class TwoPackages {
  public:
    TwoPackages()
        : a001_1_(gradient_png("A001_001.png", 3, 0x11)),
          a001_2_(gradient_png("A001_002.png", 5, 0x12)),
          a002_1_(gradient_png("A002_001.png", 2, 0x21)) {
        workspace_.write_config(kTwoPackages);
        add_pictures(workspace_, {a001_1_, a001_2_, a002_1_});
        root_ = folder_of(workspace_);
    }

    const PackerWorkspace& workspace() const { return workspace_; }
    const std::string& root() const { return root_; }
    std::string printed_path(const std::string& subfolder, const std::string& name) const {
        return root_ + "/" + subfolder + "/" + name;
    }

    // Everything up to the listing of the compressed pictures.
    Lines prepared() const {
        return concat(preparation_lines(root_, 3, 0),
                      Lines{"find_all_files: count: 3 with: " + root_ + "/temp/image_zip/*.*"});
    }
    Lines package_lines(const std::string& bin, const std::string& progress,
                        const std::string& count_and_size) const {
        return {"generate_gui_bin: " + printed_path("output", bin), progress,
                "generate_gui_bin: " + count_and_size};
    }
    Lines first_package() const {
        return package_lines("gui01.bin", " 0 1", "count = 2, size = 56");
    }
    Lines second_package() const {
        return package_lines("gui02.bin", " 0", "count = 1, size = 24");
    }
    Bytes first_package_bytes() const { return package_bytes({1, 0, 0, 1}, {a001_1_, a001_2_}); }
    Bytes second_package_bytes() const { return package_bytes({1, 0, 0, 2}, {a002_1_}); }

    void expect_second_package_written() const {
        EXPECT_EQ(read_bytes(workspace_.output("gui02.bin")), second_package_bytes());
    }
    // The output folder as an earlier run left it: every output file, but where a folder now
    // stands. A failed run must leave it exactly so.
    FolderContents earlier_output() const {
        fs::create_directories(workspace_.root() / "output");
        for (const char* name :
             {"gui01.bin", "gui02.bin", "BitmapMapping.cpp", "BitmapMapping.xml"}) {
            if (!fs::exists(workspace_.output(name))) {
                write_text(workspace_.output(name), std::string("earlier ") + name);
            }
        }
        return output_now();
    }
    FolderContents output_now() const { return folder_contents(workspace_.root() / "output"); }
    // The placement rows of a sound run in BitmapMapping.cpp.
    void expect_sound_mapping_source() const {
        const std::string source = read_text(workspace_.output("BitmapMapping.cpp"));
        for (const char* line : {"// gui01.bin: version = 1.0.0.1  size = 56\r\n",
                                 "// gui02.bin: version = 1.0.0.2  size = 24\r\n",
                                 "    { 8, 20 }, // 0: A001_001.png = { offset, size }\r\n",
                                 "    { 28, 28 } // 1: A001_002.png = { offset, size }\r\n",
                                 "    { 8, 16 } // 0: A002_001.png = { offset, size }\r\n",
                                 "    { 1, 2, bitmapsA001 }, // 0: A001\r\n",
                                 "    { 2, 1, bitmapsA002 } // 1: A002\r\n"}) {
            EXPECT_NE(source.find(line), std::string::npos) << line;
        }
    }
    void expect_sound_mapping_xml() const {
        EXPECT_EQ(read_text(workspace_.output("BitmapMapping.xml")),
                  crlf_text(mapping_xml_lines(
                      {{"A001", {{"A001_001.png", 20, 8}, {"A001_002.png", 28, 28}}},
                       {"A002", {{"A002_001.png", 16, 8}}}})));
    }

  private:
    PackerWorkspace workspace_{built_packer()};
    KnownPicture a001_1_;
    KnownPicture a001_2_;
    KnownPicture a002_1_;
    std::string root_;
};

TEST(FaultInjection, SoundRunForComparison) {
    const TwoPackages run;
    const ProcessResult result = run.workspace().run();
    EXPECT_EQ(result.out_lines(),
              concat(concat(run.prepared(), run.first_package()), run.second_package()));
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(read_bytes(run.workspace().output("gui01.bin")), run.first_package_bytes());
    run.expect_second_package_written();
    run.expect_sound_mapping_source();
    run.expect_sound_mapping_xml();
    // Every file is in place under its final name; no temporary one is left.
    EXPECT_EQ(run.output_now().size(), 4u);
}

TEST(FaultInjection, AStagingFileThatCannotBeDeletedEndsTheRunBeforeAnyPictureIsRead) {
    // An earlier run left staging files for A001 and for A003, whose picture is gone since;
    // packed, A003 would go to the device as if it were still there.
    const struct {
        const char* what;
        std::vector<std::string> undeletable;  // inside temp/, in the order they are named
    } cases[] = {
        {"a compressed picture", {"image_zip/A003_001.png"}},
        {"one in temp and two check files",
         {"stale.txt", "image_unzip/A001_001.png", "image_unzip/A003_001.png"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PackerWorkspace workspace(built_packer());
        workspace.write_config(kTwoPackages);
        add_pictures(workspace, {gradient_png("A001_001.png", 3, 0x11)});
        const fs::path temp = workspace.root() / "temp";
        for (const char* folder : {"image_bitmap", "image_zip", "image_unzip"}) {
            fs::create_directories(temp / folder);
            for (const char* name : {"A001_001.png", "A003_001.png"}) {
                write_text(temp / folder / name, std::string("earlier ") + folder);
            }
        }
        write_text(temp / "stale.txt", "earlier temp");
        fs::create_directory(workspace.root() / "output");
        for (const char* name : {"gui01.bin", "BitmapMapping.cpp", "BitmapMapping.xml"}) {
            write_text(workspace.output(name), std::string("earlier ") + name);
        }
        const FolderContents output_before = folder_contents(workspace.root() / "output");
        const FolderContents temp_before = folder_contents(temp);

        std::vector<std::string> suffixes;
        for (const std::string& name : c.undeletable) {
            suffixes.push_back("/temp/" + name);
        }
        const ProcessResult result = run_with_undeletable_files(workspace, suffixes);

        const std::string root = folder_of(workspace);
        Lines expected = {"    Framestow1.4: The tool to generate gui.bin from png files",
                          "Please download guixx.bin to flash and copy BitmapMapping.cpp to "
                          "project."};
        for (const std::string& name : c.undeletable) {
            expected.push_back("init_workspace: fail to delete file = " + root + "/temp/" + name);
        }
        expected.insert(expected.end(), {"", "Working path is: " + root, "Error: init_workspace"});
        EXPECT_EQ(result.out_lines(), expected) << result.err;
        EXPECT_EQ(result.exit_status, kFailureStatus);
        EXPECT_EQ(folder_contents(workspace.root() / "output"), output_before);
        // Every other staging file is gone, and no picture was read to make new ones.
        FolderContents temp_expected = {
            {"image_bitmap/", {}}, {"image_zip/", {}}, {"image_unzip/", {}}};
        for (const std::string& name : c.undeletable) {
            temp_expected[name] = temp_before.at(name);
        }
        EXPECT_EQ(folder_contents(temp), temp_expected);
    }
}

TEST(FaultInjection, AStagingFileThatCannotBeCreatedStopsThePreparation) {
    // The second picture's bitmap file, compressed image file or check file cannot be created:
    // a folder stands where it is to be written (the cleaning at start leaves folders alone).
    const struct {
        const char* subfolder;
        Lines messages;  // after the first picture's progress number; each followed by a path
    } cases[] = {
        {"image_bitmap", {"LoadPngImage ERR: OutPutPng Failed-1", "Error: LoadPngImage for "}},
        {"image_zip", {"simpleZip: Error to open file.", "Error: convertBitmaptoZip for "}},
        {"image_unzip", {"BufferUnzip Error to open files = ", "Error: convertZiptoUnzip for "}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.subfolder);
        const TwoPackages run;
        fs::create_directories(run.workspace().staged(c.subfolder, "A001_002.png"));
        fs::create_directory(run.workspace().root() / "output");
        write_text(run.workspace().output("gui01.bin"), "from an earlier run");

        const ProcessResult result = run.workspace().run();
        const std::string source = run.printed_path("image", "A001_002.png");
        const std::string staged =
            run.printed_path(std::string("temp/") + c.subfolder, "A001_002.png");
        const std::string compressed = run.printed_path("temp/image_zip", "A001_002.png");
        // The loader's verdict names the source picture, the others the compressed image file.
        const bool loader = std::string(c.subfolder) == "image_bitmap";
        EXPECT_EQ(
            result.out_lines(),
            concat(start_lines(run.root()),
                   Lines{"find_all_files: count: 3 with: " + run.root() + "/image/*.png",
                         "Can't find the files in the path: " + run.root() + "/image/*.bmp",
                         "Zipping bitmap files:", "0" + c.messages[0] + (loader ? "" : staged),
                         c.messages[1] + (loader ? source : compressed), "", "",
                         "Error: prepare_zip_files"}));
        EXPECT_EQ(result.exit_status, kFailureStatus);
        EXPECT_EQ(read_text(run.workspace().output("gui01.bin")), "from an earlier run");
        EXPECT_FALSE(fs::exists(run.workspace().output("BitmapMapping.cpp")));
    }
}

TEST(FaultInjection, AFileNamedOutputLosesEveryOutputFile) {
    const TwoPackages run;
    write_text(run.workspace().root() / "output", "not a folder");

    const ProcessResult result = run.workspace().run();
    const std::string unknown = "18446744073709551615";
    EXPECT_EQ(
        result.out_lines(),
        concat(concat(run.prepared(),
                      concat(run.package_lines("gui01.bin", " 0 1", "count = 2, size = " + unknown),
                             Lines{"Packaged bin size is " + unknown + " byte",
                                   "Error: Total file size is 56 byte"})),
               concat(run.package_lines("gui02.bin", " 0", "count = 1, size = " + unknown),
                      Lines{"Packaged bin size is " + unknown + " byte",
                            "Error: Total file size is 24 byte",
                            "generate_multi_mapping_cpp: fail to open file = " +
                                run.printed_path("output", "BitmapMapping.cpp"),
                            "generateBinFile: fail to save file = " +
                                run.printed_path("output", "BitmapMapping.xml"),
                            "Error: generateBinFile"})));
    EXPECT_EQ(result.exit_status, kFailureStatus);
    EXPECT_EQ(read_text(run.workspace().root() / "output"), "not a folder");
}

TEST(FaultInjection, AnOutputFileTakenByAFolderFailsTheRunAndChangesNothing) {
    // Everything is written under temporary names; a final name that a folder holds is found
    // when the files are to be moved into place, before any of them is.
    for (const char* blocked : {"gui01.bin", "BitmapMapping.cpp", "BitmapMapping.xml"}) {
        SCOPED_TRACE(blocked);
        const TwoPackages run;
        fs::create_directories(run.workspace().output(blocked));
        const FolderContents before = run.earlier_output();

        const ProcessResult result = run.workspace().run();
        EXPECT_EQ(result.out_lines(),
                  concat(concat(concat(run.prepared(), run.first_package()), run.second_package()),
                         Lines{"generateBinFile: fail to save file = " +
                                   run.printed_path("output", blocked),
                               "Error: generateBinFile"}));
        EXPECT_EQ(result.exit_status, kFailureStatus);
        EXPECT_EQ(run.output_now(), before);
    }
}

TEST(FaultInjection, APictureGoneWhenItIsPackedFailsTheRun) {
    // The compressed picture vanishes before it is copied (and so is not there to be measured
    // either), or after it was copied, before it is measured.
    const struct {
        const char* what;
        int opens_before_failure;
        Lines package_messages;
    } cases[] = {
        {"before the copy",
         0,
         {"generate_gui_bin: count = 2, size = 28", "Packaged bin size is 28 byte",
          "Error: Total file size is 27 byte"}},
        {"before the measuring",
         1,
         {"generate_gui_bin: count = 2, size = 56", "Packaged bin size is 56 byte",
          "Error: Total file size is 27 byte"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const TwoPackages run;
        const FolderContents before = run.earlier_output();
        const ProcessResult result = run_with_vanishing_file(
            run.workspace(), "/temp/image_zip/A001_002.png", c.opens_before_failure);
        EXPECT_EQ(
            result.out_lines(),
            concat(concat(run.prepared(), concat(Lines{"generate_gui_bin: " +
                                                           run.printed_path("output", "gui01.bin"),
                                                       " 0 1"},
                                                 c.package_messages)),
                   concat(run.second_package(), Lines{"Error: generateBinFile"})))
            << result.err;
        EXPECT_EQ(result.exit_status, kFailureStatus);
        EXPECT_EQ(run.output_now(), before);
    }
}

TEST(FaultInjection, AFolderAmongTheCompressedPicturesCannotBePacked) {
    const TwoPackages run;
    // Left from an earlier run under a picture's name; the cleaning leaves folders alone.
    fs::create_directories(run.workspace().staged("image_zip", "A002_002.png"));
    const FolderContents before = run.earlier_output();

    const ProcessResult result = run.workspace().run();
    EXPECT_EQ(
        result.out_lines(),
        concat(
            concat(preparation_lines(run.root(), 3, 0),
                   Lines{"find_all_files: count: 4 with: " + run.root() + "/temp/image_zip/*.*"}),
            concat(run.first_package(),
                   Lines{"generate_gui_bin: " + run.printed_path("output", "gui02.bin"), " 0 1",
                         "generate_gui_bin: count = 2, size = 24", "Packaged bin size is 24 byte",
                         "Error: Total file size is 23 byte", "Error: generateBinFile"})));
    EXPECT_EQ(result.exit_status, kFailureStatus);
    EXPECT_EQ(run.output_now(), before);
}

TEST(FaultInjection, ADiskThatFillsUpCutsThePackageAndFailsTheRun) {
    PackerWorkspace workspace(built_packer());
    workspace.write_config(kTwoPackages);
    // Six pictures of 808 bytes each make a package of 4856 bytes, larger than any other file
    // of the run (the captured console output included); the disk takes 3000 bytes a file.
    std::vector<KnownPicture> pictures;
    for (uint8_t i = 1; i <= 6; ++i) {
        pictures.push_back(gradient_png("A001_00" + std::to_string(i) + ".png", 200, i));
    }
    pictures.push_back(gradient_png("A002_001.png", 2, 0x21));
    add_pictures(workspace, pictures);
    fs::create_directory(workspace.root() / "output");
    write_text(workspace.output("gui01.bin"), "earlier gui01.bin");
    const FolderContents before = folder_contents(workspace.root() / "output");

    const ProcessResult result = workspace.run({}, 3000);
    const std::string root = folder_of(workspace);
    EXPECT_EQ(result.out_lines(),
              concat(preparation_lines(root, 7, 0),
                     Lines{"find_all_files: count: 7 with: " + root + "/temp/image_zip/*.*",
                           "generate_gui_bin: " + root + "/output/gui01.bin", " 0 1 2 3 4 5",
                           "generate_gui_bin: count = 6, size = 3000",
                           "Packaged bin size is 3000 byte", "Error: Total file size is 4856 byte",
                           "generate_gui_bin: " + root + "/output/gui02.bin", " 0",
                           "generate_gui_bin: count = 1, size = 24", "Error: generateBinFile"}));
    EXPECT_EQ(result.exit_status, kFailureStatus);
    EXPECT_EQ(folder_contents(workspace.root() / "output"), before);
}

TEST(FaultInjection, ADiskThatFillsUpCutsTheMappingSourceAndFailsTheRun) {
    const TwoPackages run;
    const FolderContents before = run.earlier_output();
    // BitmapMapping.cpp takes about 1900 bytes; every other file of the run, the captured
    // console output included, well under 1800.
    const ProcessResult result = run.workspace().run({}, 1800);
    EXPECT_EQ(result.out_lines(),
              concat(concat(concat(run.prepared(), run.first_package()), run.second_package()),
                     Lines{"generate_multi_mapping_cpp: fail to write file = " +
                               run.printed_path("output", "BitmapMapping.cpp"),
                           "Error: generateBinFile"}));
    EXPECT_EQ(result.exit_status, kFailureStatus);
    EXPECT_EQ(run.output_now(), before);
}

}  // namespace
}  // namespace framestow::e2e
