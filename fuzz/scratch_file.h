#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

#include "fuzz_check.h"
#include "platform/platform.h"

// A file in the temporary folder that a harness rewrites with every input, for code that reads
// files by path. The name carries the process id, so that harnesses run side by side each have
// their own; it is removed when the process ends normally.
namespace fuzzcheck {

class ScratchFile {
  public:
    explicit ScratchFile(const std::string& name)
        : path_((std::filesystem::temp_directory_path() /
                 ("framestow_fuzz_" + std::to_string(::getpid()) + "_" + name))
                    .string()) {}
    ~ScratchFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& path() const { return path_; }

    void write(const uint8_t* data, std::size_t size) const {
        framestow::platform::File file = framestow::platform::File::open_for_writing(path_);
        const bool written = file.write(data, size);
        require(file.close() && written, "the scratch file is written");
    }

  private:
    std::string path_;
};

}  // namespace fuzzcheck
