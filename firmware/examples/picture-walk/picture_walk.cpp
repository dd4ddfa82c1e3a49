// Decodes every picture of a workspace's packages the way a device would, and prints one line
// for each application and picture number it asks about:
//
//   <app> <picture> picture <package> <offset> <size> <width> <height> <format> <crc32>
//   <app> <picture> placeholder <package> <offset> 0
//   <app> <picture> none
//   <app> <picture> error <package> <what failed>
//
// <format> is the header's pixel format and <crc32> the CRC-32 (zlib's) of the picture's pixel
// bytes, both in hexadecimal. The pictures are found through the generated BitmapMapping.cpp
// that is compiled in, their bytes read from the package files in the folder given on the
// command line, 256 bytes at a time, and decoded one row at a time. The generated apps table is
// internal to its file, so the caller names the highest application and picture number, and
// the walk asks about every number from 0 to one past each.
//
// Exit status: 0 when every picture decoded, 1 when one did not, 2 for a wrong command line.
// Plain C and C++ library calls only: on the emulated board they reach the host's files and
// console through semihosting, on a PC they are the ordinary ones.

#include <cinttypes>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framestow/picture_reader.h"

namespace {

using framestow::firmware::PictureReader;
using framestow::firmware::PictureResult;
using framestow::firmware::PictureStatus;

constexpr std::size_t kReadSize = 256;
// One row of the widest picture the board must show; each board sets it to fit its RAM. Without
// it, the widest row a picture can have: 65535 pixels of 4 bytes.
#ifndef PICTURE_WALK_ROW_BYTES
#define PICTURE_WALK_ROW_BYTES (65535 * 4)
#endif
constexpr std::size_t kRowSize = PICTURE_WALK_ROW_BYTES;
constexpr std::size_t kPathSize = 512;
// fseek takes a long, which has 32 bits on the board: offsets from 2 GiB on are out of reach.
constexpr uint32_t kLargestSeek =
    LONG_MAX < UINT32_MAX ? static_cast<uint32_t>(LONG_MAX) : UINT32_MAX;

uint8_t chunk_buffer[kReadSize];
uint8_t row_buffer[kRowSize];

// The package file that is open, kept from one read to the next: pictures of one package are
// read one after the other.
struct Walk {
    const char* folder;
    char open_package[32];
    std::FILE* file;
    uint32_t crc;
};

uint32_t crc32_update(uint32_t crc, const uint8_t* bytes, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return crc;
}

bool open_package(Walk& walk, const char* package) {
    if (walk.file != nullptr && std::strcmp(walk.open_package, package) == 0) {
        return true;
    }
    if (walk.file != nullptr) {
        std::fclose(walk.file);
        walk.file = nullptr;
    }
    char path[kPathSize];
    const int length = std::snprintf(path, sizeof path, "%s/%s", walk.folder, package);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof path ||
        std::strlen(package) >= sizeof walk.open_package) {
        return false;
    }
    walk.file = std::fopen(path, "rb");
    if (walk.file == nullptr) {
        return false;
    }
    std::strcpy(walk.open_package, package);
    return true;
}

std::size_t read_package(void* context, const char* package, uint32_t offset, uint8_t* destination,
                         std::size_t length) {
    Walk& walk = *static_cast<Walk*>(context);
    if (offset > kLargestSeek || !open_package(walk, package) ||
        std::fseek(walk.file, static_cast<long>(offset), SEEK_SET) != 0) {
        return 0;
    }
    return std::fread(destination, 1, length, walk.file);
}

void add_row(void* context, uint16_t, const uint8_t* pixels, std::size_t size) {
    Walk& walk = *static_cast<Walk*>(context);
    walk.crc = crc32_update(walk.crc, pixels, size);
}

// Prints the line of one picture number; false when the picture is there but did not decode.
bool report(unsigned app, unsigned picture, const PictureResult& result, uint32_t crc) {
    std::printf("%u %u ", app, picture);
    switch (result.status) {
        case PictureStatus::kDecoded:
            std::printf("picture %s %" PRIu32 " %" PRIu32 " %u %u %04x %08" PRIx32 "\n",
                        result.package.c_str(), result.offset, result.size, result.width,
                        result.height, result.pixel_format, crc);
            return true;
        case PictureStatus::kPlaceholder:
            std::printf("placeholder %s %" PRIu32 " 0\n", result.package.c_str(), result.offset);
            return true;
        case PictureStatus::kNoSuchPicture:
            std::printf("none\n");
            return true;
        case PictureStatus::kDecodeFailed:
            std::printf("error %s %s: %s\n", result.package.c_str(),
                        framestow::firmware::picture_status_name(result.status),
                        fsd_status_name(result.decoder_status));
            return false;
        case PictureStatus::kReadFailed:
        case PictureStatus::kBufferTooSmall:
            break;
    }
    std::printf("error %s %s\n", result.package.c_str(),
                framestow::firmware::picture_status_name(result.status));
    return false;
}

// A decimal number from 0 to 65534, so that one past it is still a picture number.
bool parse_limit(const char* text, unsigned& limit) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (*text < '0' || *text > '9' || *end != '\0' || value > 65534) {
        return false;
    }
    limit = static_cast<unsigned>(value);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    unsigned last_app = 0;
    unsigned last_picture = 0;
    if (argc != 4 || !parse_limit(argv[2], last_app) || !parse_limit(argv[3], last_picture)) {
        std::printf("usage: picture-walk <package folder> <highest app> <highest picture>\n");
        return 2;
    }
    Walk walk{argv[1], {}, nullptr, 0};
    const PictureReader reader{
        read_package,      &walk,  chunk_buffer, sizeof chunk_buffer, row_buffer,
        sizeof row_buffer, add_row};
    bool all_decoded = true;
    for (unsigned app = 0; app <= last_app + 1; ++app) {
        for (unsigned picture = 0; picture <= last_picture + 1; ++picture) {
            walk.crc = 0xFFFFFFFFu;
            const PictureResult result = framestow::firmware::read_picture(
                reader, static_cast<uint16_t>(app), static_cast<uint16_t>(picture));
            all_decoded = report(app, picture, result, walk.crc ^ 0xFFFFFFFFu) && all_decoded;
        }
    }
    if (walk.file != nullptr) {
        std::fclose(walk.file);
    }
    return all_decoded ? 0 : 1;
}
