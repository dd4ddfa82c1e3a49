// Runs the built program as a process in a temporary folder, with a standard input that is not
// a terminal and stays open, so a program that waited for a key would be caught by the timeout.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct RunResult {
    int status = -1;  // exit status, or -1 when the program did not exit by itself in time
    std::string output;
};

class HexfoldProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string name = (fs::temp_directory_path() / "hexfold_test_XXXXXX").string();
        ASSERT_NE(mkdtemp(name.data()), nullptr);
        dir_ = name;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

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

    RunResult run(const std::vector<std::string>& args) const {
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

    fs::path dir_;
};

const std::string completed = "** 转换完成！** =》 out.bin\n";
const std::string output_name = "ui_bitmap_mapping.bin";

TEST_F(HexfoldProgram, ConvertsTheFileAndOverwritesAnEarlierOutput) {
    write_file("table.h", "const int t[] = {0x12345678, 0XaBc,\r\n 0x123456789, 10};\n0x1");
    write_file(output_name, std::string(100, 'z'));

    const RunResult result = run({"table.h", "ignored"});

    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, completed);
    EXPECT_EQ(read_file(output_name),
              std::string("\x78\x56\x34\x12\xbc\x0a\x00\x00"
                          "\x00\x00\x00\x01\x23\x45\x67\x89\x01\x00\x00\x00",
                          20));
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
    for (const auto& c : cases) {
        const RunResult result = run(c.args);
        EXPECT_EQ(result.status, 255) << c.message;
        EXPECT_EQ(result.output, c.message);
        EXPECT_FALSE(fs::exists(path(output_name))) << c.message;
    }
}

TEST_F(HexfoldProgram, ReadErrorEndsTheInput) {
    // Reading this file's first bytes fails; the scan must end instead of retrying forever.
    const RunResult result = run({"/proc/self/mem"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, completed);
    EXPECT_EQ(read_file(output_name), "");
}

TEST_F(HexfoldProgram, OutputThatCannotBeOpenedFails) {
    write_file("in.txt", "0x1");
    fs::create_directory(path(output_name));
    const RunResult result = run({"in.txt"});
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.output, " 打开 output file 错误!\n");
}

TEST_F(HexfoldProgram, OutputThatCannotBeWrittenFails) {
    write_file("in.txt", "0x1 0x2");
    fs::create_symlink("/dev/full", path(output_name));
    const RunResult result = run({"in.txt"});
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.output, " 写入 output file 错误!\n");
}

TEST_F(HexfoldProgram, RefusesToConvertTheOutputFileIntoItself) {
    const std::string text = "0x1 0x2";
    write_file(output_name, text);
    fs::create_symlink(output_name, path("link.txt"));
    fs::create_hard_link(path(output_name), path("hard_link.txt"));
    for (const std::string& input : {output_name, std::string("./link.txt"),
                                     std::string("hard_link.txt"), path(output_name).string()}) {
        const RunResult result = run({input});
        EXPECT_EQ(result.status, 255) << input;
        EXPECT_EQ(result.output, " 打开 output file 错误!\n") << input;
        EXPECT_EQ(read_file(output_name), text) << input;
    }
}

}  // namespace
