#pragma once

#include <optional>
#include <string>
#include <vector>

namespace framestow {

// Prints the banner, cleans and creates the workspace folders under the program's own folder,
// prints the working path and returns it. A staging file that cannot be deleted is named with
// "init_workspace: fail to delete file = " and its path, and the result is then empty: the run
// must not go on, since the stale file would be packed as if its picture were still there.
std::optional<std::string> init_workspace();

// Cleans and creates the workspace folders under a given working path; init_workspace passes the
// program's folder. Returns the staging files that could not be deleted; every folder is handled
// either way.
std::vector<std::string> prepare_workspace(const std::string& working_path);

// The bare names that match `pattern` (a folder path followed by a wildcard), in the platform's
// search order, without names that begin with ".". Prints the count line, or the "Can't find"
// line when nothing matches.
std::vector<std::string> find_all_files(const std::string& pattern);

}  // namespace framestow
