#include "converter.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <span>
#include <system_error>

#include "console.h"
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

// Reads the whole input through the scanner, a chunk at a time. A read error ends the input as
// its end does, so the scan always finishes; it also stops once the output has failed.
void scan_input(std::ifstream& input, OutputWriter& writer) {
    Scanner scanner(writer);
    std::array<char, chunk_size> chunk{};
    while (input && !writer.failed()) {
        input.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto got = static_cast<std::size_t>(input.gcount());
        scanner.feed(std::span(reinterpret_cast<const std::uint8_t*>(chunk.data()), got));
    }
    scanner.finish();
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
    // Opening the input itself for writing would empty it before it is read.
    if (is_same_file(input, output)) {
        print_message(Message::output_open_failed);
        return -1;
    }
    std::ofstream out(output, std::ios::binary | std::ios::in | std::ios::out | std::ios::trunc);
    if (!out.is_open()) {
        print_message(Message::output_open_failed);
        return -1;
    }

    OutputWriter writer(out);
    scan_input(in, writer);
    in.close();
    if (!writer.close()) {
        print_message(Message::output_write_failed);
        return -1;
    }
    return 0;
}

}  // namespace hexfold
