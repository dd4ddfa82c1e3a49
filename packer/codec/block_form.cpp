#include "codec/block_form.h"

#include <algorithm>
#include <cstring>

#include "codec/byte_order.h"
#include "codec/picture_format.h"
#include "codec/unit_runs.h"

namespace framestow {

using detail::kUnitSize;

namespace {

uint32_t take_unit(const uint8_t* units, std::size_t index) {
    return block_form_unit(detail::load_unit(units, index));
}

// One past the last unit of the run of `value` that starts at `index`. Units are compared as
// they read after the 0x5F change, which can join a unit to the run it follows; only a run whose
// unit begins with 0x5E can take in such a unit.
std::size_t run_end(const uint8_t* units, std::size_t index, std::size_t count, uint32_t value) {
    std::size_t end = detail::skip_equal_units(units, index + 1, count, value);
    if ((value & 0xFFu) != kRunByteStandIn) {
        return end;
    }
    while (end < count && take_unit(units, end) == value) {
        end = detail::skip_equal_units(units, end + 1, count, value);
    }
    return end;
}

// Where the block writer stands: the open block's header position, the next write position and
// the open block's content length.
struct BlockCursor {
    std::size_t block_start = 0;
    std::size_t position = 0;
    std::size_t content = 0;
    uint8_t index = 0;
};

CodecStatus write_run(std::span<uint8_t> buffer, BlockCursor& cursor, uint32_t value,
                      std::size_t run_length) {
    std::size_t size = 0;
    const CodecStatus status =
        WriteCompressData(buffer.subspan(cursor.position), value, run_length, size);
    if (status != CodecStatus::kOk) {
        return status;
    }
    cursor.position += size;
    cursor.content += size;
    return CodecStatus::kOk;
}

// Writes the literal units from `index` on, as one stretch: a unit is literal when it differs
// from the unit after it (as the block form reads them) or is the last. The stretch stops at a
// unit that starts a run, at the end of the picture, or at the literal that takes the open
// block's content to the close mark, so blocks close where they would one item at a time.
// Sets `index` past the last unit written.
CodecStatus write_literals(const uint8_t* units, std::size_t& index, std::size_t count,
                           std::span<uint8_t> buffer, BlockCursor& cursor) {
    const std::size_t until_close =
        (kBlockCloseMark - std::min(cursor.content, kBlockCloseMark) + kUnitSize - 1) / kUnitSize;
    const std::size_t room = (buffer.size() - cursor.position) / kUnitSize;
    const std::size_t most = std::max<std::size_t>(until_close, 1);
    uint8_t* out = buffer.data() + cursor.position;
    std::size_t written = 0;
    uint32_t value = take_unit(units, index);
    uint32_t following = index + 1 < count ? take_unit(units, index + 1) : 0;
    for (;;) {
        if (written == room) {
            return CodecStatus::kBlockOutOfBond;
        }
        store_le32(out + written * kUnitSize, value);
        ++written;
        const std::size_t next = index + written;
        if (next == count || written == most) {
            break;
        }
        // The next unit starts a run when the one after it reads the same.
        const uint32_t after = next + 1 < count ? take_unit(units, next + 1) : 0;
        if (next + 1 < count && after == following) {
            break;
        }
        value = following;
        following = after;
    }
    index += written;
    cursor.position += written * kUnitSize;
    cursor.content += written * kUnitSize;
    return CodecStatus::kOk;
}

// Fills in the open block's header and reserves room for the next one. The header bytes lie
// before content already written, so they are inside the buffer.
void close_block(std::span<uint8_t> buffer, BlockCursor& cursor) {
    buffer[cursor.block_start] = cursor.index;
    store_be16(buffer.data() + cursor.block_start + 1, static_cast<uint16_t>(cursor.content));
    cursor.index = static_cast<uint8_t>(cursor.index + 1);
    cursor.block_start = cursor.position;
    cursor.position += kBlockHeaderSize;
    cursor.content = 0;
}

}  // namespace

CodecStatus WriteCompressData(std::span<uint8_t> out, uint32_t value, std::size_t run_length,
                              std::size_t& size) {
    if (run_length > kLongestRunLength) {
        return CodecStatus::kRunTooLong;
    }
    const std::size_t length_bytes = run_length < (1u << 6)    ? 1
                                     : run_length < (1u << 14) ? 2
                                     : run_length < (1u << 22) ? 3
                                                               : 4;
    if (out.size() < 1 + kUnitSize + length_bytes) {
        return CodecStatus::kRunTokenOutOfBond;
    }
    out[0] = kRunByte;
    store_le32(out.data() + 1, value);
    uint8_t* length = out.data() + 1 + kUnitSize;
    for (std::size_t k = 0; k < length_bytes; ++k) {
        length[k] = static_cast<uint8_t>(run_length >> (8 * (length_bytes - 1 - k)));
    }
    length[0] = static_cast<uint8_t>(length[0] | ((length_bytes - 1) << 6));
    size = 1 + kUnitSize + length_bytes;
    return CodecStatus::kOk;
}

CodecStatus BlockZipBody(std::span<const uint8_t> pixels, std::span<uint8_t> buffer,
                         std::size_t& counter) {
    // Keeps run tokens within 8 bytes, which the 4107-byte block limit counts on.
    if (pixels.size() > kMaxPixelBytes) {
        return CodecStatus::kBitmapRefused;
    }
    if (counter > buffer.size()) {
        return CodecStatus::kBlockOutOfBond;
    }
    const std::size_t count = pixels.size() / kUnitSize;
    if (count < 2) {
        return CodecStatus::kOk;
    }
    const uint8_t* units = pixels.data();
    BlockCursor cursor;
    cursor.block_start = counter;
    cursor.position = counter + kBlockHeaderSize;
    std::size_t index = 0;
    while (index < count) {
        // The reserved header of the open block may already reach past the end.
        if (cursor.position > buffer.size()) {
            return CodecStatus::kBlockOutOfBond;
        }
        const uint32_t value = take_unit(units, index);
        const std::size_t end = run_end(units, index, count, value);
        CodecStatus status = CodecStatus::kOk;
        if (end - index >= 2) {
            status = write_run(buffer, cursor, value, end - index);
            index = end;
        } else {
            status = write_literals(units, index, count, buffer, cursor);
        }
        if (status != CodecStatus::kOk) {
            return status;
        }
        // A single last unit belongs to the same step as the item before it, so it joins that
        // item's block whatever the block's length.
        const bool last_unit_follows = index == count - 1;
        if (index == count || (cursor.content >= kBlockCloseMark && !last_unit_follows)) {
            close_block(buffer, cursor);
        }
    }
    counter = cursor.block_start;
    return CodecStatus::kOk;
}

}  // namespace framestow
