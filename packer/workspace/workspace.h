#pragma once

#include <optional>
#include <string>
#include <vector>

namespace framestow {

// Cleans the staging folders of `working_path` and creates every missing workspace folder.
// Returns the staging files that could not be deleted; every folder is handled either way.
[[nodiscard]] std::vector<std::string> prepare_workspace(const std::string& working_path);

// The bare names that match `pattern` (a folder path followed by a wildcard), in the platform's
// search order, without names that begin with ".". Prints the count line, or the "Can't find"
// line when nothing matches.
std::vector<std::string> find_all_files(const std::string& pattern);

}  // namespace framestow
