#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>

#include "file_system.h"

namespace hexfold {

namespace {

// Enough for names taken by files that earlier runs could not remove, or planted there; past
// that, something else is wrong with the folder.
constexpr int max_attempts = 100;

// A number that keeps the names of one run's attempts apart from names chosen in advance: the
// attempt count is not enough, as it is the same in every run.
unsigned long long clock_count() {
    return static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
}

}  // namespace

std::optional<NewFile> create_file_beside(const std::filesystem::path& final_path) {
    // The process id keeps two programs that run in one folder at the same time apart.
    const std::string stem = final_path.string() + "." + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < max_attempts; ++attempt) {
        const std::string candidate =
            stem + std::to_string(attempt) + "-" + std::to_string(clock_count() % 1000000) + ".tmp";
        // O_EXCL fails on any entry of the name, a link included. The mode is that of any new
        // file (0666 less the umask), as the final file would get.
        const int fd =
            ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST) {
            continue;
        }
        if (fd < 0) {
            return std::nullopt;
        }
        std::FILE* stream = ::fdopen(fd, "wb");
        if (stream == nullptr) {
            ::close(fd);
            ::unlink(candidate.c_str());
            return std::nullopt;
        }
        return NewFile{candidate, stream};
    }
    return std::nullopt;
}

bool replace_file(const std::filesystem::path& from, const std::filesystem::path& to) {
    // Without the flush, a crash soon after the rename could leave the final name on an empty or
    // partly written file on file systems that write data later than names. Only the file itself
    // is flushed: a link or a FIFO put at its name meanwhile is neither followed nor waited on.
    const int fd = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    const bool flushed = ::fsync(fd) == 0;
    ::close(fd);
    return flushed && std::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace hexfold
