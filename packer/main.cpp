#include <iostream>

#include "stages/packaging.h"
#include "stages/preparation.h"
#include "stages/startup.h"

int main() {
    const std::string working_path = framestow::init_workspace();
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
