#pragma once

#include <filesystem>

namespace hexfold {

// Converts the hexadecimal literals of the text file `input` into the bytes of the file
// `output` (created or truncated). Failures print their message and return -1: an input that
// cannot be opened or is a folder, an output that is the input file itself or cannot be opened,
// and an output that cannot be fully written, flushed and closed. A read error ends the input
// like its end does. Returns 0 once the output is complete; the completion message is the
// caller's.
int convert_file(const std::filesystem::path& input, const std::filesystem::path& output);

}  // namespace hexfold
