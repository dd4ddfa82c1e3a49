#include "framestow/picture_reader.h"

#include "utils/BitmapMapping.h"

namespace framestow::firmware {

namespace {

// The compressed bytes of one picture as they pass through the caller's chunk buffer: the
// bytes read but not yet taken by the decoder, and how many of the picture's bytes are still
// unread in its package. The decoder keeps the part of an item that a chunk cuts off in its own
// state, so a new chunk is read only once the last one has been taken whole.
class PictureBytes {
  public:
    PictureBytes(const PictureReader& reader, const char* package, uint32_t offset, uint32_t size)
        : reader_(reader), package_(package), next_offset_(offset), unread_(size) {}

    const uint8_t* data() const { return reader_.chunk + start_; }
    std::size_t available() const { return filled_ - start_; }
    uint32_t unread() const { return unread_; }
    bool used_up() const { return available() == 0 && unread_ == 0; }
    void take(std::size_t count) { start_ += count; }

    // Reads the next chunk once the decoder has taken the last one. Only a read function that
    // falls short fails it.
    bool read_next_chunk() {
        std::size_t wanted = reader_.chunk_size;
        if (wanted > unread_) {
            wanted = unread_;
        }
        if (reader_.read(reader_.context, package_, next_offset_, reader_.chunk, wanted) !=
            wanted) {
            return false;
        }
        start_ = 0;
        filled_ = wanted;
        next_offset_ += static_cast<uint32_t>(wanted);
        unread_ -= static_cast<uint32_t>(wanted);
        return true;
    }

  private:
    const PictureReader& reader_;
    const char* package_;
    uint32_t next_offset_;
    uint32_t unread_;
    std::size_t start_ = 0;
    std::size_t filled_ = 0;
};

void fail(PictureResult& result, PictureStatus status) {
    result.status = status;
}

void fail_decoding(PictureResult& result, fsd_status status) {
    result.status = PictureStatus::kDecodeFailed;
    result.decoder_status = status;
}

// Decodes the picture's bytes row by row into the row buffer. Until the header has been read
// the decoder gets no output room, so that the row length is known before any pixel byte is
// written.
void decode_rows(const PictureReader& reader, PictureBytes& bytes, PictureResult& result) {
    fsd_decoder decoder;
    fsd_init(&decoder);
    std::size_t row_bytes = 0;
    std::size_t row_filled = 0;
    uint16_t row = 0;
    for (;;) {
        if (bytes.available() == 0 && bytes.unread() > 0 && !bytes.read_next_chunk()) {
            return fail(result, PictureStatus::kReadFailed);
        }
        std::size_t used = 0;
        std::size_t made = 0;
        fsd_status status = fsd_decode(&decoder, bytes.data(), bytes.available(), &used,
                                       reader.row + row_filled, row_bytes - row_filled, &made);
        bytes.take(used);
        row_filled += made;
        if (status == FSD_MORE && used == 0 && made == 0) {
            // Nothing more to give: the decoder says whether the picture is whole.
            status = fsd_finish(&decoder);
        }
        if (status < 0) {
            return fail_decoding(result, status);
        }
        if (row_bytes == 0) {
            if (fsd_header_ready(&decoder)) {
                result.width = decoder.width;
                result.height = decoder.height;
                result.pixel_format = decoder.pixel_format;
                row_bytes = fsd_row_bytes(&decoder);
                if (row_bytes > reader.row_size) {
                    return fail(result, PictureStatus::kBufferTooSmall);
                }
            }
            continue;
        }
        if (row_filled == row_bytes) {
            if (reader.sink != nullptr) {
                reader.sink(reader.context, row, reader.row, row_bytes);
            }
            ++row;
            row_filled = 0;
        }
        if (status == FSD_DONE) {
            // The table's size must end where the picture ends: more bytes mean a wrong slot.
            if (!bytes.used_up()) {
                return fail_decoding(result, FSD_ERR_TRAILING_BYTES);
            }
            result.status = PictureStatus::kDecoded;
            return;
        }
    }
}

}  // namespace

PictureResult read_picture(const PictureReader& reader, uint16_t app, uint16_t picture) {
    PictureResult result;
    const BitmapAttribute* slot = BitmapMapping::GetPngOffset(app, picture, result.package);
    if (slot == nullptr) {
        result.package.clear();
        return result;
    }
    result.offset = slot->offset;
    result.size = slot->size;
    if (slot->size == 0) {
        result.status = PictureStatus::kPlaceholder;
        return result;
    }
    if (reader.chunk == nullptr || reader.chunk_size == 0 || reader.row == nullptr ||
        reader.row_size == 0) {
        fail(result, PictureStatus::kBufferTooSmall);
        return result;
    }
    // Without a read function no byte can be had; calling it would stop the device.
    if (reader.read == nullptr) {
        fail(result, PictureStatus::kReadFailed);
        return result;
    }
    // A slot that runs past 4 GiB cannot be in a package whose offsets are 32 bits.
    if (slot->size - 1 > UINT32_MAX - slot->offset) {
        fail(result, PictureStatus::kReadFailed);
        return result;
    }
    PictureBytes bytes(reader, result.package.c_str(), slot->offset, slot->size);
    decode_rows(reader, bytes, result);
    return result;
}

const char* picture_status_name(PictureStatus status) {
    switch (status) {
        case PictureStatus::kDecoded:
            return "decoded";
        case PictureStatus::kNoSuchPicture:
            return "no such picture";
        case PictureStatus::kPlaceholder:
            return "placeholder";
        case PictureStatus::kReadFailed:
            return "read failed";
        case PictureStatus::kBufferTooSmall:
            return "buffer too small";
        case PictureStatus::kDecodeFailed:
            return "decode failed";
    }
    return "unknown status";
}

}  // namespace framestow::firmware
