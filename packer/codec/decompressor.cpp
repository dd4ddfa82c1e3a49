#include "codec/decompressor.h"

#include <iostream>

#include "codec/codec.h"
#include "platform/platform.h"

namespace framestow {

namespace {

void report_check_file_error(const std::string& check_path) {
    std::cout << "BufferUnzip Error to open files = " << check_path << std::endl;
}

// The check file's header: the compressed header with the magic of raw pixels.
bool write_check_header(platform::File& file, const PictureHeader& compressed_header) {
    PictureHeader header = compressed_header;
    header.magic = kMagicBitmap;
    uint8_t bytes[kPictureHeaderSize];
    store_picture_header(bytes, header);
    return file.write(bytes, sizeof bytes);
}

}  // namespace

int BufferUnzip(const std::string& check_path, int32_t compressed_size, PictureBuffers& buffers,
                const CodecSettings& settings) {
    if (check_path.empty()) {
        std::cout << "BufferUnzip: ERR,outFile is NULL" << std::endl;
        return -1;
    }
    // Created before anything is tested, so a failed check leaves an empty or header-only file.
    platform::File file = platform::File::open_for_writing(check_path);
    if (!file.is_open()) {
        report_check_file_error(check_path);
        return -1;
    }
    if (compressed_size < 0 ||
        static_cast<std::size_t>(compressed_size) > buffers.compressed.size()) {
        return -1;
    }
    const std::span<const uint8_t> compressed(buffers.compressed.data(),
                                              static_cast<std::size_t>(compressed_size));
    PictureHeader header;
    if (BufferUnzipHeader(compressed, header) != 0) {
        return -1;
    }
    if (!write_check_header(file, header)) {
        report_check_file_error(check_path);
        return -1;
    }
    const std::span<const uint8_t> original_pixels =
        std::span<const uint8_t>(buffers.bitmap).subspan(kPictureHeaderSize);
    DecodedPicture picture;
    if (check_picture(compressed, original_pixels, settings, buffers.decoded, picture) != 0) {
        return -1;
    }
    const bool written = file.write(buffers.decoded.data(), picture.pixel_bytes);
    if (!file.close() || !written) {
        report_check_file_error(check_path);
        return -1;
    }
    return 0;
}

}  // namespace framestow
