#pragma once

#include <string>

#include "platform/platform.h"

namespace framestow {

// A file of the output folder on its way there: written under a temporary name beside its final
// one, and moved over the final name only once the whole packaging stage has succeeded, so that a
// failed run leaves the output folder as it was. Messages name the final path.
struct StagedOutput {
    std::string final_path;
    std::string temporary_path;  // empty when no temporary file was created, or once it is moved
    platform::File file;         // open for writing until the writer closes it
};

// `final_path` staged in a temporary file that this run alone created: no link or file that
// was at any name beside it is followed or truncated. The file is not open when none could be
// created; its writer reports that as a file that cannot be opened.
inline StagedOutput stage_output(const std::string& final_path) {
    platform::TemporaryFile temporary = platform::File::create_temporary_beside(final_path);
    return {final_path, std::move(temporary.path), std::move(temporary.file)};
}

}  // namespace framestow
