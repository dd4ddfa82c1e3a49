// Hexfold: converts the hexadecimal literals of a text file, given as the first argument
// (usually by dropping the file onto the program), into the bytes of ui_bitmap_mapping.bin in
// the current folder.
#include <cstdio>
#include <cstring>

#include "console.h"
#include "converter.h"

namespace {

constexpr const char* kHelp =
    "Usage: hexfold FILE\n"
    "Converts the hexadecimal literals (0x...) of the text file FILE into the bytes of\n"
    "ui_bitmap_mapping.bin in the current folder: a literal of up to 8 digits as a\n"
    "little-endian 32-bit word, one of 9 to 16 digits as 8 bytes in the order of its digits.\n"
    "\n"
    "Options:\n"
    "  --help     print this help and exit\n"
    "  --version  print the version and exit\n"
    "\n"
    "Exit status: 0 converted, 255 (-1) no FILE given or the conversion failed.\n";

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) {
        hexfold::print_message(hexfold::Message::drag_file_in);
        hexfold::pause();
        return -1;
    }
    // The two options a command-line user (and the manual page) expects; any other argument is
    // the file to convert, as it has always been.
    if (std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::fputs("hexfold " FRAMESTOW_VERSION "\n", stdout);
        return 0;
    }
    if (hexfold::convert_file(argv[1], "ui_bitmap_mapping.bin") != 0) {
        return -1;
    }
    hexfold::print_message(hexfold::Message::conversion_complete);
    hexfold::pause();
    return 0;
}
