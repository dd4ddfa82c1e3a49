#include "converter.h"

#include <array>
#include <cstdint>
#include <cstdio>
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

// A file under a temporary name beside the output, created by this run, removed again unless it
// was moved over the output: whatever fails, nothing of a half-written output stays behind.
class TemporaryFile {
  public:
    explicit TemporaryFile(NewFile file) : file_(std::move(file)) {}
    ~TemporaryFile() {
        if (file_.stream != nullptr) {
            std::fclose(file_.stream);
        }
        if (!file_.path.empty()) {
            std::error_code ignored;
            std::filesystem::remove(file_.path, ignored);
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    std::FILE* stream() const { return file_.stream; }

    // Flushes and closes the file. True when every write, the flush and the close succeeded.
    bool close() {
        bool written = std::fflush(file_.stream) == 0 && std::ferror(file_.stream) == 0;
        written = std::fclose(file_.stream) == 0 && written;
        file_.stream = nullptr;
        return written;
    }

    // Replaces `final_path` by this closed file. False when that fails; the file is then
    // removed.
    bool move_to(const std::filesystem::path& final_path) {
        if (!replace_file(file_.path, final_path)) {
            return false;
        }
        file_.path.clear();
        return true;
    }

  private:
    NewFile file_;
};

// Writes the scanner's bytes to the output file. After the first failed write nothing more is
// written.
class OutputWriter : public ScanSink {
  public:
    explicit OutputWriter(std::FILE* file) : file_(file) {}

    void write(std::span<const std::uint8_t> bytes) override {
        if (!failed_ && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
            failed_ = true;
        }
    }

    void swap_failed() override { print_message(Message::endianness_error); }

    bool failed() const { return failed_; }

  private:
    std::FILE* file_;
    bool failed_ = false;
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
    // An output that cannot be replaced cannot be opened: a folder at its name is refused before
    // anything is read or created.
    if (is_folder(output)) {
        print_message(Message::output_open_failed);
        return -1;
    }
    // The bytes go to a new file beside the output, which takes the output's name only once the
    // whole conversion has succeeded; an earlier output stays as it was until then.
    std::optional<NewFile> created = create_file_beside(output);
    if (!created) {
        print_message(Message::output_open_failed);
        return -1;
    }
    TemporaryFile temporary(std::move(*created));

    OutputWriter writer(temporary.stream());
    if (!scan_input(in, writer)) {
        print_message(Message::input_read_failed);
        return -1;
    }
    in.close();
    if (!temporary.close() || writer.failed()) {
        print_message(Message::output_write_failed);
        return -1;
    }
    // A folder that took the output's name meanwhile leaves it just as unopenable.
    if (!temporary.move_to(output)) {
        print_message(Message::output_open_failed);
        return -1;
    }
    return 0;
}

}  // namespace hexfold
