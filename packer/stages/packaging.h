#pragma once

#include <string>

namespace framestow {

// The packaging stage: from the compressed pictures in `zip_folder` (ending with a separator)
// writes the package files, BitmapMapping.cpp and BitmapMapping.xml into `output_folder` (ending
// with a separator), reading the package sections of `config_name` in `working_path`.
// Returns 0, or -1 when a picture name breaks the rule or a package or mapping file was lost.
[[nodiscard]] int generateBinFile(const std::string& working_path, const std::string& zip_folder,
                                  const std::string& output_folder, const std::string& config_name);

}  // namespace framestow
