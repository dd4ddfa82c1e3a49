#include "stages/preparation.h"

#include <iostream>
#include <vector>

#include "platform/platform.h"
#include "stages/picture_steps.h"
#include "stages/settings.h"
#include "workspace/workspace.h"

namespace framestow {

namespace {

// Pictures are numbered on progress lines of twenty.
constexpr std::size_t kProgressPerLine = 20;

// PNG names first, then BMP names, each group in the platform's search order.
std::vector<std::string> list_pictures(const std::string& png_pattern,
                                       const std::string& bmp_pattern) {
    std::vector<std::string> names = find_all_files(png_pattern);
    const std::vector<std::string> bmp_names = find_all_files(bmp_pattern);
    names.insert(names.end(), bmp_names.begin(), bmp_names.end());
    return names;
}

void print_progress(std::size_t index) {
    if (index % kProgressPerLine == 0) {
        std::cout << std::endl;
    } else {
        std::cout << " ";
    }
    std::cout << index;
}

}  // namespace

int prepare_zip_files(const std::string& working_path) {
    using platform::path_literal;
    const std::string png_pattern = working_path + path_literal("\\image\\*.png");
    const std::string bmp_pattern = working_path + path_literal("\\image\\*.bmp");
    const std::vector<std::string> names = list_pictures(png_pattern, bmp_pattern);
    if (names.empty()) {
        std::cout << "The path is empty: " << bmp_pattern << "and " << png_pattern << std::endl;
        std::cout << std::endl;
        return -1;
    }

    // Read once for the run: config.ini does not change while the packer works.
    const CodecSettings settings = read_codec_settings(working_path + path_literal("\\config.ini"));
    PictureBuffers buffers;

    std::cout << "Zipping bitmap files:";
    int result = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        // The tool has always marked this one picture name with a line "Error" on the console,
        // and users' scripts may look for it; the picture itself is handled like any other.
        if (names[i] == "A012_010.png") {
            std::cout << "Error" << std::endl;
        }
        const PictureJob job = make_picture_job(working_path, names[i]);
        result = commit_picture(job, prepare_picture(job, settings, buffers), buffers);
        if (result != 0) {
            break;
        }
        print_progress(i);
    }
    std::cout << std::endl;
    std::cout << std::endl;
    return result;
}

}  // namespace framestow
