#pragma once

#include <cstdint>
#include <string>

#include "codec/compression_settings.h"
#include "codec/picture_format.h"

namespace framestow {

// The round-trip check: decodes the `compressed_size` bytes of buffers.compressed into
// buffers.decoded, compares the pixels with those still in buffers.bitmap, and writes the check
// file to `check_path`. Returns 0 when the check passes, -1 otherwise.
int BufferUnzip(const std::string& check_path, int32_t compressed_size, PictureBuffers& buffers,
                const CodecSettings& settings);

}  // namespace framestow
