#pragma once

#include <string>
#include <vector>

namespace framestow {

// Prints the banner, cleans and creates the workspace folders under the program's own folder,
// prints the working path and returns it.
std::string init_workspace();

// The same for a given working path; init_workspace passes the program's folder.
void prepare_workspace(const std::string& working_path);

// The bare names that match `pattern` (a folder path followed by a wildcard), in the platform's
// search order, without names that begin with ".". Prints the count line, or the "Can't find"
// line when nothing matches.
std::vector<std::string> find_all_files(const std::string& pattern);

}  // namespace framestow
