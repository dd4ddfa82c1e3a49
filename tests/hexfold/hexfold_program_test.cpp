// Runs the built program as a process in a temporary folder, with a standard input that is not
// a terminal and stays open, so a program that waited for a key would be caught by the timeout.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

struct RunResult {
    int status = -1;  // exit status, or -1 when the program did not exit by itself in time
    std::string output;
};

class HexfoldProgram : public ::testing::Test {
  protected:
    fs::path path(const std::string& name) const { return dir_ / name; }

    void write_file(const std::string& name, const std::string& bytes) const {
        std::ofstream(path(name), std::ios::binary) << bytes;
    }

    std::optional<std::string> read_file(const std::string& name) const {
        std::ifstream in(path(name), std::ios::binary);
        if (!in) {
            return std::nullopt;
        }
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // Every entry of the folder: a file by its bytes, a folder as "<folder>" followed by what it
    // holds, a link as "<link to " and its target.
    std::map<std::string, std::string> contents() const {
        std::map<std::string, std::string> entries;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir_)) {
            const std::string name = fs::relative(entry.path(), dir_).string();
            if (entry.is_symlink()) {
                entries[name] = "<link to " + fs::read_symlink(entry.path()).string() + ">";
            } else if (entry.is_directory()) {
                entries[name] = "<folder>";
            } else {
                entries[name] = read_file(name).value_or("<unreadable>");
            }
        }
        return entries;
    }

    // Runs the program in the folder. A non-zero `file_size_limit` makes every write past that
    // many bytes of a file fail, as on a full disk.
    RunResult run(const std::vector<std::string>& args, rlim_t file_size_limit = 0) const {
        const fs::path output_file = dir_ / ".stdout";
        int keep_open[2];
        if (pipe(keep_open) != 0) {
            return {};
        }
        const pid_t child = fork();
        if (child == 0) {
            const int out = open(output_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out < 0 || chdir(dir_.c_str()) != 0) {
                _exit(127);
            }
            if (file_size_limit != 0) {
                // Writes past the limit then fail with EFBIG instead of ending the program.
                const rlimit limit{file_size_limit, file_size_limit};
                signal(SIGXFSZ, SIG_IGN);
                setrlimit(RLIMIT_FSIZE, &limit);
            }
            dup2(keep_open[0], STDIN_FILENO);
            dup2(out, STDOUT_FILENO);
            std::vector<char*> argv{const_cast<char*>(HEXFOLD_PROGRAM)};
            for (const std::string& arg : args) {
                argv.push_back(const_cast<char*>(arg.c_str()));
            }
            argv.push_back(nullptr);
            execv(HEXFOLD_PROGRAM, argv.data());
            _exit(127);
        }
        close(keep_open[0]);
        RunResult result;
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (waitpid(child, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(child, SIGKILL);
                waitpid(child, &status, 0);
                status = -1;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        close(keep_open[1]);
        if (status != -1 && WIFEXITED(status)) {
            result.status = WEXITSTATUS(status);
        }
        std::ifstream in(output_file, std::ios::binary);
        result.output.assign(std::istreambuf_iterator<char>(in), {});
        fs::remove(output_file);
        return result;
    }

    framestow::testing::TempFolder folder_;
    const fs::path dir_ = folder_.path();
};

const std::string completed = "** 转换完成！** =》 out.bin\n";
const std::string output_name = "ui_bitmap_mapping.bin";

TEST_F(HexfoldProgram, ConvertsTheFileAndReplacesAnEarlierOutput) {
    const std::string text = "const int t[] = {0x12345678, 0XaBc,\r\n 0x123456789, 10};\n0x1";
    const std::string bytes(
        "\x78\x56\x34\x12\xbc\x0a\x00\x00"
        "\x00\x00\x00\x01\x23\x45\x67\x89\x01\x00\x00\x00",
        20);
    write_file("elsewhere.bin", "kept");
    const struct {
        const char* what;
        std::function<void()> earlier;  // what stands at the output's name before the run
    } cases[] = {
        {"no earlier output", [] {}},
        {"a longer earlier output", [&] { write_file(output_name, std::string(100, 'z')); }},
        // The link is replaced; the file it points to is not written through it.
        {"a link to another file", [&] { fs::create_symlink("elsewhere.bin", path(output_name)); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(path(output_name));
        write_file("table.h", text);
        c.earlier();

        const RunResult result = run({"table.h", "ignored"});

        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.output, completed);
        // Nothing but the output is left beside the input: no temporary file.
        EXPECT_EQ(contents(),
                  (std::map<std::string, std::string>{
                      {"elsewhere.bin", "kept"}, {"table.h", text}, {output_name, bytes}}));
    }
}

TEST_F(HexfoldProgram, ConvertsAnInputLargerThanItsBuffers) {
    std::string text;
    std::string expected;
    for (int i = 0; i < 40000; ++i) {
        text += "0x0A0B0C0D, ";
        expected += "\x0d\x0c\x0b\x0a";
    }
    write_file("big.txt", text);

    const RunResult result = run({"big.txt"});

    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(read_file(output_name), expected);
}

TEST_F(HexfoldProgram, RefusesMissingArgumentAndUnreadableInputs) {
    fs::create_directory(path("folder"));
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{}, "error **请拖入要转换的文件**\n"},
        {{"missing.txt"}, " 打开 input file 错误!\n"},
        {{"folder"}, " 打开 input file 错误!\n"},
    };
    const std::map<std::string, std::string> before = contents();
    for (const auto& c : cases) {
        const RunResult result = run(c.args);
        EXPECT_EQ(result.status, 255) << c.message;
        EXPECT_EQ(result.output, c.message);
        EXPECT_EQ(contents(), before) << c.message;
    }
}

TEST_F(HexfoldProgram, AFailedConversionLeavesTheFolderAsItWas) {
    const struct {
        const char* what;
        std::function<void()> prepare;
        std::string input;
        rlim_t file_size_limit;
        std::string message;
    } cases[] = {
        // Reading this file's first bytes fails: the scan must stop rather than retry forever,
        // and what it read is not the whole input.
        {"read error", [] {}, "/proc/self/mem", 0, " 读取 input file 错误!\n"},
        // An output that cannot be replaced is one that cannot be opened.
        {"a folder at the output's name",
         [&] {
             fs::remove(path(output_name));
             fs::create_directory(path(output_name));
             write_file(output_name + "/inside", "kept");
         },
         "in.txt", 0, " 打开 output file 错误!\n"},
        // 40000 literals make 160000 bytes, past the 1000 bytes that the disk takes a file.
        {"full disk", [] {}, "big.txt", 1000, " 写入 output file 错误!\n"},
    };
    std::string big;
    for (int i = 0; i < 40000; ++i) {
        big += "0x0A0B0C0D ";
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(path(output_name));
        write_file(output_name, std::string(100, 'z'));
        write_file("in.txt", "0x1 0x2");
        write_file("big.txt", big);
        c.prepare();
        const std::map<std::string, std::string> before = contents();

        const RunResult result = run({c.input}, c.file_size_limit);

        EXPECT_EQ(result.status, 255);
        EXPECT_EQ(result.output, c.message);
        EXPECT_EQ(contents(), before);
    }
}

TEST_F(HexfoldProgram, RefusesToConvertTheOutputFileIntoItself) {
    const std::string text = "0x1 0x2";
    write_file(output_name, text);
    fs::create_symlink(output_name, path("link.txt"));
    fs::create_hard_link(path(output_name), path("hard_link.txt"));
    const std::map<std::string, std::string> before = contents();
    for (const std::string& input : {output_name, std::string("./link.txt"),
                                     std::string("hard_link.txt"), path(output_name).string()}) {
        const RunResult result = run({input});
        EXPECT_EQ(result.status, 255) << input;
        EXPECT_EQ(result.output, " 打开 output file 错误!\n") << input;
        EXPECT_EQ(contents(), before) << input;
    }
}

}  // namespace
