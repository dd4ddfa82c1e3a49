#include <iostream>

#include "packaging/bin_generation.h"
#include "platform/platform.h"
#include "preparation/preparation.h"
#include "workspace/workspace.h"

int main() {
    using framestow::platform::path_literal;
    const std::string working_path = framestow::init_workspace();
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
