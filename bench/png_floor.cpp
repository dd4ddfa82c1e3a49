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
#include <csetjmp>
#include <cstdint>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "codec/picture_format.h"
#include "platform/platform.h"

namespace {

using framestow::platform::File;

struct Folders {
    std::string images;
    std::string reference;
    std::string out;
};

void read_from_file(png_structp png, png_bytep data, std::size_t length) {
    auto* file = static_cast<File*>(png_get_io_ptr(png));
    if (file->read(data, length) != length) {
        png_error(png, "Read Error");
    }
}

// libpng jumps back into these frames on a damaged file; nothing with a destructor lives in them.
bool read_header(png_structp png, png_infop info) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_read_info(png, info);
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
    png_read_update_info(png, info);
    return true;
}

bool read_rows(png_structp png, png_infop info, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_read_image(png, rows);
    png_read_end(png, info);
    return true;
}

// Decodes one PNG file into `bitmap`: the picture header, then the pixels rows back to back.
bool decode(File& file, std::vector<uint8_t>& bitmap, std::vector<png_bytep>& rows) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    bool decoded = false;
    if (info != nullptr) {
        png_set_read_fn(png, &file, read_from_file);
        if (read_header(png, info)) {
            const uint64_t row_bytes = png_get_rowbytes(png, info);
            const uint64_t width = png_get_image_width(png, info);
            const uint64_t height = png_get_image_height(png, info);
            if (row_bytes == width * 4 && row_bytes * height <= framestow::kMaxPixelBytes) {
                bitmap.resize(framestow::kPictureHeaderSize + row_bytes * height);
                framestow::store_picture_header(
                    bitmap.data(), {framestow::kMagicBitmap, framestow::kFormat32,
                                    static_cast<uint16_t>(width), static_cast<uint16_t>(height)});
                rows.resize(height);
                for (uint64_t y = 0; y < height; ++y) {
                    rows[y] = bitmap.data() + framestow::kPictureHeaderSize + y * row_bytes;
                }
                decoded = read_rows(png, info, rows.data());
            }
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return decoded;
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
