#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iostream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

// Helpers shared by the packaging and mapping tests: a scratch workspace, whole-file reads and
// a capture of the console lines.
namespace framestow::testing {

// A fresh folder under the system's temporary folder, removed with its contents afterwards.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "framestow-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a scratch folder");
        }
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder's path with a trailing separator, as the packaging stage receives its folders.
    std::string folder() const { return path_.string() + "/"; }
    std::string path() const { return path_.string(); }

  private:
    std::filesystem::path path_;
};

inline void write_file(const std::string& path, std::string_view bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// `size` bytes that differ from picture to picture, so a misplaced picture shows.
inline std::string picture_bytes(std::size_t size, char seed) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(seed + static_cast<char>(i * 7));
    }
    return bytes;
}

// The lines joined, each ended with `line_end`.
inline std::string joined_lines(std::initializer_list<std::string_view> lines,
                                std::string_view line_end = "\n") {
    std::string text;
    for (std::string_view line : lines) {
        text.append(line).append(line_end);
    }
    return text;
}

inline std::string crlf_lines(std::initializer_list<std::string_view> lines) {
    return joined_lines(lines, "\r\n");
}

// Collects what is written to std::cout while it lives.
class ConsoleCapture {
  public:
    ConsoleCapture() : saved_(std::cout.rdbuf(captured_.rdbuf())) {}
    ~ConsoleCapture() { std::cout.rdbuf(saved_); }
    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;

    // The text so far, which is then forgotten.
    std::string take() {
        std::string text = captured_.str();
        captured_.str({});
        return text;
    }

  private:
    std::ostringstream captured_;
    std::streambuf* saved_;
};

}  // namespace framestow::testing
