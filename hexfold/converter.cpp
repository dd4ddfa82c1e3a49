#include "converter.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <optional>
#include <span>
#include <system_error>
#include <utility>

#include "console.h"
#include "file_system.h"
#include "scanner.h"

namespace hexfold {

namespace {

constexpr std::size_t chunk_size = 64 * 1024;

// Writes the scanner's bytes to the output file. After the first failed write nothing more is
// written.
class OutputWriter : public ScanSink {
  public:
    explicit OutputWriter(std::ofstream& file) : file_(file) {}

    void write(std::span<const std::uint8_t> bytes) override {
        if (file_.good()) {
            file_.write(reinterpret_cast<const char*>(bytes.data()),
                        static_cast<std::streamsize>(bytes.size()));
        }
    }

    void swap_failed() override { print_message(Message::endianness_error); }

    bool failed() const { return !file_.good(); }

    // Flushes and closes the file. True when every write, the flush and the close succeeded.
    bool close() {
        file_.flush();
        const bool written = file_.good();
        file_.close();
        return written && !file_.fail();
    }

  private:
    std::ofstream& file_;
};

// A file under a temporary name beside the output, removed again unless it was moved over the
// output: whatever fails, nothing of a half-written output stays behind.
class TemporaryFile {
  public:
    explicit TemporaryFile(std::filesystem::path path) : path_(std::move(path)) {}
    ~TemporaryFile() {
        if (!path_.empty()) {
            std::error_code ignored;
            std::filesystem::remove(path_, ignored);
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Replaces `final_path` by this file. False when that fails; the file is then removed.
    bool move_to(const std::filesystem::path& final_path) {
        if (!replace_file(path_, final_path)) {
            return false;
        }
        path_.clear();
        return true;
    }

  private:
    std::filesystem::path path_;
};

// Reads the whole input through the scanner, a chunk at a time; it stops early once the output
// has failed. False on a read error: the scan then stops there, without retrying, and what was
// read must not be taken for the whole input.
bool scan_input(std::ifstream& input, OutputWriter& writer) {
    Scanner scanner(writer);
    std::array<char, chunk_size> chunk{};
    while (input && !writer.failed()) {
        input.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto got = static_cast<std::size_t>(input.gcount());
        scanner.feed(std::span(reinterpret_cast<const std::uint8_t*>(chunk.data()), got));
    }
    // The stream marks a read error as bad; the end of the input only as eof and fail.
    if (input.bad()) {
        return false;
    }
    scanner.finish();
    return true;
}

bool is_folder(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

// True when both paths name one file (same device and file number), whatever links or
// relative parts lead to it.
bool is_same_file(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

}  // namespace

int convert_file(const std::filesystem::path& input, const std::filesystem::path& output) {
    // Binary mode: every byte is a character, a CR included, and no byte ends the input early.
    std::ifstream in;
    if (!is_folder(input)) {
        in.open(input, std::ios::binary);
    }
    if (!in.is_open()) {
        print_message(Message::input_open_failed);
        return -1;
    }
    // An input that is the output file itself, by any path or link, is refused before anything
    // is created: converting an earlier run's output is a mistake, not a conversion.
    if (is_same_file(input, output)) {
        print_message(Message::output_open_failed);
        return -1;
    }
    // The bytes go to a new file beside the output, which takes the output's name only once the
    // whole conversion has succeeded; an earlier output stays as it was until then.
    const std::optional<std::filesystem::path> temporary_path = create_file_beside(output);
    if (!temporary_path) {
        print_message(Message::output_open_failed);
        return -1;
    }
    TemporaryFile temporary(*temporary_path);
    std::ofstream out(temporary.path(), std::ios::binary | std::ios::trunc);
    if (!out.is_open()) {
        print_message(Message::output_open_failed);
        return -1;
    }

    OutputWriter writer(out);
    if (!scan_input(in, writer)) {
        print_message(Message::input_read_failed);
        return -1;
    }
    in.close();
    // A folder at the output's name shows only here, when it cannot be replaced.
    if (!writer.close() || !temporary.move_to(output)) {
        print_message(Message::output_write_failed);
        return -1;
    }
    return 0;
}

}  // namespace hexfold
