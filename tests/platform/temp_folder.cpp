#include "temp_folder.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

namespace framestow::platform::testing {

TempFolder::TempFolder() {
    std::string name = (std::filesystem::temp_directory_path() / "framestow_platform_XXXXXX");
    if (::mkdtemp(name.data()) == nullptr) {
        ADD_FAILURE() << "mkdtemp failed for " << name;
    }
    path_ = name;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempFolder::operator/(std::string_view name) const {
    return path_ / name;
}

void write_bytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

}  // namespace framestow::platform::testing
