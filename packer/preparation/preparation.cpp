#include "preparation/preparation.h"

#include <iostream>
#include <vector>

#include "codec/compressor.h"
#include "codec/decompressor.h"
#include "image_input/bmp_loader.h"
#include "image_input/png_loader.h"
#include "platform/platform.h"
#include "workspace/settings.h"
#include "workspace/workspace.h"

namespace framestow {

namespace {

// Pictures are numbered on progress lines of twenty.
constexpr std::size_t kProgressPerLine = 20;

// The staging paths of one picture: every staging file keeps the picture's own name.
struct PictureJob {
    std::string source_path;
    std::string bitmap_path;
    std::string compressed_path;
    std::string check_path;
};

PictureJob make_job(const std::string& working_path, const std::string& name) {
    using platform::path_literal;
    return PictureJob{
        working_path + path_literal("\\image\\") + name,
        working_path + path_literal("\\temp\\image_bitmap\\") + name,
        working_path + path_literal("\\temp\\image_zip\\") + name,
        working_path + path_literal("\\temp\\image_unzip\\") + name,
    };
}

// PNG names first, then BMP names, each group in the platform's search order.
std::vector<std::string> list_pictures(const std::string& png_pattern,
                                       const std::string& bmp_pattern) {
    std::vector<std::string> names = find_all_files(png_pattern);
    const std::vector<std::string> bmp_names = find_all_files(bmp_pattern);
    names.insert(names.end(), bmp_names.begin(), bmp_names.end());
    return names;
}

// The loader is chosen by content, not by extension: only a file without the PNG signature goes
// on to the BMP loader.
int load_picture(const PictureJob& job, PictureBuffers& buffers, ImageBitmap& bitmap) {
    const int png_result = LoadPngImage(job.source_path, job.bitmap_path, buffers, bitmap);
    if (png_result == 0) {
        return 0;
    }
    if (png_result != kNotPngFile) {
        std::cout << "Error: LoadPngImage for " << job.source_path << std::endl;
        return png_result;
    }
    const int bmp_result = load_bmp_image(job.source_path, job.bitmap_path, buffers, bitmap);
    if (bmp_result != 0) {
        std::cout << "Error: LoadBmpImage for " << job.source_path << "result is" << bmp_result
                  << std::endl;
    }
    return bmp_result;
}

int prepare_picture(const PictureJob& job, PictureBuffers& buffers, const CodecSettings& settings) {
    ImageBitmap bitmap;
    const int load_result = load_picture(job, buffers, bitmap);
    if (load_result != 0) {
        return load_result;
    }
    int32_t compressed_size = 0;
    const int zip_result =
        simpleZip(job.compressed_path, bitmap, buffers, settings, compressed_size);
    if (zip_result != 0) {
        std::cout << "Error: convertBitmaptoZip for " << job.compressed_path << std::endl;
        return zip_result;
    }
    const int check_result = BufferUnzip(job.check_path, compressed_size, buffers, settings);
    if (check_result != 0) {
        // The compressed path, not the check path, names the picture that failed.
        std::cout << "Error: convertZiptoUnzip for " << job.compressed_path << std::endl;
        return check_result;
    }
    return 0;
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
        // Marks one picture name on the console; the picture itself is handled like any other.
        if (names[i] == "A012_010.png") {
            std::cout << "Error" << std::endl;
        }
        result = prepare_picture(make_job(working_path, names[i]), buffers, settings);
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
