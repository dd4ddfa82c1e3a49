#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "file_system.h"

namespace hexfold {

namespace {

// Enough for names taken by files that earlier runs could not remove; past that, something else
// is wrong with the folder.
constexpr int max_attempts = 100;

}  // namespace

std::optional<std::filesystem::path> create_file_beside(const std::filesystem::path& final_path) {
    // The process id keeps two programs that run in one folder at the same time apart.
    const std::string stem = final_path.string() + "." + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < max_attempts; ++attempt) {
        const std::string candidate = stem + std::to_string(attempt) + ".tmp";
        // The mode is that of any new file (0666 less the umask), as the final file would get.
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return candidate;
        }
        if (errno != EEXIST) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

bool replace_file(const std::filesystem::path& from, const std::filesystem::path& to) {
    // Without the flush, a crash soon after the rename could leave the final name on an empty or
    // partly written file on file systems that write data later than names.
    const int fd = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool flushed = ::fsync(fd) == 0;
    ::close(fd);
    return flushed && std::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace hexfold
