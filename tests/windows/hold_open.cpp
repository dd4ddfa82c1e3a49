// Holds a file open as a picture viewer or a virus scanner does: shared for reading and writing,
// not for deleting, so that no other program can delete the file while it is held.
//   hold_open <file> <ready marker> <release marker>
// Creates the ready marker once the file is held, and lets the file go when the release marker
// appears, or after a minute at the latest. Exit status 1 when the file cannot be opened.
#include <windows.h>

namespace {

constexpr int kPollMilliseconds = 50;
constexpr int kLongestHoldMilliseconds = 60 * 1000;

bool exists(const char* path) {
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 4) {
        return 2;
    }
    const HANDLE held = CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE) {
        return 1;
    }
    const HANDLE ready = CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    if (ready != INVALID_HANDLE_VALUE) {
        CloseHandle(ready);
    }
    for (int waited = 0; waited < kLongestHoldMilliseconds && !exists(argv[3]);
         waited += kPollMilliseconds) {
        Sleep(kPollMilliseconds);
    }
    CloseHandle(held);
    return 0;
}
