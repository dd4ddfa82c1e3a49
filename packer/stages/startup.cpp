#include "stages/startup.h"

#include <iostream>
#include <vector>

#include "platform/platform.h"
#include "workspace/workspace.h"

namespace framestow {

std::optional<std::string> init_workspace() {
    std::cout << "    Framestow1.4: The tool to generate gui.bin from png files" << std::endl;
    std::cout << "Please download guixx.bin to flash and copy BitmapMapping.cpp to project."
              << std::endl;
    const std::string working_path = platform::program_folder();
    const std::vector<std::string> undeleted = prepare_workspace(working_path);
    for (const std::string& path : undeleted) {
        std::cout << "init_workspace: fail to delete file = " << path << std::endl;
    }
    std::cout << std::endl;
    std::cout << "Working path is: " << working_path << std::endl;
    if (!undeleted.empty()) {
        return std::nullopt;
    }
    return working_path;
}

std::string zip_folder(const std::string& working_path) {
    return working_path + platform::path_literal("\\temp\\image_zip\\");
}

std::string output_folder(const std::string& working_path) {
    return working_path + platform::path_literal("\\output\\");
}

}  // namespace framestow
