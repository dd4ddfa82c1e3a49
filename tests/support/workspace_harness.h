#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/files.h"
#include "support/temp_folder.h"

// Runs the built programs as a user would: in a fresh folder of their own, as child processes,
// with standard input not a terminal, capturing what they print.
namespace framestow::testing {

struct ProcessResult {
    int exit_status = -1;  // 0 to 255, or -1 when the process did not end normally
    std::string out;
    std::string err;
    std::vector<std::string> out_lines() const;  // standard output split at line ends
};

// Runs `program` with `args` in `folder`, standard input from /dev/null. A program given as a
// Windows executable is run through the emulator named by FRAMESTOW_EMULATOR, when set. A
// non-zero `file_size_limit` makes every write past that many bytes of a file fail, as on a disk
// that has filled up. A program still running after a non-zero `time_limit` is killed (exit
// status -1), so that a program that waits for ever fails its test instead of hanging it.
ProcessResult run_program(const std::filesystem::path& program,
                          const std::vector<std::string>& args, const std::filesystem::path& folder,
                          uint64_t file_size_limit = 0,
                          std::chrono::seconds time_limit = std::chrono::seconds{0});

// Environment variables set for the programs started while it lives, restored afterwards.
class ScopedEnvironment {
  public:
    explicit ScopedEnvironment(const std::vector<std::pair<std::string, std::string>>& values);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// Everything under `root` by its path relative to `root`, with "/" between the parts: each file
// with its bytes, each folder with a trailing "/" and no bytes. Two snapshots compare equal when
// nothing under `root` was added, removed or changed in between.
using FolderContents = std::map<std::string, std::vector<uint8_t>>;
FolderContents folder_contents(const std::filesystem::path& root);

// A packer workspace: the program file copied into a fresh folder, an image folder and
// optionally a config.ini beside it.
class PackerWorkspace {
  public:
    explicit PackerWorkspace(const std::filesystem::path& built_program);
    const std::filesystem::path& root() const { return folder_.path(); }
    std::filesystem::path image(const std::string& name) const;
    std::filesystem::path staged(const std::string& subfolder, const std::string& name) const;
    std::filesystem::path output(const std::string& name) const;
    void write_config(const std::string& text) const;
    // Runs the copied program from another current folder, as a user might.
    ProcessResult run(const std::vector<std::string>& args = {}, uint64_t file_size_limit = 0,
                      std::chrono::seconds time_limit = std::chrono::seconds{0}) const;

  private:
    TempFolder folder_;
    std::filesystem::path program_;
};

}  // namespace framestow::testing
