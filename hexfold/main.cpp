// Hexfold: converts the hexadecimal literals of a text file, given as the first argument
// (usually by dropping the file onto the program), into the bytes of ui_bitmap_mapping.bin in
// the current folder.
#include "console.h"
#include "converter.h"

int main(int argc, char* argv[]) {
    if (argc < 2) {
        hexfold::print_message(hexfold::Message::drag_file_in);
        hexfold::pause();
        return -1;
    }
    if (hexfold::convert_file(argv[1], "ui_bitmap_mapping.bin") != 0) {
        return -1;
    }
    hexfold::print_message(hexfold::Message::conversion_complete);
    hexfold::pause();
    return 0;
}
