#pragma once

// Reads one picture of a framestow package the way a device does: GetPngOffset of the generated
// BitmapMapping.cpp says which package file holds it and where, the caller's read function
// fetches its compressed bytes chunk by chunk into the caller's buffer, and the decoder turns
// them into pixel rows, one at a time, in the caller's row buffer. Nothing is allocated and
// nothing is thrown; every buffer belongs to the caller.
//
//     framestow::firmware::PictureReader reader{read_from_flash, &flash, chunk, sizeof chunk,
//                                              row, sizeof row, draw_row};
//     framestow::firmware::PictureResult result = framestow::firmware::read_picture(reader, 1, 3);
//     if (result.status != framestow::firmware::PictureStatus::kDecoded) { ... }

#include <cstddef>
#include <cstdint>
#include <string>

#include "framestow_decoder.h"

namespace framestow::firmware {

// Reads `length` bytes at `offset` of the package file named `package` (such as "gui01.bin")
// into `destination` and returns how many it read. Fewer than `length` means the bytes cannot
// be had, and the picture fails with kReadFailed.
using PackageRead = std::size_t (*)(void* context, const char* package, uint32_t offset,
                                    uint8_t* destination, std::size_t length);

// Receives the rows of the picture in order, from row 0 at the top; `pixels` holds one row of
// `size` bytes, valid until the call returns.
using RowSink = void (*)(void* context, uint16_t row, const uint8_t* pixels, std::size_t size);

struct PictureReader {
    PackageRead read;
    void* context;  // given to `read` and `sink` as it is
    // Each read asks for at most chunk_size bytes: 256 for a small SPI flash page buffer, the
    // whole picture for memory-mapped flash.
    uint8_t* chunk;
    std::size_t chunk_size;
    // At least one row: width x 4 bytes for 32-bit pictures, width x 2 for RGB565 ones.
    uint8_t* row;
    std::size_t row_size;
    RowSink sink;  // may be null: the picture is then decoded and checked, and its rows dropped
};

enum class PictureStatus {
    kDecoded,         // every row went to the sink
    kNoSuchPicture,   // GetPngOffset knows no such application and picture number
    kPlaceholder,     // the picture number is in the table but has no picture (size 0)
    kReadFailed,      // the read function gave fewer bytes than asked, or there is none
    kBufferTooSmall,  // no chunk buffer, no row buffer, or a row buffer shorter than one row
    kDecodeFailed,    // the bytes are not a whole, well-formed picture: see decoder_status
};

struct PictureResult {
    PictureStatus status = PictureStatus::kNoSuchPicture;
    // The decoder's error for kDecodeFailed; FSD_ERR_TRAILING_BYTES also when the picture ends
    // before the bytes that the table gives it.
    fsd_status decoder_status = FSD_MORE;
    // Where the table places the picture; empty and 0 for kNoSuchPicture.
    std::string package;
    uint32_t offset = 0;
    uint32_t size = 0;
    // The picture header, once it has been read; 0 before.
    uint16_t width = 0;
    uint16_t height = 0;
    uint16_t pixel_format = 0;
};

// Reads and decodes picture `picture` of application `app` (both from 1).
PictureResult read_picture(const PictureReader& reader, uint16_t app, uint16_t picture);

// A short English name of a status, such as "read failed", for messages.
const char* picture_status_name(PictureStatus status);

}  // namespace framestow::firmware
