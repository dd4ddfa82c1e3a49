// Counts what decoding costs on an emulated core, against a plain memcpy of the same bytes. For
// every picture that the generated BitmapMapping.cpp knows (applications and picture numbers
// from 1 to the highest given), it loads the picture's package file into RAM, decodes the
// picture from there row by row into a one-row buffer, then copies the same number of bytes,
// row by row, with memcpy; around each it reads the core's counter. It prints one line each:
//
//   <app> <picture> <width> <height> <pixel bytes> <decode count> <memcpy count>
//
// The counter is the RISC-V instruction counter, or on a Cortex-M the SysTick timer, which
// qemu -icount drives from the instructions run (one tick for a fixed number of them): the
// ratio of the two counts is the same either way.
//
// Exit status: 0 when every picture decoded, 1 when one did not, 2 for a wrong command line.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "framestow_decoder.h"
#include "utils/BitmapMapping.h"

namespace {

constexpr std::size_t kPackageBytes = 1u << 20;
constexpr std::size_t kRowBytes = 65535 * 4;

uint8_t package[kPackageBytes];
uint8_t row[kRowBytes];

#if defined(__riscv)
uint32_t counter() {
    uint32_t count;
    __asm__ volatile("rdinstret %0" : "=r"(count));
    return count;
}
void start_counter() {}
uint32_t counted(uint32_t since) {
    return counter() - since;
}
#else
// SysTick: a 24-bit down-counter, run from the processor clock.
volatile uint32_t* const kSysTick = reinterpret_cast<volatile uint32_t*>(0xE000E010u);
void start_counter() {
    kSysTick[1] = 0xFFFFFFu;  // reload value
    kSysTick[2] = 0;          // current value
    kSysTick[0] = 5;          // enabled, processor clock, no interrupt
}
uint32_t counter() {
    return kSysTick[2];
}
uint32_t counted(uint32_t since) {
    return (since - counter()) & 0xFFFFFFu;
}
#endif

bool load_package(const char* folder, const char* name, std::size_t& size) {
    char path[512];
    if (std::snprintf(path, sizeof path, "%s/%s", folder, name) >= static_cast<int>(sizeof path)) {
        return false;
    }
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return false;
    }
    size = std::fread(package, 1, sizeof package, file);
    std::fclose(file);
    return size < sizeof package;
}

// Decodes the picture at `in` row by row; false when it does not decode or a row does not fit.
bool decode_rows(const uint8_t* in, std::size_t size, fsd_decoder& decoder) {
    std::size_t used = 0;
    std::size_t made = 0;
    fsd_init(&decoder);
    fsd_status status = fsd_decode(&decoder, in, size, &used, row, 0, &made);
    if (!fsd_header_ready(&decoder) || fsd_row_bytes(&decoder) > sizeof row) {
        return false;
    }
    const std::size_t row_bytes = fsd_row_bytes(&decoder);
    while (status == FSD_MORE) {
        in += used;
        size -= used;
        status = fsd_decode(&decoder, in, size, &used, row, row_bytes, &made);
    }
    return status == FSD_DONE && used == size;
}

void copy_rows(std::size_t row_bytes, unsigned rows) {
    for (unsigned y = 0; y < rows; ++y) {
        // Two sources in turn, so that no copy repeats the one before it.
        std::memcpy(row, package + (y & 1u) * 4, row_bytes);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::printf("usage: decode-count <package folder> <highest app> <highest picture>\n");
        return 2;
    }
    const unsigned last_app = static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10));
    const unsigned last_picture = static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10));
    char loaded[32] = "";
    std::size_t package_size = 0;
    bool all_decoded = true;
    start_counter();
    for (unsigned app = 1; app <= last_app; ++app) {
        for (unsigned picture = 1; picture <= last_picture; ++picture) {
            std::string name;
            const BitmapAttribute* slot = BitmapMapping::GetPngOffset(
                static_cast<uint16_t>(app), static_cast<uint16_t>(picture), name);
            if (slot == nullptr || slot->size == 0) {
                continue;
            }
            if (std::strcmp(name.c_str(), loaded) != 0) {
                if (!load_package(argv[1], name.c_str(), package_size)) {
                    std::printf("%u %u cannot load %s\n", app, picture, name.c_str());
                    return 1;
                }
                std::snprintf(loaded, sizeof loaded, "%s", name.c_str());
            }
            if (slot->offset > package_size || slot->size > package_size - slot->offset) {
                std::printf("%u %u outside %s\n", app, picture, name.c_str());
                return 1;
            }
            fsd_decoder decoder;
            uint32_t since = counter();
            const bool decoded = decode_rows(package + slot->offset, slot->size, decoder);
            const uint32_t decode_count = counted(since);
            if (!decoded) {
                std::printf("%u %u does not decode\n", app, picture);
                all_decoded = false;
                continue;
            }
            since = counter();
            copy_rows(fsd_row_bytes(&decoder), decoder.height);
            const uint32_t copy_count = counted(since);
            std::printf("%u %u %u %u %lu %lu %lu\n", app, picture, decoder.width, decoder.height,
                        static_cast<unsigned long>(fsd_picture_bytes(&decoder)),
                        static_cast<unsigned long>(decode_count),
                        static_cast<unsigned long>(copy_count));
        }
    }
    return all_decoded ? 0 : 1;
}
