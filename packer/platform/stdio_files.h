#pragma once

#include <cstdio>
#include <string>

// Binary C streams opened the way the checked File needs; each platform file provides them with
// its own system's calls.
namespace framestow::platform {

// `path` opened for reading, when it is a regular file (a link to one is followed). Anything else
// (a folder, a FIFO, a device, a link to one) is refused without being opened for reading, and
// the opening never waits, even when the entry is swapped for a FIFO meanwhile. Null when
// refused or when opening fails.
[[nodiscard]] std::FILE* open_regular_stream(const std::string& path);

// A new file at `path`, created for writing only if no entry of that name exists (a link, even
// one that leads nowhere, counts as an entry and is never followed), with the mode of any new
// file. Null when it could not be created; `name_taken` then tells whether the name was in use.
[[nodiscard]] std::FILE* create_new_stream(const std::string& path, bool& name_taken);

}  // namespace framestow::platform
