#include <unistd.h>

#include <iostream>
#include <string>
#include <string_view>

#include "console.h"

namespace hexfold {

namespace {

// Terminals here show UTF-8.
std::string_view message_text(Message message) {
    switch (message) {
        case Message::drag_file_in:
            return "error **请拖入要转换的文件**";
        case Message::conversion_complete:
            return "** 转换完成！** =》 out.bin";
        case Message::input_open_failed:
            return " 打开 input file 错误!";
        case Message::input_read_failed:
            return " 读取 input file 错误!";
        case Message::output_open_failed:
            return " 打开 output file 错误!";
        case Message::output_write_failed:
            return " 写入 output file 错误!";
        case Message::endianness_error:
            return "error **适配大小端错误**";
    }
    return {};
}

}  // namespace

void print_message(Message message) {
    std::cout << message_text(message) << std::endl;
}

void pause() {
    // Only a person at a terminal can answer; a pipe or /dev/null must not hold the program up.
    if (isatty(STDIN_FILENO) == 0) {
        return;
    }
    std::cout << "Press Enter to continue . . ." << std::flush;
    std::string line;
    std::getline(std::cin, line);
}

}  // namespace hexfold
