#include "support/temp_folder.h"

#include <random>
#include <stdexcept>
#include <system_error>

namespace framestow::testing {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    // A random name that nobody else holds: create_directory is false for an existing folder.
    std::random_device random;
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = base / ("framestow-test-" + std::to_string(random()));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder in " + base.string());
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

}  // namespace framestow::testing
