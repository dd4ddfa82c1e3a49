#include "support/files.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace framestow::testing {

namespace fs = std::filesystem;

namespace {

std::ofstream open_for_writing(const fs::path& path) {
    if (path.has_parent_path()) {
        fs::create_directories(path.parent_path());
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
    return out;
}

}  // namespace

std::vector<uint8_t> read_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string read_text(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_bytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
    open_for_writing(path).write(reinterpret_cast<const char*>(bytes.data()),
                                 static_cast<std::streamsize>(bytes.size()));
}

void write_text(const fs::path& path, std::string_view text) {
    open_for_writing(path).write(text.data(), static_cast<std::streamsize>(text.size()));
}

std::string picture_bytes(std::size_t size, char seed) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(seed + static_cast<char>(i * 7));
    }
    return bytes;
}

std::string joined_lines(std::initializer_list<std::string_view> lines, std::string_view line_end) {
    std::string text;
    for (std::string_view line : lines) {
        text.append(line).append(line_end);
    }
    return text;
}

std::string crlf_lines(std::initializer_list<std::string_view> lines) {
    return joined_lines(lines, "\r\n");
}

}  // namespace framestow::testing
