#pragma once

#include <optional>
#include <string>

namespace framestow {

// Start-up: prints the banner, takes the program's own folder as the working path, cleans and
// creates the workspace folders there, prints the working path and returns it. A staging file
// that cannot be deleted is named with "init_workspace: fail to delete file = " and its path, and
// the result is then empty: the run must not go on, since the stale file would be packed as if
// its picture were still there.
[[nodiscard]] std::optional<std::string> init_workspace();

// The folders the packaging stage is given, each ending with a separator.
std::string zip_folder(const std::string& working_path);
std::string output_folder(const std::string& working_path);

}  // namespace framestow
