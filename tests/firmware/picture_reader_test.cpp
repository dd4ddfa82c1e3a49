#include "framestow/picture_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "utils/BitmapMapping.h"

// The picture reader against a small package in memory and a table of slots that stands in for
// the generated BitmapMapping.cpp: pictures of both body forms and an odd RGB565 one, read in
// chunks of every size, and every way a slot can fail.
namespace {

using Bytes = std::vector<uint8_t>;
using framestow::firmware::PictureReader;
using framestow::firmware::PictureResult;
using framestow::firmware::PictureStatus;

Bytes header(uint16_t magic, uint16_t format, uint16_t width, uint16_t height) {
    return {static_cast<uint8_t>(magic),  static_cast<uint8_t>(magic >> 8),
            static_cast<uint8_t>(format), static_cast<uint8_t>(format >> 8),
            static_cast<uint8_t>(width),  static_cast<uint8_t>(width >> 8),
            static_cast<uint8_t>(height), static_cast<uint8_t>(height >> 8)};
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

const Bytes kU0 = {1, 2, 3, 4};
const Bytes kU1 = {5, 6, 7, 8};
const Bytes kU2 = {9, 10, 11, 12};

// 3 x 2 pixels in the marker form: a literal, a run of four, a literal.
const Bytes kMarkerPicture =
    concat({header(0x2345, 0x8888, 3, 2), kU0, {0x89, 0x67, 0x45, 0x23}, kU1, {4, 0, 0, 0}, kU2});
// 2 x 2 pixels in the block form: one block of a literal and a run of three.
const Bytes kBlockPicture =
    concat({header(0x4567, 0x8888, 2, 2), {0, 0, 10}, kU0, {0x5F}, kU1, {3}});
// 3 x 1 RGB565 pixels: the last unit holds one pixel and two zero bytes.
const Bytes kOddRgb565Picture = concat({header(0x2345, 0xF565, 3, 1), kU0, {13, 14, 0, 0}});
const Bytes kBadMagicPicture =
    concat({header(0x1234, 0x8888, 3, 2), Bytes(kMarkerPicture.begin() + 8, kMarkerPicture.end())});

// 101 bytes.
const Bytes kPackage = concat({{0x55, 0x55, 0x55, 0x55, 1, 0, 0, 0},
                               kMarkerPicture,
                               kBlockPicture,
                               kOddRgb565Picture,
                               kBadMagicPicture});

constexpr uint32_t kMarkerAt = 8;
constexpr uint32_t kBlockAt = 36;
constexpr uint32_t kOddAt = 57;
constexpr uint32_t kBadAt = 73;

// The last 16 bytes below 4 GiB hold the start of the marker picture, as memory-mapped flash
// at the top of the address space could: only the reader's own check stops a slot that runs on
// past 4 GiB, to the package's first bytes.
constexpr uint32_t kTopOfMemory = 0xFFFFFFF0u;

// A worn part of the flash: it holds the marker picture, but every read there gives only half the
// bytes asked for.
constexpr uint32_t kWornFlash = 0x10000000u;

// Picture numbers 1 to 10 of application 1, all in gui01.bin.
const BitmapAttribute kSlots[] = {
    {kMarkerAt, 28},        // 1
    {kBlockAt, 0},          // 2: placeholder
    {kBlockAt, 21},         // 3
    {kOddAt, 16},           // 4
    {kMarkerAt, 27},        // 5: one byte short
    {kMarkerAt, 29},        // 6: one byte into the next picture
    {kBadAt, 28},           // 7
    {101, 4},               // 8: beyond the end of the package
    {kTopOfMemory, 0x20u},  // 9: past 4 GiB
    {kWornFlash, 28},       // 10: every read falls short
};

struct Device {
    std::string packages_read;
    std::size_t longest_read = 0;
    std::vector<Bytes> rows;
};

std::size_t read_package(void* context, const char* package, uint32_t offset, uint8_t* destination,
                         std::size_t length) {
    Device& device = *static_cast<Device*>(context);
    device.packages_read = package;
    device.longest_read = std::max(device.longest_read, length);
    if (std::strcmp(package, "gui01.bin") != 0) {
        return 0;
    }
    if (offset >= kTopOfMemory) {
        const std::size_t got = std::min<std::size_t>(length, 0u - offset);
        std::memcpy(destination, kMarkerPicture.data() + (offset - kTopOfMemory), got);
        return got;
    }
    if (offset >= kWornFlash && offset < kWornFlash + kMarkerPicture.size()) {
        const std::size_t got = std::min(length, kMarkerPicture.size() - (offset - kWornFlash)) / 2;
        std::memcpy(destination, kMarkerPicture.data() + (offset - kWornFlash), got);
        return got;
    }
    if (offset > kPackage.size()) {
        return 0;
    }
    const std::size_t got = std::min(length, kPackage.size() - offset);
    std::memcpy(destination, kPackage.data() + offset, got);
    return got;
}

void keep_row(void* context, uint16_t row, const uint8_t* pixels, std::size_t size) {
    Device& device = *static_cast<Device*>(context);
    EXPECT_EQ(row, device.rows.size());
    device.rows.emplace_back(pixels, pixels + size);
}

PictureResult read_with(Device& device, uint16_t app, uint16_t picture, std::size_t chunk_size,
                        std::size_t row_size) {
    Bytes chunk(std::max<std::size_t>(chunk_size, 1));  // a buffer even for chunk size 0
    Bytes row(row_size);
    const PictureReader reader{read_package, &device,    chunk.data(), chunk_size,
                               row.data(),   row.size(), keep_row};
    return framestow::firmware::read_picture(reader, app, picture);
}

TEST(FirmwareKit, EveryChunkAndRowBufferSizeGivesTheSameRows) {
    struct Case {
        uint16_t picture;
        uint16_t width;
        uint16_t height;
        uint16_t format;
        std::vector<Bytes> rows;
    };
    const Case cases[] = {
        {1, 3, 2, 0x8888, {concat({kU0, kU1, kU1}), concat({kU1, kU1, kU2})}},
        {3, 2, 2, 0x8888, {concat({kU0, kU1}), concat({kU1, kU1})}},
        {4, 3, 1, 0xF565, {{1, 2, 3, 4, 13, 14}}},
    };
    for (const Case& c : cases) {
        const std::size_t row_bytes = c.rows[0].size();
        for (std::size_t chunk = 1; chunk <= kSlots[c.picture - 1].size + 1; ++chunk) {
            for (const std::size_t row_size : {row_bytes, row_bytes + 3}) {
                SCOPED_TRACE("picture " + std::to_string(c.picture) + ", chunk " +
                             std::to_string(chunk) + ", row buffer " + std::to_string(row_size));
                Device device;
                const PictureResult result = read_with(device, 1, c.picture, chunk, row_size);
                ASSERT_EQ(result.status, PictureStatus::kDecoded)
                    << fsd_status_name(result.decoder_status);
                EXPECT_EQ(result.package, "gui01.bin");
                EXPECT_EQ(result.width, c.width);
                EXPECT_EQ(result.height, c.height);
                EXPECT_EQ(result.pixel_format, c.format);
                EXPECT_EQ(device.rows, c.rows);
                EXPECT_LE(device.longest_read, chunk);
            }
        }
    }
}

TEST(FirmwareKit, EveryFailureHasItsOwnResult) {
    using enum PictureStatus;
    struct Case {
        uint16_t app;
        uint16_t picture;
        PictureStatus status;
        fsd_status decoder_status = FSD_MORE;
        std::size_t row_size = 64;
        std::vector<std::size_t> chunks = {1, 5, 256};
    };
    const Case cases[] = {
        {0, 1, kNoSuchPicture},
        {1, 0, kNoSuchPicture},
        {1, 11, kNoSuchPicture},
        {1, 2, kPlaceholder},
        {1, 1, kBufferTooSmall, FSD_MORE, 11},
        {1, 1, kBufferTooSmall, FSD_MORE, 0},
        {1, 1, kBufferTooSmall, FSD_MORE, 64, {0}},
        {1, 5, kDecodeFailed, FSD_ERR_CUT_TOKEN},
        {1, 6, kDecodeFailed, FSD_ERR_TRAILING_BYTES},
        {1, 7, kDecodeFailed, FSD_ERR_MAGIC},
        {1, 8, kReadFailed},
        {1, 9, kReadFailed},
        {1, 10, kReadFailed},
    };
    for (const Case& c : cases) {
        for (const std::size_t chunk : c.chunks) {
            SCOPED_TRACE("app " + std::to_string(c.app) + ", picture " + std::to_string(c.picture) +
                         ", chunk " + std::to_string(chunk));
            Device device;
            const PictureResult result = read_with(device, c.app, c.picture, chunk, c.row_size);
            EXPECT_EQ(result.status, c.status);
            EXPECT_EQ(result.decoder_status, c.decoder_status);
            // Every picture that the look-up finds lies in gui01.bin.
            EXPECT_EQ(result.package, c.status == kNoSuchPicture ? "" : "gui01.bin");
        }
    }
    Bytes chunk(8);
    Bytes row(64);
    const PictureReader no_read{nullptr,    nullptr,    chunk.data(), chunk.size(),
                                row.data(), row.size(), keep_row};
    EXPECT_EQ(framestow::firmware::read_picture(no_read, 1, 1).status, kReadFailed);
}

TEST(FirmwareKit, SnprintfSFailsRatherThanCutTheText) {
    struct Case {
        std::size_t buffer_size;
        std::size_t count;
        int result;
        const char* text;
    };
    const Case cases[] = {
        {16, 15, 9, "gui07.bin"},  // as the generated look-up calls it
        {16, 9, 9, "gui07.bin"},   // exactly `count` characters
        {16, 8, -1, ""},           // one character more than `count`
        {9, 15, -1, ""},           // no room for the terminator
        {10, 15, 9, "gui07.bin"},  // `count` beyond the buffer: the buffer is the limit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("buffer " + std::to_string(c.buffer_size) + ", count " +
                     std::to_string(c.count));
        char buffer[16] = "untouched";
        EXPECT_EQ(snprintf_s(buffer, c.buffer_size, c.count, "gui%.2d.bin", 7), c.result);
        EXPECT_STREQ(buffer, c.text);
    }
    EXPECT_EQ(snprintf_s(nullptr, 16, 15, "gui%.2d.bin", 7), -1);
}

}  // namespace

const BitmapAttribute* BitmapMapping::GetPngOffset(uint16_t appIndex, uint16_t pngIndex,
                                                   std::string& binName) {
    if (appIndex != 1 || pngIndex == 0 || pngIndex > std::size(kSlots)) {
        return nullptr;
    }
    binName = "gui01.bin";
    return &kSlots[pngIndex - 1];
}
