#include "codec/compressor.h"

#include <iostream>

#include "codec/codec.h"
#include "platform/platform.h"

namespace framestow {

int simpleZip(const std::string& compressed_path, const ImageBitmap& bitmap,
              PictureBuffers& buffers, const CodecSettings& settings, int32_t& compressed_size) {
    if (compressed_path.empty()) {
        std::cout << "simpleZip: ERR,outFile is NULL" << std::endl;
        return -1;
    }
    std::size_t size = 0;
    if (compress_picture(buffers.bitmap, bitmap, settings, buffers.compressed, size) != 0) {
        return -1;
    }
    platform::File file = platform::File::open_for_writing(compressed_path);
    if (!file.is_open()) {
        std::cout << "simpleZip: Error to open file." << compressed_path << std::endl;
        return -1;
    }
    const bool written = file.write(buffers.compressed.data(), size);
    if (!file.close() || !written) {
        std::cout << "simpleZip: Error to write file." << compressed_path << std::endl;
        return -1;
    }
    // The compressed buffer holds one picture buffer at most, so the size fits.
    compressed_size = static_cast<int32_t>(size);
    return 0;
}

}  // namespace framestow
