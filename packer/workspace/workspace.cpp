#include "workspace/workspace.h"

#include <iostream>

#include "platform/platform.h"

namespace framestow {

namespace {

struct WorkspaceFolder {
    const char* literal;  // appended to the working path
    bool cleaned;         // its files are deleted at start-up
};

// The order matters: temp is created before the staging folders inside it.
constexpr WorkspaceFolder kWorkspaceFolders[] = {
    {"\\image\\", false},
    {"\\temp\\", true},
    {"\\temp\\image_bitmap\\", true},
    {"\\temp\\image_zip\\", true},
    {"\\temp\\image_unzip\\", true},
    {"\\output\\", false},
};

}  // namespace

std::vector<std::string> prepare_workspace(const std::string& working_path) {
    std::vector<std::string> undeleted;
    for (const WorkspaceFolder& folder : kWorkspaceFolders) {
        const std::string path = working_path + platform::path_literal(folder.literal);
        if (folder.cleaned && platform::folder_exists(path)) {
            const std::vector<std::string> kept = platform::delete_files_in(path);
            undeleted.insert(undeleted.end(), kept.begin(), kept.end());
        }
        // A folder that cannot be created shows up as a failure of the first step that writes
        // into it, with that step's own message, so the result is not needed here.
        if (!platform::folder_exists(path)) {
            [[maybe_unused]] const bool created = platform::create_folder(path);
        }
    }
    return undeleted;
}

std::vector<std::string> find_all_files(const std::string& pattern) {
    const std::vector<std::string> entries = platform::wildcard_search(pattern);
    if (entries.empty()) {
        std::cout << "Can't find the files in the path: " << pattern << std::endl;
        return {};
    }
    std::vector<std::string> names;
    for (const std::string& name : entries) {
        // Skips "." and ".." and every hidden file alike.
        if (!name.empty() && name[0] != '.') {
            names.push_back(name);
        }
    }
    std::cout << "find_all_files: count: " << names.size() << " with: " << pattern << std::endl;
    return names;
}

}  // namespace framestow
