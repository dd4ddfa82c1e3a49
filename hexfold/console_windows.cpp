#include <cstdlib>
#include <iostream>
#include <string_view>

#include "console.h"

namespace hexfold {

namespace {

// The Chinese Windows console shows code page 936 (GBK), so the texts are stored as GBK bytes;
// the UTF-8 text of each is in the comment beside it.
std::string_view message_text(Message message) {
    switch (message) {
        case Message::drag_file_in:  // "error **请拖入要转换的文件**"
            return "error "
                   "**\xC7\xEB\xCD\xCF\xC8\xEB\xD2\xAA\xD7\xAA\xBB\xBB\xB5\xC4\xCE\xC4\xBC\xFE**";
        case Message::conversion_complete:  // "** 转换完成！** =》 out.bin"
            return "** \xD7\xAA\xBB\xBB\xCD\xEA\xB3\xC9\xA3\xA1** =\xA1\xB7 out.bin";
        case Message::input_open_failed:  // " 打开 input file 错误!"
            return " \xB4\xF2\xBF\xAA input file \xB4\xED\xCE\xF3!";
        case Message::input_read_failed:  // " 读取 input file 错误!"
            return " \xB6\xC1\xC8\xA1 input file \xB4\xED\xCE\xF3!";
        case Message::output_open_failed:  // " 打开 output file 错误!"
            return " \xB4\xF2\xBF\xAA output file \xB4\xED\xCE\xF3!";
        case Message::output_write_failed:  // " 写入 output file 错误!"
            return " \xD0\xB4\xC8\xEB output file \xB4\xED\xCE\xF3!";
        case Message::endianness_error:  // "error **适配大小端错误**"
            return "error **\xCA\xCA\xC5\xE4\xB4\xF3\xD0\xA1\xB6\xCB\xB4\xED\xCE\xF3**";
    }
    return {};
}

}  // namespace

void print_message(Message message) {
    std::cout << message_text(message) << std::endl;
}

void pause() {
    // The command interpreter's own "pause": it waits for a key at a console and returns at once
    // when standard input is a file or a pipe that is at its end.
    std::system("pause");
}

}  // namespace hexfold
