#include <windows.h>

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
    const std::wstring stem =
        final_path.native() + L"." + std::to_wstring(GetCurrentProcessId()) + L"-";
    for (int attempt = 0; attempt < max_attempts; ++attempt) {
        const std::wstring candidate = stem + std::to_wstring(attempt) + L".tmp";
        const HANDLE file = CreateFileW(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return std::filesystem::path(candidate);
        }
        if (GetLastError() != ERROR_FILE_EXISTS) {
            return std::nullopt;
        }
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
