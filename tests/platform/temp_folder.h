#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace framestow::platform::testing {

// A fresh folder under the system's temporary folder, removed with everything in it at the end
// of the test.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Path text of `name` inside the folder.
    std::string operator/(std::string_view name) const;

  private:
    std::filesystem::path path_;
};

// Writes `bytes` to `path` exactly as given.
void write_bytes(const std::filesystem::path& path, std::string_view bytes);

}  // namespace framestow::platform::testing
