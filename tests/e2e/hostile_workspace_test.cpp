#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "packer_run_expectations.h"

// Workspaces that hold what a user's never would, as an archive or a checkout from elsewhere
// may: links and files planted at the names of the packer's temporary files, FIFOs and devices
// where pictures and config.ini belong. Each run must do exactly what the run of a plain
// workspace does (given below for each case), follow no planted link and wait on nothing.
namespace framestow::e2e {
namespace {

namespace fs = std::filesystem;
using testing::FolderContents;
using testing::PackerWorkspace;
using testing::ProcessResult;
using testing::read_text;
using testing::write_text;

using Change = std::function<void(const fs::path& root)>;

// A packer that waits on a FIFO never ends by itself.
constexpr std::chrono::seconds kTimeLimit{60};

// Package 1 holds A001 (two pictures), package 2 holds A002 (one).
const char* const kTwoPackages =
    "[gui01.bin]\nname=gui01.bin\nversion=1.0.0.1\napp_list=A001\n"
    "[gui02.bin]\nname=gui02.bin\nversion=1.0.0.2\napp_list=A002\n";

// The names that the temporary files had before they were made exclusive.
const std::vector<std::string> kOldTemporaryNames = {"gui01.bin.partial", "gui02.bin.partial",
                                                     "BitmapMapping.cpp.partial"};

// The printed lines with the workspace's own folder replaced, so that two workspaces compare.
Lines printed_lines(const ProcessResult& result, const std::string& root) {
    Lines lines = result.out_lines();
    for (std::string& line : lines) {
        if (const std::size_t at = line.find(root); at != std::string::npos) {
            line.replace(at, root.size(), "<root>");
        }
    }
    return lines;
}

// The entries of the output folder by name, links not followed: a link with no bytes.
FolderContents output_entries(const fs::path& root) {
    FolderContents entries;
    for (const fs::directory_entry& entry : fs::directory_iterator(root / "output")) {
        entries[entry.path().filename().string()] =
            entry.is_symlink() ? Bytes{} : testing::read_bytes(entry.path());
    }
    return entries;
}

TEST(HostileWorkspace, PlantedEntriesAreNeitherFollowedNorWaitedOn) {
    if (std::getenv("FRAMESTOW_EMULATOR") != nullptr) {
        GTEST_SKIP() << "symbolic links, FIFOs and devices are entries of POSIX file systems";
    }
    const testing::TempFolder outside;
    const fs::path victim = outside.path() / "victim.txt";
    const auto fifo = [](const fs::path& path) {
        fs::remove(path);
        ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
    };
    const auto link = [](const fs::path& path, const fs::path& target) {
        fs::remove(path);
        fs::create_symlink(target, path);
    };
    const Change nothing = [](const fs::path&) {};
    const Change no_config = [](const fs::path& root) { fs::remove(root / "config.ini"); };
    // A picture that cannot be opened at all.
    const Change unopenable_picture = [&](const fs::path& root) {
        link(root / "image/A001_002.png", "missing.png");
    };
    const struct {
        const char* what;
        Change plant;
        Change plain;  // the workspace that must give the same run
    } cases[] = {
        {"links and a file at the old temporary names",
         [&](const fs::path& root) {
             fs::create_directory(root / "output");
             for (const std::string& name : kOldTemporaryNames) {
                 link(root / "output" / name, victim);
             }
             write_text(root / "output/BitmapMapping.xml.partial", "planted");
         },
         nothing},
        {"a FIFO as a picture", [&](const fs::path& root) { fifo(root / "image/A001_002.png"); },
         unopenable_picture},
        {"a picture linked to /dev/zero",
         [&](const fs::path& root) { link(root / "image/A001_002.png", "/dev/zero"); },
         unopenable_picture},
        {"config.ini linked to /dev/zero",
         [&](const fs::path& root) { link(root / "config.ini", "/dev/zero"); }, no_config},
        {"config.ini a FIFO", [&](const fs::path& root) { fifo(root / "config.ini"); }, no_config},
        {"config.ini past its size limit",
         [](const fs::path& root) { fs::resize_file(root / "config.ini", (1u << 20) + 1); },
         no_config},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        write_text(victim, "victim");
        PackerWorkspace hostile(built_packer());
        PackerWorkspace plain(built_packer());
        for (const PackerWorkspace* workspace : {&hostile, &plain}) {
            workspace->write_config(kTwoPackages);
            add_pictures(*workspace, {gradient_png("A001_001.png", 3, 0x11),
                                      gradient_png("A001_002.png", 5, 0x12),
                                      gradient_png("A002_001.png", 2, 0x21)});
        }
        c.plant(hostile.root());
        c.plain(plain.root());

        const ProcessResult hostile_run = hostile.run({}, 0, kTimeLimit);
        const ProcessResult plain_run = plain.run({}, 0, kTimeLimit);

        EXPECT_EQ(printed_lines(hostile_run, folder_of(hostile)),
                  printed_lines(plain_run, folder_of(plain)));
        const auto err_of = [](ProcessResult run, const std::string& root) {
            run.out = run.err;
            return printed_lines(run, root);
        };
        EXPECT_EQ(err_of(hostile_run, folder_of(hostile)), err_of(plain_run, folder_of(plain)));
        EXPECT_EQ(hostile_run.exit_status, plain_run.exit_status);
        EXPECT_EQ(read_text(victim), "victim");
        // Every planted entry is as it was; beside them, the output is the plain run's.
        FolderContents output = output_entries(hostile.root());
        for (const std::string& name : kOldTemporaryNames) {
            if (output.erase(name) == 1) {
                EXPECT_EQ(fs::read_symlink(hostile.root() / "output" / name), victim);
            }
        }
        if (output.erase("BitmapMapping.xml.partial") == 1) {
            EXPECT_EQ(read_text(hostile.root() / "output/BitmapMapping.xml.partial"), "planted");
        }
        EXPECT_EQ(output, output_entries(plain.root()));
    }
}

}  // namespace
}  // namespace framestow::e2e
