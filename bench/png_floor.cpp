// The floor of the end-to-end timing: what no packer can skip. It decodes every PNG file of a
// folder with libpng, with the transforms the packer's loader asks for, and writes what a packer
// run writes: for each picture the bitmap file, the compressed image file and the check file, then
// the package and mapping files. It computes no compression and no check: the compressed files and
// the outputs are copied from a packer run (REFERENCE/image_zip, REFERENCE/output), and the check
// file of a sound picture holds the bytes of its bitmap file. Pictures are shared out among
// THREADS threads, each with its own buffers, as the packer's workers do.
//
//   png_floor IMAGE_FOLDER REFERENCE OUT THREADS
//
// Writes OUT/image_bitmap, OUT/image_zip, OUT/image_unzip and OUT/output (folders made when
// missing). Prints the number of pictures. Exit status 0, or 1 when a file cannot be read,
// decoded or written.

#include <png.h>

#include <atomic>
#include <cstdint>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "codec/picture_format.h"
#include "platform/platform.h"
#include "png_reading.h"

namespace {

using framestow::platform::File;

struct Folders {
    std::string images;
    std::string reference;
    std::string out;
};

// The transforms the packer's loader asks for: blue first for pictures with alpha, red first
// and widened to four bytes for those without.
void set_transforms(png_structp png, png_infop info) {
    png_set_expand(png);
    png_set_strip_16(png);
    const png_byte colour = png_get_color_type(png, info);
    if ((colour & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0) {
        png_set_bgr(png);
    } else {
        // Three-byte pixels are widened to four, as the packer stores them.
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    }
    png_set_gray_to_rgb(png);
    png_set_interlace_handling(png);
}

// Decodes one PNG file into `bitmap`: the picture header, then the pixels rows back to back.
bool decode(File& file, std::vector<uint8_t>& bitmap, std::vector<png_bytep>& rows) {
    return framestow::bench::decode_png(
        file, set_transforms,
        [&bitmap](uint64_t row_bytes, uint64_t width, uint64_t height) -> uint8_t* {
            if (row_bytes != width * 4 || row_bytes * height > framestow::kMaxPixelBytes) {
                return nullptr;
            }
            bitmap.resize(framestow::kPictureHeaderSize + row_bytes * height);
            framestow::store_picture_header(
                bitmap.data(), {framestow::kMagicBitmap, framestow::kFormat32,
                                static_cast<uint16_t>(width), static_cast<uint16_t>(height)});
            return bitmap.data() + framestow::kPictureHeaderSize;
        },
        rows);
}

bool write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    File file = File::open_for_writing(path);
    const bool written = file.is_open() && file.write(bytes.data(), bytes.size());
    return file.close() && written;
}

bool read_file(const std::string& path, std::vector<uint8_t>& bytes) {
    File file = File::open_for_reading(path);
    const std::optional<uint64_t> length = file.length();
    if (!length) {
        return false;
    }
    bytes.resize(*length);
    return file.read(bytes.data(), bytes.size()) == bytes.size() && !file.read_failed();
}

// One picture: decoded, then its three staging files written.
bool stage_picture(const Folders& folders, const std::string& name, std::vector<uint8_t>& bitmap,
                   std::vector<uint8_t>& compressed, std::vector<png_bytep>& rows) {
    File file = File::open_for_reading(folders.images + "/" + name);
    return file.is_open() && decode(file, bitmap, rows) &&
           read_file(folders.reference + "/image_zip/" + name, compressed) &&
           write_file(folders.out + "/image_bitmap/" + name, bitmap) &&
           write_file(folders.out + "/image_zip/" + name, compressed) &&
           write_file(folders.out + "/image_unzip/" + name, bitmap);
}

// Takes pictures by number until none is left; false when one of them failed.
void stage_pictures(const Folders& folders, const std::vector<std::string>& names,
                    std::atomic<std::size_t>& next, std::atomic<bool>& failed) {
    std::vector<uint8_t> bitmap;
    bitmap.reserve(framestow::kPictureBufferSize);
    std::vector<uint8_t> compressed;
    std::vector<png_bytep> rows;
    for (std::size_t i = next++; i < names.size() && !failed; i = next++) {
        if (!stage_picture(folders, names[i], bitmap, compressed, rows)) {
            std::cout << "png_floor: cannot stage " << names[i] << std::endl;
            failed = true;
        }
    }
}

bool copy_outputs(const Folders& folders) {
    std::vector<uint8_t> bytes;
    for (const std::string& name :
         framestow::platform::wildcard_search(folders.reference + "/output/*.*")) {
        if (name == "." || name == "..") {
            continue;
        }
        if (!read_file(folders.reference + "/output/" + name, bytes) ||
            !write_file(folders.out + "/output/" + name, bytes)) {
            std::cout << "png_floor: cannot copy " << name << std::endl;
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5 || std::stoul(argv[4]) == 0) {
        std::cout << "usage: png_floor IMAGE_FOLDER REFERENCE OUT THREADS" << std::endl;
        return 2;
    }
    const Folders folders{argv[1], argv[2], argv[3]};
    const unsigned threads = static_cast<unsigned>(std::stoul(argv[4]));
    for (const char* folder : {"", "/image_bitmap", "/image_zip", "/image_unzip", "/output"}) {
        [[maybe_unused]] const bool created =
            framestow::platform::create_folder(folders.out + folder);
    }
    const std::vector<std::string> names =
        framestow::platform::wildcard_search(folders.images + "/*.png");
    std::atomic<std::size_t> next = 0;
    std::atomic<bool> failed = false;
    {
        std::vector<std::jthread> workers;
        for (unsigned k = 0; k < threads; ++k) {
            workers.emplace_back(stage_pictures, std::cref(folders), std::cref(names),
                                 std::ref(next), std::ref(failed));
        }
    }
    if (failed || !copy_outputs(folders)) {
        return 1;
    }
    std::cout << "png_floor: " << names.size() << " pictures" << std::endl;
    return 0;
}
