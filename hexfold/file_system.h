#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>

// The file operations that the C++ library does not offer in the form Hexfold needs: creating a
// file only if no entry of the name exists, and replacing a file by another in one step. Each
// platform has its own file for them.
namespace hexfold {

// A file that create_file_beside made, open for writing in binary mode.
struct NewFile {
    std::filesystem::path path;
    std::FILE* stream = nullptr;
};

// Creates a new, empty file in the folder of `final_path`, under a name derived from it that no
// entry has yet, and opens it for writing: nothing that was there is truncated, and a link
// planted at such a name is never followed. The mode is that of any new file. Returns it, or
// nothing when no such file can be created there.
std::optional<NewFile> create_file_beside(const std::filesystem::path& final_path);

// Gives the file `from` the name `to`, replacing the file of that name, if any, in one step: a
// reader of `to` finds the old bytes or the new ones, never a mix. `from` and `to` lie in one
// folder. The new bytes are flushed to the disk before the name changes. False when it fails,
// with `to` as it was; a folder at `to` is never replaced.
bool replace_file(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace hexfold
