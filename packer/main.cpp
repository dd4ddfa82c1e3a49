#include <iostream>
#include <optional>
#include <string>

#include "packaging/bin_generation.h"
#include "platform/platform.h"
#include "preparation/preparation.h"
#include "workspace/workspace.h"

int main() {
    using framestow::platform::path_literal;
    const std::optional<std::string> workspace = framestow::init_workspace();
    if (!workspace) {
        std::cout << "Error: init_workspace" << std::endl;
        return -1;
    }
    const std::string& working_path = *workspace;
    if (framestow::prepare_zip_files(working_path) != 0) {
        std::cout << "Error: prepare_zip_files" << std::endl;
        return -1;
    }
    if (framestow::generateBinFile(working_path, working_path + path_literal("\\temp\\image_zip\\"),
                                   working_path + path_literal("\\output\\"), "config.ini") != 0) {
        std::cout << "Error: generateBinFile" << std::endl;
        return -1;
    }
    return 0;
}
