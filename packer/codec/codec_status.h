#pragma once

namespace framestow {

// What a codec call came to. The codec prints nothing: each failure names what stopped it, so
// that the caller can report it in the tool's own words.
enum class CodecStatus {
    kOk,
    // Compressing.
    kBitmapRefused,         // not an ImageBitmap the compressor takes (size, magic, format)
    kSettingsRefused,       // the compression settings allow no body for this picture
    kLiteralOutOfBond,      // a literal unit of the marker form would pass the buffer's end
    kMarkerTokenOutOfBond,  // a marker token would pass the buffer's end
    kBlockOutOfBond,        // a literal unit or block header of the block form would pass it
    kRunTokenOutOfBond,     // a run token of the block form would pass it
    kRunTooLong,            // a run of 2^30 units or more has no run token
    // Decoding and checking.
    kCompressedHeaderRefused,  // 8 bytes or fewer, or an unknown magic or pixel format
    kEmptyPicture,             // width or height 0
    kMalformedBody,            // a body the compressor cannot have written
    kDecodedDiffers,           // the decoded pixels are not the ones that were compressed
};

}  // namespace framestow
