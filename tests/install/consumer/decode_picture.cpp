// Decodes one picture of the packages in an output folder the way a device does, through the
// generated look-up and the firmware kit's reader, and compares it with the packer's check file
// (its header, then the pixel bytes).
//
//   decode_picture <output folder> <check file> <application> <picture>
//
// Exit status: 0 when the picture equals the check file, 1 when it differs or does not decode,
// 2 for a wrong command line or a check file that cannot be read.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "framestow/picture_reader.h"

namespace {

namespace fw = framestow::firmware;

constexpr std::size_t kHeaderSize = 8;

// Reads from the package files of the output folder named by `context`.
std::size_t read_package(void* context, const char* package, uint32_t offset, uint8_t* to,
                         std::size_t length) {
    const std::string path = *static_cast<const std::string*>(context) + "/" + package;
    std::ifstream file(path, std::ios::binary);
    file.seekg(offset);
    file.read(reinterpret_cast<char*>(to), static_cast<std::streamsize>(length));
    return file ? length : static_cast<std::size_t>(file.gcount());
}

std::vector<uint8_t> decoded;

void keep_row(void*, uint16_t, const uint8_t* pixels, std::size_t size) {
    decoded.insert(decoded.end(), pixels, pixels + size);
}

uint16_t load_le16(const std::vector<uint8_t>& bytes, std::size_t at) {
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: decode_picture OUTPUT CHECK_FILE APP PICTURE\n");
        return 2;
    }
    std::string output = argv[1];
    uint8_t chunk[256];
    std::vector<uint8_t> row(65535 * 4);
    const fw::PictureReader reader{read_package, &output,    chunk,   sizeof chunk,
                                   row.data(),   row.size(), keep_row};
    const auto app = static_cast<uint16_t>(std::atoi(argv[3]));
    const auto picture = static_cast<uint16_t>(std::atoi(argv[4]));
    const fw::PictureResult result = fw::read_picture(reader, app, picture);
    if (result.status != fw::PictureStatus::kDecoded) {
        std::printf("%u %u: %s\n", app, picture, fw::picture_status_name(result.status));
        return 1;
    }

    std::ifstream check_file(argv[2], std::ios::binary);
    const std::vector<uint8_t> check{std::istreambuf_iterator<char>(check_file), {}};
    if (check.size() < kHeaderSize) {
        std::fprintf(stderr, "%s: no check file\n", argv[2]);
        return 2;
    }
    const bool same = result.pixel_format == load_le16(check, 2) &&
                      result.width == load_le16(check, 4) && result.height == load_le16(check, 6) &&
                      decoded == std::vector<uint8_t>(check.begin() + kHeaderSize, check.end());
    std::printf("%u %u: %s %s %u x %u, %zu pixel bytes, %s the check file\n", app, picture,
                result.package.c_str(), result.pixel_format == 0xF565 ? "RGB565" : "32-bit",
                result.width, result.height, decoded.size(), same ? "equal to" : "NOT equal to");
    return same ? 0 : 1;
}
