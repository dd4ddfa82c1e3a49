#include <fcntl.h>
#include <io.h>
#include <windows.h>

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
    return GetTickCount64();
}

// A C stream over the new file's handle, which it then owns; null, with the file closed and
// deleted, when the runtime cannot take it.
std::FILE* stream_over(HANDLE file, const std::wstring& path) {
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(file);
        DeleteFileW(path.c_str());
        return nullptr;
    }
    std::FILE* stream = _fdopen(fd, "wb");
    if (stream == nullptr) {
        _close(fd);
        DeleteFileW(path.c_str());
    }
    return stream;
}

}  // namespace

std::optional<NewFile> create_file_beside(const std::filesystem::path& final_path) {
    // The process id keeps two programs that run in one folder at the same time apart.
    const std::wstring stem =
        final_path.native() + L"." + std::to_wstring(GetCurrentProcessId()) + L"-";
    for (int attempt = 0; attempt < max_attempts; ++attempt) {
        const std::wstring candidate = stem + std::to_wstring(attempt) + L"-" +
                                       std::to_wstring(clock_count() % 1000000) + L".tmp";
        // CREATE_NEW fails on any entry of the name, a link included, and never follows one.
        const HANDLE file = CreateFileW(candidate.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS) {
            continue;
        }
        if (file == INVALID_HANDLE_VALUE) {
            return std::nullopt;
        }
        std::FILE* stream = stream_over(file, candidate);
        if (stream == nullptr) {
            return std::nullopt;
        }
        return NewFile{std::filesystem::path(candidate), stream};
    }
    return std::nullopt;
}

bool replace_file(const std::filesystem::path& from, const std::filesystem::path& to) {
    // Without the flush, a crash soon after the move could leave the final name on a file whose
    // bytes never reached the disk.
    const HANDLE file = CreateFileW(from.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool flushed = FlushFileBuffers(file) != 0;
    CloseHandle(file);
    return flushed && MoveFileExW(from.c_str(), to.c_str(),
                                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace hexfold
