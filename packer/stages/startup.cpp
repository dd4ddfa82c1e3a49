#include "stages/startup.h"

#include <iostream>

#include "platform/platform.h"
#include "workspace/workspace.h"

namespace framestow {

std::string init_workspace() {
    std::cout << "    Framestow1.4: The tool to generate gui.bin from png files" << std::endl;
    std::cout << "Please download guixx.bin to flash and copy BitmapMapping.cpp to project."
              << std::endl;
    const std::string working_path = platform::program_folder();
    prepare_workspace(working_path);
    std::cout << std::endl;
    std::cout << "Working path is: " << working_path << std::endl;
    return working_path;
}

std::string zip_folder(const std::string& working_path) {
    return working_path + platform::path_literal("\\temp\\image_zip\\");
}

std::string output_folder(const std::string& working_path) {
    return working_path + platform::path_literal("\\output\\");
}

}  // namespace framestow
