#pragma once

#include <optional>
#include <string>

namespace framestow {

// Start-up: prints the banner, cleans and creates the workspace folders in `working_path` (the
// program's own folder for the copied program), prints the working path and returns it. A staging
// file that cannot be deleted is named with "init_workspace: fail to delete file = " and its
// path, and the result is then empty: the run must not go on, since the stale file would be
// packed as if its picture were still there.
[[nodiscard]] std::optional<std::string> init_workspace(const std::string& working_path);

// The whole run on the workspace at `working_path`: start-up, the pictures, the packages, each
// stage's failure line. Returns the exit status, 0 or -1.
int pack_workspace(const std::string& working_path);

// The run of a program copied into a workspace: on the folder of its own program file.
int pack_program_folder();

// The run on a workspace named by the user. A folder without image/ or config.ini is refused with
// one line on standard error, "<program>: <folder>: not a workspace: ...", and
// kNotAWorkspace; otherwise the run works on the folder's full path, as the copied program does.
constexpr int kNotAWorkspace = 2;
int pack_named_workspace(const std::string& folder, const std::string& program);

// The folders the packaging stage is given, each ending with a separator.
std::string zip_folder(const std::string& working_path);
std::string output_folder(const std::string& working_path);

}  // namespace framestow
