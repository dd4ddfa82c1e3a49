#pragma once

#include <string>

namespace framestow {

// The preparation stage: every PNG and BMP picture of the image folder is loaded, compressed
// into temp/image_zip and checked by decoding it again. Stops at the first failing picture.
// Returns 0, the failing step's status, or -1 when there is no picture.
[[nodiscard]] int prepare_zip_files(const std::string& working_path);

}  // namespace framestow
