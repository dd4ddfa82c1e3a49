#pragma once

#include <filesystem>

namespace hexfold {

// Converts the hexadecimal literals of the text file `input` into the bytes of the file
// `output`. The bytes are written to a new file beside `output`, which replaces `output` only
// once the whole conversion has succeeded. Failures print their message and return -1, with
// `output` and its folder as they were: an input that cannot be opened or is a folder, or that
// cannot be read to its end; an output that is the input file itself, that cannot be replaced (a
// folder of that name), or whose temporary file cannot be created; a temporary file that cannot
// be fully written, flushed and closed. Returns 0 once the output is in place; the completion
// message is the caller's.
int convert_file(const std::filesystem::path& input, const std::filesystem::path& output);

}  // namespace hexfold
