/*
 * The Framestow picture decoder: one compressed picture (an 8-byte header and a body in the
 * marker form or the block form) in, its pixel bytes out, streaming both ways.
 *
 * Portable C99, freestanding: no allocation, no globals, no floating point, re-entrant. The
 * whole state is one fsd_decoder that the caller owns. Input is pushed in chunks of any size
 * (a memory-mapped package in one go, or a few bytes at a time from SPI flash); pixel bytes are
 * pulled into buffers of any size (a whole picture, one row, one byte). Every split of the input
 * and of the output gives the same bytes and the same result.
 *
 * Typical use (see README.md for the format and fuller examples):
 *
 *     fsd_decoder d;
 *     fsd_init(&d);
 *     size_t used, made;
 *     fsd_status s = fsd_decode(&d, bytes, size, &used, pixels, room, &made);
 *     // s == FSD_DONE: every pixel byte has been written; s < 0: a malformed picture.
 */
#ifndef FRAMESTOW_DECODER_H
#define FRAMESTOW_DECODER_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define FSD_HEADER_SIZE 8
#define FSD_MAGIC_MARKER_FORM 0x2345u
#define FSD_MAGIC_TUNED 0x4567u
#define FSD_FORMAT_32 0x8888u
#define FSD_FORMAT_RGB565 0xF565u

typedef enum fsd_status {
    FSD_MORE = 0,                   /* progress made; give more input or more output room */
    FSD_DONE = 1,                   /* every pixel byte has been delivered, the body has ended */
    FSD_ERR_MAGIC = -1,             /* the header's magic is neither 0x2345 nor 0x4567 */
    FSD_ERR_PIXEL_FORMAT = -2,      /* the pixel format is neither 0x8888 nor 0xF565 */
    FSD_ERR_EMPTY_PICTURE = -3,     /* width or height is 0 */
    FSD_ERR_CUT_HEADER = -4,        /* the input ended inside the 8-byte header */
    FSD_ERR_CUT_TOKEN = -5,         /* the input ended inside a literal unit or a token */
    FSD_ERR_CUT_BLOCK = -6,         /* the input ended inside a block header or a block's content */
    FSD_ERR_SHORT_PICTURE = -7,     /* the input ended between items, before the last pixel */
    FSD_ERR_BLOCK_LENGTH = -8,      /* a block's content length is above 4107 */
    FSD_ERR_BLOCK_INDEX = -9,       /* a block's index is not the next in 0, 1, ..., 255, 0, ... */
    FSD_ERR_ITEM_PAST_BLOCK = -10,  /* an item runs past the end of its block's content */
    FSD_ERR_RUN_PAST_PICTURE = -11, /* a run or a literal unit goes beyond the last pixel */
    FSD_ERR_TRAILING_BYTES = -12    /* bytes follow the last unit, even a run of length 0 */
} fsd_status;

/* The body forms. The decoder decides from the header alone, by the rule that the packer's
 * compressor follows for every picture it writes: the block form for magic 0x4567 with 4-byte
 * pixels and more than one pixel, the marker form for everything else. */
typedef enum fsd_form { FSD_FORM_UNKNOWN = 0, FSD_FORM_MARKER = 1, FSD_FORM_BLOCK = 2 } fsd_form;

/* The caller's decoder state. Its fields are private except those marked public below, which
 * are valid once fsd_header_ready() is true. Fixed size, no pointers into caller memory. */
typedef struct fsd_decoder {
    /* public, read-only: the picture header */
    uint16_t magic;
    uint16_t pixel_format;
    uint16_t width;
    uint16_t height;
    /* private */
    uint32_t units_left;  /* 4-byte units still to come from the body */
    uint32_t run_left;    /* units left in the current run */
    uint32_t unit_offset; /* bytes of the current unit already delivered */
    uint16_t block_left;  /* content bytes left in the open block */
    uint8_t unit[4];      /* the unit being delivered */
    uint8_t pending[12];  /* a header, block header or token split between input chunks */
    uint8_t pending_size;
    uint8_t block_index; /* index the next block must carry */
    uint8_t phase;       /* header, body, or failed (and with which error) */
    uint8_t form;
    uint8_t last_unit_size; /* 2 for an RGB565 picture with an odd pixel count, else 4 */
} fsd_decoder;

/* Prepares `d` for a new picture. */
void fsd_init(fsd_decoder* d);

/* Decodes from in[0..in_size) into out[0..out_size). Sets *in_used to the input bytes consumed
 * and *out_made to the pixel bytes written; input that was not consumed must be given again
 * (with more after it) on the next call. Input is left over only when the output is full: an
 * item split between two chunks is kept in the state, so a call that returns FSD_MORE with room
 * left in `out` has used all of `in`. With `out` NULL, up to out_size pixel bytes are decoded
 * and dropped instead of written: that is how rows are skipped.
 *
 * Returns FSD_DONE once the last pixel byte has been delivered and the body has ended, FSD_MORE
 * when the call stopped because the input was used up or the output was full, or an error
 * value (negative) for a malformed picture; after an error every further call returns it again.
 * Bytes after the body give FSD_ERR_TRAILING_BYTES, in the call that sees them: when the body
 * ends exactly at the end of a chunk, that call returns FSD_DONE and the next one, given the
 * bytes that follow, the error. So give the decoder exactly the picture's bytes (the size that
 * the package's table gives), or all of them before trusting FSD_DONE. The pixel bytes written
 * before an error are the same at every split. A picture whose input ends early is told apart
 * by fsd_finish(). */
fsd_status fsd_decode(fsd_decoder* d, const uint8_t* in, size_t in_size, size_t* in_used,
                      uint8_t* out, size_t out_size, size_t* out_made);

/* Decodes and drops pixel bytes, for a display drawn in strips that starts below the top row:
 * *skip_left is the number of bytes still to skip (rows x fsd_row_bytes()) and goes down by
 * what this call skipped. Reads input and returns as fsd_decode does. */
fsd_status fsd_skip(fsd_decoder* d, const uint8_t* in, size_t in_size, size_t* in_used,
                    uint64_t* skip_left);

/* Tells the decoder that no more input will come. Returns FSD_DONE when the picture is
 * complete, the error that d holds, or the FSD_ERR_CUT_... / FSD_ERR_SHORT_PICTURE value that
 * says where the input ended (FSD_ERR_CUT_TOKEN also for an item cut short inside a block). While
 * pixel bytes already decoded still wait for output room it returns FSD_MORE: pull them with
 * fsd_decode() and no input, then ask again. */
fsd_status fsd_finish(fsd_decoder* d);

/* Nonzero once the 8-byte header has been read and accepted. */
int fsd_header_ready(const fsd_decoder* d);

/* The body form, bytes a pixel (4 or 2), bytes a row and pixel bytes of the whole picture
 * (width x height x bytes a pixel, at most 65535 x 65535 x 4, hence 64 bits). Valid once
 * fsd_header_ready() is true. */
fsd_form fsd_body_form(const fsd_decoder* d);
unsigned fsd_pixel_size(const fsd_decoder* d);
uint32_t fsd_row_bytes(const fsd_decoder* d);
uint64_t fsd_picture_bytes(const fsd_decoder* d);

/* A short English name of a status value, such as "run past picture", for messages. */
const char* fsd_status_name(fsd_status status);

#ifdef __cplusplus
}
#endif

#endif /* FRAMESTOW_DECODER_H */
