#pragma once

#include <string>

namespace framestow {

// A file of the output folder on its way there: written under a temporary name beside its final
// one, and moved over the final name only once the whole packaging stage has succeeded, so that a
// failed run leaves the output folder as it was. Messages name the final path.
struct StagedOutput {
    std::string final_path;
    std::string temporary_path;
};

// The temporary name of `final_path`: the same name with ".partial" added.
inline StagedOutput staged_output(const std::string& final_path) {
    return {final_path, final_path + ".partial"};
}

}  // namespace framestow
