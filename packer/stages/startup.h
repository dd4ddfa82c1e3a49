#pragma once

#include <string>

namespace framestow {

// Start-up: prints the banner, takes the program's own folder as the working path, cleans and
// creates the workspace folders there, prints the working path and returns it.
std::string init_workspace();

// The folders the packaging stage is given, each ending with a separator.
std::string zip_folder(const std::string& working_path);
std::string output_folder(const std::string& working_path);

}  // namespace framestow
