#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace framestow::testing {

// A fresh folder under the system's temporary folder, removed again with everything in it.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The path text of `name` inside the folder.
    std::string file(std::string_view name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

}  // namespace framestow::testing
