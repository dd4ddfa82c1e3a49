#include "stages/startup.h"

#include <exception>
#include <functional>
#include <iostream>
#include <new>
#include <vector>

#include "platform/platform.h"
#include "stages/packaging.h"
#include "stages/preparation.h"
#include "workspace/workspace.h"

namespace framestow {

namespace {

// Why `folder` is no workspace, or empty when it holds image/ and config.ini.
std::optional<std::string> not_a_workspace(const std::string& folder) {
    constexpr const char* kWhatItHolds =
        " (a workspace holds the pictures in image/ and the settings in config.ini)";
    if (!platform::folder_exists(folder)) {
        return "not a folder";
    }
    if (!platform::folder_exists(folder + platform::path_literal("\\image"))) {
        return std::string("not a workspace: it has no image/ folder") + kWhatItHolds;
    }
    if (!platform::File::open_for_reading(folder + platform::path_literal("\\config.ini"))
             .is_open()) {
        return std::string("not a workspace: it has no config.ini") + kWhatItHolds;
    }
    return std::nullopt;
}

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

std::optional<std::string> init_workspace(const std::string& working_path) {
    std::cout << "    Framestow1.4: The tool to generate gui.bin from png files" << std::endl;
    std::cout << "Please download guixx.bin to flash and copy BitmapMapping.cpp to project."
              << std::endl;
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

int pack_workspace(const std::string& working_path) {
    if (!run_stage("init_workspace", [&] { return init_workspace(working_path).has_value(); })) {
        std::cout << "Error: init_workspace" << std::endl;
        return -1;
    }
    if (!run_stage("prepare_zip_files", [&] { return prepare_zip_files(working_path) == 0; })) {
        std::cout << "Error: prepare_zip_files" << std::endl;
        return -1;
    }
    if (!run_stage("generateBinFile", [&] {
            return generateBinFile(working_path, zip_folder(working_path),
                                   output_folder(working_path), "config.ini") == 0;
        })) {
        std::cout << "Error: generateBinFile" << std::endl;
        return -1;
    }
    return 0;
}

int pack_program_folder() {
    return pack_workspace(platform::program_folder());
}

int pack_named_workspace(const std::string& folder, const std::string& program) {
    if (const std::optional<std::string> why = not_a_workspace(folder)) {
        std::cerr << program << ": " << folder << ": " << *why << '\n';
        return kNotAWorkspace;
    }
    return pack_workspace(platform::full_folder_path(folder));
}

}  // namespace framestow
