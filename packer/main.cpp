#include <exception>
#include <functional>
#include <iostream>
#include <new>
#include <optional>
#include <string>

#include "stages/packaging.h"
#include "stages/preparation.h"
#include "stages/startup.h"

namespace {

// Runs one stage. An exception that it lets out (memory that runs out, a thread the system
// refuses) fails the stage like any other failure, with its reason on standard error, instead of
// ending the program without a word.
bool run_stage(const char* stage, const std::function<bool()>& body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        std::cerr << "framestow: " << stage << ": out of memory" << std::endl;
    } catch (const std::exception& error) {
        std::cerr << "framestow: " << stage << ": " << error.what() << std::endl;
    }
    return false;
}

}  // namespace

int main() {
    std::optional<std::string> workspace;
    if (!run_stage("init_workspace", [&] {
            workspace = framestow::init_workspace();
            return workspace.has_value();
        })) {
        std::cout << "Error: init_workspace" << std::endl;
        return -1;
    }
    const std::string& working_path = *workspace;
    if (!run_stage("prepare_zip_files",
                   [&] { return framestow::prepare_zip_files(working_path) == 0; })) {
        std::cout << "Error: prepare_zip_files" << std::endl;
        return -1;
    }
    if (!run_stage("generateBinFile", [&] {
            return framestow::generateBinFile(working_path, framestow::zip_folder(working_path),
                                              framestow::output_folder(working_path),
                                              "config.ini") == 0;
        })) {
        std::cout << "Error: generateBinFile" << std::endl;
        return -1;
    }
    return 0;
}
