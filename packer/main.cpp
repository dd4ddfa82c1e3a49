#include <iostream>
#include <optional>
#include <string>

#include "stages/packaging.h"
#include "stages/preparation.h"
#include "stages/startup.h"

int main() {
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
    if (framestow::generateBinFile(working_path, framestow::zip_folder(working_path),
                                   framestow::output_folder(working_path), "config.ini") != 0) {
        std::cout << "Error: generateBinFile" << std::endl;
        return -1;
    }
    return 0;
}
