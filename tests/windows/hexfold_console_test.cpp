// Hexfold's messages on Windows must be the GBK bytes of its Chinese texts; the expected bytes
// are made here from the UTF-8 texts by the system's own code page 936 conversion.
#include <gtest/gtest.h>
#include <windows.h>

#include <iostream>
#include <sstream>
#include <string>

#include "console.h"

namespace hexfold {
namespace {

std::string utf8_to_code_page_936(const std::string& utf8) {
    const int wide_length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                                static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                        wide.data(), wide_length);
    const int length =
        WideCharToMultiByte(936, 0, wide.data(), wide_length, nullptr, 0, nullptr, nullptr);
    std::string gbk(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(936, 0, wide.data(), wide_length, gbk.data(), length, nullptr, nullptr);
    return gbk;
}

std::string printed(Message message) {
    std::ostringstream captured;
    std::streambuf* const console = std::cout.rdbuf(captured.rdbuf());
    print_message(message);
    std::cout.rdbuf(console);
    return captured.str();
}

TEST(HexfoldWindowsConsole, MessagesAreGbkBytes) {
    const struct {
        Message message;
        const char* utf8;
    } cases[] = {
        {Message::drag_file_in, "error **请拖入要转换的文件**"},
        {Message::conversion_complete, "** 转换完成！** =》 out.bin"},
        {Message::input_open_failed, " 打开 input file 错误!"},
        {Message::input_read_failed, " 读取 input file 错误!"},
        {Message::output_open_failed, " 打开 output file 错误!"},
        {Message::output_write_failed, " 写入 output file 错误!"},
        {Message::endianness_error, "error **适配大小端错误**"},
    };
    for (const auto& c : cases) {
        const std::string expected = utf8_to_code_page_936(c.utf8);
        ASSERT_FALSE(expected.empty()) << c.utf8;
        EXPECT_EQ(printed(c.message), expected + "\n") << c.utf8;
    }
}

}  // namespace
}  // namespace hexfold
