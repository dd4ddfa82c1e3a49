#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// Whole files read and written as the tests need them, and the text forms the tool writes.
namespace framestow::testing {

std::vector<uint8_t> read_bytes(const std::filesystem::path& path);
std::string read_text(const std::filesystem::path& path);

// Write a whole file, making its folder first when it is missing.
void write_bytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
void write_text(const std::filesystem::path& path, std::string_view text);

// `size` bytes that differ from picture to picture, so that a misplaced picture shows.
std::string picture_bytes(std::size_t size, char seed);

// The lines joined, each ended with `line_end`.
std::string joined_lines(std::initializer_list<std::string_view> lines,
                         std::string_view line_end = "\n");
// The same with CR LF, as BitmapMapping.cpp and BitmapMapping.xml end their lines.
std::string crlf_lines(std::initializer_list<std::string_view> lines);

}  // namespace framestow::testing
