/*
 * The Framestow picture decoder. README.md in this folder gives the format as field tables.
 *
 * The header is gathered in d->pending first. Then the decoder is a loop over two steps: deliver
 * what is left of the current run into the caller's output, then take the next item from the
 * input. An item is taken only once the run before it has been delivered in full, so an error
 * always stands at the same place in the output, however the input and the output are split.
 * Items that lie whole in the input are read where they stand; an item split between two input
 * chunks is gathered in d->pending first.
 * Stretches of literal units that fit both the input and the output are copied in one go.
 */
#include "framestow_decoder.h"

#include <string.h>

#define UNIT_SIZE 4u
#define RUN_MARKER 0x23456789u
#define MARKER_TOKEN_SIZE 12u
#define BLOCK_HEADER_SIZE 3u
#define BLOCK_CONTENT_LIMIT 4107u
#define RUN_BYTE 0x5Fu

/* Where speed counts (gcc and clang not optimising for size), the loop over whole items is
 * compiled once for each body form, and its helpers inline; elsewhere, one loop serves both. */
#if defined(__GNUC__) && !defined(__OPTIMIZE_SIZE__)
#define LOOP_FOR_EACH_FORM 1
#define LOOP_INLINE inline __attribute__((always_inline))
#else
#define LOOP_FOR_EACH_FORM 0
#define LOOP_INLINE
#endif

/* Whether a fixed-size memcpy to any address compiles to plain stores: on Arm cores with
 * unaligned access (Cortex-M3 and later) and on x86. There runs are written from a unit held in
 * registers. Elsewhere (Cortex-M0, RV32) such a memcpy is a call, which needs its source in the
 * frame, so runs are written by copying what is already written, and the stack stays small. */
#if defined(__ARM_FEATURE_UNALIGNED) || defined(__x86_64__) || defined(__i386__)
#define STORES_AT_ANY_ADDRESS 1
#else
#define STORES_AT_ANY_ADDRESS 0
#endif

enum { PHASE_HEADER = 0, PHASE_BODY = 1, PHASE_FAILED = 16 };

/* The caller owns the state and may keep it in any memory the target allows; it must stay small. */
typedef char fsd_state_fits_64_bytes[sizeof(fsd_decoder) <= 64 ? 1 : -1];

static uint32_t load_le32(const uint8_t* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

static uint16_t load_le16(const uint8_t* p) {
    return (uint16_t)(p[0] | p[1] << 8);
}

static size_t smaller(size_t a, size_t b) {
    return a < b ? a : b;
}

/* What is left of the caller's spans in a call. Pointers move only by what is left behind
 * them, so a NULL span (nothing in it, or pixel bytes that are only counted) stays NULL. */
typedef struct cursor {
    const uint8_t* in;
    size_t in_left;
    uint8_t* out; /* NULL: pixel bytes are counted, not written */
    size_t out_left;
} cursor;

static void take_input(cursor* c, size_t n) {
    c->in += n;
    c->in_left -= n;
}

/* Writes n pixel bytes from p, or only counts them. */
static void put_bytes(cursor* c, const uint8_t* p, size_t n) {
    if (c->out != NULL) {
        memcpy(c->out, p, n);
        c->out += n;
    }
    c->out_left -= n;
}

static fsd_status fail(fsd_decoder* d, fsd_status status) {
    d->phase = (uint8_t)(PHASE_FAILED - status);
    return status;
}

/* The body ends with its last unit: the marker form has no framing, and the last block ends with
 * the last unit (what else it holds is read as items, which start_run refuses). Any byte after
 * the body is a trailing byte; a token of run length 0 there is no exception. */
static int body_ended(const fsd_decoder* d) {
    return d->units_left == 0 && (d->form == FSD_FORM_MARKER || d->block_left == 0);
}

static fsd_status read_header(fsd_decoder* d, const uint8_t* h) {
    uint32_t pixels;
    d->magic = load_le16(h);
    d->pixel_format = load_le16(h + 2);
    d->width = load_le16(h + 4);
    d->height = load_le16(h + 6);
    if (d->magic != FSD_MAGIC_MARKER_FORM && d->magic != FSD_MAGIC_TUNED) {
        return FSD_ERR_MAGIC;
    }
    if (d->pixel_format != FSD_FORMAT_32 && d->pixel_format != FSD_FORMAT_RGB565) {
        return FSD_ERR_PIXEL_FORMAT;
    }
    if (d->width == 0 || d->height == 0) {
        return FSD_ERR_EMPTY_PICTURE;
    }
    /* At most 65535 x 65535, which fits 32 bits. */
    pixels = (uint32_t)d->width * d->height;
    d->units_left = pixels;
    d->last_unit_size = UNIT_SIZE;
    if (d->pixel_format == FSD_FORMAT_RGB565) {
        /* Two pixels a unit; an odd count ends in a unit whose last 2 bytes lie past the
         * picture. */
        d->units_left = pixels / 2 + (pixels & 1u);
        d->last_unit_size = (uint8_t)(pixels & 1u ? 2 : UNIT_SIZE);
    }
    /* The compressor writes the block form exactly for magic 0x4567, 4-byte pixels and more
     * than one pixel: 0x4567 means the png settings ask for compression, which gives the block
     * form for every PNG picture but a one-pixel one, while pictures from BMP files always get
     * the marker form. So the header alone tells every reader which form follows. */
    d->form =
        (uint8_t)(d->magic == FSD_MAGIC_TUNED && d->pixel_format == FSD_FORMAT_32 && pixels > 1
                      ? FSD_FORM_BLOCK
                      : FSD_FORM_MARKER);
    d->phase = PHASE_BODY;
    return FSD_MORE;
}

/* The size of a marker token, or of the run token whose first `have` bytes stand at p (6 until
 * its first length byte is known). */
static size_t token_size(int block_form, const uint8_t* p, size_t have) {
    if (!block_form) {
        return MARKER_TOKEN_SIZE;
    }
    /* 0x5F, the unit, then 1 to 4 run-length bytes: the top two bits of the first say. */
    return have > 5 ? 6u + (p[5] >> 6) : 6u;
}

/* The run length of the token of `size` bytes at p. Its unit follows the run marker or 0x5F. */
static uint32_t token_run(int block_form, const uint8_t* p, size_t size) {
    uint32_t run;
    size_t k;
    if (!block_form) {
        return load_le32(p + 8);
    }
    run = p[5] & 0x3Fu;
    for (k = 6; k < size; ++k) {
        run = run << 8 | p[k];
    }
    return run;
}

/* Nonzero when the 4 bytes at p open a token rather than being a literal unit: the run marker
 * in the marker form, a first byte 0x5F in the block form. */
static int opens_token(int block_form, const uint8_t* p) {
    return block_form ? p[0] == RUN_BYTE : load_le32(p) == RUN_MARKER;
}

/* Copies the literal units from p on to out (or only counts them, with out NULL), up to `most`,
 * and returns their number; the first is known to be one. Short stretches (most are) go one unit
 * at a time; from the fifth unit on, four at a time while four are literal. */
static LOOP_INLINE size_t copy_literals(int block_form, uint8_t* out, const uint8_t* p,
                                        size_t most) {
    size_t n = 0;
    do {
        if (out != NULL) {
            memcpy(out + n * UNIT_SIZE, p, UNIT_SIZE);
        }
        ++n;
        p += UNIT_SIZE;
    } while (n < 4 && n < most && !opens_token(block_form, p));
    if (n < 4) {
        return n;
    }
    while (n + 4 <= most && !opens_token(block_form, p) &&
           !opens_token(block_form, p + UNIT_SIZE) && !opens_token(block_form, p + 2 * UNIT_SIZE) &&
           !opens_token(block_form, p + 3 * UNIT_SIZE)) {
        if (out != NULL) {
            memcpy(out + n * UNIT_SIZE, p, 4 * UNIT_SIZE);
        }
        n += 4;
        p += 4 * UNIT_SIZE;
    }
    for (; n < most && !opens_token(block_form, p); ++n, p += UNIT_SIZE) {
        if (out != NULL) {
            memcpy(out + n * UNIT_SIZE, p, UNIT_SIZE);
        }
    }
    return n;
}

/* The size of the next item as far as its first `have` bytes tell: the header, a block header,
 * a literal unit or a token. A size above `have` may grow once more bytes are known. */
static LOOP_INLINE size_t item_size(const fsd_decoder* d, const uint8_t* p, size_t have) {
    int block_form = d->form == FSD_FORM_BLOCK;
    if (block_form && d->block_left == 0) {
        return BLOCK_HEADER_SIZE;
    }
    if (block_form ? have == 0 || p[0] != RUN_BYTE
                   : have < UNIT_SIZE || load_le32(p) != RUN_MARKER) {
        return UNIT_SIZE;
    }
    return token_size(block_form, p, have);
}

/* Copies n < 16 bytes in at most four fixed-size steps: a call of memcpy would cost more than it
 * moves. */
static void copy_few(uint8_t* to, const uint8_t* from, size_t n) {
    if (n & 8) {
        memcpy(to, from, 8);
        to += 8;
        from += 8;
    }
    if (n & 4) {
        memcpy(to, from, 4);
        to += 4;
        from += 4;
    }
    if (n & 2) {
        memcpy(to, from, 2);
        to += 2;
        from += 2;
    }
    if (n & 1) {
        *to = *from;
    }
}

/* Where the next item stands: *item points at its bytes, read in place when the input holds
 * them all and nothing is pending, else gathered in d->pending. Returns its size, 0 when the
 * input ended first (what there was is kept in d->pending), or FSD_ERR_ITEM_PAST_BLOCK. */
static int take_item(fsd_decoder* d, cursor* c, const uint8_t** item) {
    size_t limit =
        d->form == FSD_FORM_BLOCK && d->block_left != 0 ? d->block_left : MARKER_TOKEN_SIZE;
    size_t have = d->pending_size;
    size_t need;
    if (have == 0) {
        if (c->in_left == 0) {
            return 0;
        }
        need = item_size(d, c->in, c->in_left);
        if (need <= c->in_left && need <= limit) {
            *item = c->in;
            take_input(c, need);
            return (int)need;
        }
    }
    /* The counts stay in locals here: to the compiler, a byte stored in d->pending might
     * change any of them. */
    for (;;) {
        size_t take;
        need = item_size(d, d->pending, have);
        if (need > limit) {
            d->pending_size = 0;
            return FSD_ERR_ITEM_PAST_BLOCK;
        }
        if (have == need) {
            break;
        }
        take = smaller(need - have, c->in_left);
        if (take == 0) {
            d->pending_size = (uint8_t)have;
            return 0;
        }
        copy_few(d->pending + have, c->in, take);
        have += take;
        take_input(c, take);
    }
    d->pending_size = 0;
    *item = d->pending;
    return (int)need;
}

/* Checks a block header and opens its block. */
static fsd_status open_block(fsd_decoder* d, const uint8_t* header) {
    unsigned length = (unsigned)header[1] << 8 | header[2];
    if (header[0] != d->block_index) {
        return FSD_ERR_BLOCK_INDEX;
    }
    if (length > BLOCK_CONTENT_LIMIT) {
        return FSD_ERR_BLOCK_LENGTH;
    }
    d->block_index = (uint8_t)(d->block_index + 1);
    d->block_left = (uint16_t)length;
    return FSD_MORE;
}

/* Starts the run that a literal unit or a token of `size` bytes stands for. */
static fsd_status start_run(fsd_decoder* d, const uint8_t* item, size_t size) {
    int block_form = d->form == FSD_FORM_BLOCK;
    const uint8_t* unit = item;
    uint32_t run = 1;
    if (size > UNIT_SIZE) {
        run = token_run(block_form, item, size);
        unit = item + (block_form ? 1 : 4);
    }
    if (block_form) {
        d->block_left = (uint16_t)(d->block_left - size);
    }
    if (run > d->units_left) {
        return FSD_ERR_RUN_PAST_PICTURE;
    }
    if (d->units_left == 0) {
        return FSD_ERR_TRAILING_BYTES; /* a token of run length 0 after the last unit */
    }
    memcpy(d->unit, unit, UNIT_SIZE);
    d->units_left -= run;
    d->run_left = run;
    return FSD_MORE;
}

#if STORES_AT_ANY_ADDRESS
/* Writes `count` copies of the 4-byte unit from out on, in pairs of units held in a register,
 * four pairs a step for long runs: compilers turn those into a few wide stores. */
static inline void fill_units(uint8_t* out, const uint8_t* unit, size_t count) {
    size_t bytes = count * UNIT_SIZE;
    size_t done = 0;
    uint32_t value;
    uint64_t pair;
    /* Put together byte-wise, not as value << 32 | value, which a Cortex-M0 compiler turns into a
     * call of the support library's 64-bit multiplication. */
    memcpy(&value, unit, UNIT_SIZE);
    memcpy(&pair, unit, UNIT_SIZE);
    memcpy((uint8_t*)&pair + UNIT_SIZE, unit, UNIT_SIZE);
    for (; done + 4 * sizeof pair <= bytes; done += 4 * sizeof pair) {
        memcpy(out + done, &pair, sizeof pair);
        memcpy(out + done + sizeof pair, &pair, sizeof pair);
        memcpy(out + done + 2 * sizeof pair, &pair, sizeof pair);
        memcpy(out + done + 3 * sizeof pair, &pair, sizeof pair);
    }
    for (; done + sizeof pair <= bytes; done += sizeof pair) {
        memcpy(out + done, &pair, sizeof pair);
    }
    if (done < bytes) {
        memcpy(out + done, &value, UNIT_SIZE);
    }
}
#else
/* Writes `count` copies of the 4-byte unit from out on: the first unit, then what is written
 * copied after itself, doubling each time. No copy of the unit is kept in a local: here memcpy
 * is a call, and a local it copies from would have to stand in the frame. */
static void fill_units(uint8_t* out, const uint8_t* unit, size_t count) {
    uint8_t* const end = out + count * UNIT_SIZE;
    uint8_t* filled;
    if (count == 0) {
        return;
    }
    filled = (uint8_t*)memcpy(out, unit, UNIT_SIZE) + UNIT_SIZE;
    while (filled != end) {
        size_t n = smaller((size_t)(filled - out), (size_t)(end - filled));
        filled = (uint8_t*)memcpy(filled, out, n) + n;
    }
}
#endif

/* Delivers what the output takes of the current run. The last unit of an odd RGB565 picture
 * gives only its first 2 bytes. */
static void deliver(fsd_decoder* d, cursor* c) {
    while (d->run_left != 0) {
        int last = d->run_left == 1 && d->units_left == 0;
        size_t size = last ? d->last_unit_size : UNIT_SIZE;
        size_t n;
        if (d->unit_offset == 0 && size == UNIT_SIZE && c->out_left >= UNIT_SIZE) {
            /* Whole units, all but a short last one. */
            n = d->run_left - (d->units_left == 0 && d->last_unit_size != UNIT_SIZE);
            n = smaller(n, c->out_left / UNIT_SIZE);
            if (c->out != NULL) {
                fill_units(c->out, d->unit, n);
                c->out += n * UNIT_SIZE;
            }
            c->out_left -= n * UNIT_SIZE;
            d->run_left -= (uint32_t)n;
            continue;
        }
        if (c->out_left == 0) {
            break;
        }
        n = smaller(size - d->unit_offset, c->out_left);
        put_bytes(c, d->unit + d->unit_offset, n);
        d->unit_offset += (uint32_t)n;
        if (d->unit_offset == size) {
            d->unit_offset = 0;
            d->run_left--;
        }
    }
}

/* Decodes the items that stand whole in the input (and in the open block) and whose pixels fit
 * the output, straight from the one to the other, with the state in locals: to the compiler a
 * write to the output might change *d or *c. Stops before the first item that is cut, does not
 * fit, holds the short last unit of an odd RGB565 picture or is wrong; the item-by-item path
 * then takes it, so that both paths see every fault alike. */
static LOOP_INLINE void decode_whole_items(fsd_decoder* d, cursor* c, const int block_form) {
    const uint32_t tail = d->last_unit_size != UNIT_SIZE;
    const uint8_t* p = c->in;
    uint8_t* out = c->out;
    size_t left = smaller(c->in_left, block_form ? d->block_left : (size_t)-1);
    /* Units that items may still give: within the picture, short last unit aside, and within
     * the output. They are taken from both up front, and what is left of them given back. */
    size_t limit =
        smaller(d->units_left > tail ? d->units_left - tail : 0, c->out_left / UNIT_SIZE);
    d->units_left -= (uint32_t)limit;
    c->out_left -= limit * UNIT_SIZE;
    /* Once the last unit has been taken, not even a token of run length 0 is taken here: the
     * item-by-item path refuses what follows, as it does when a chunk ends after that unit.
     * d->units_left is read again at each item rather than kept in a local: one register fewer
     * in the loop keeps the RV32 frame within the stack goal. */
    while (left >= UNIT_SIZE && (limit != 0 || d->units_left != 0)) {
        size_t size;
        size_t run;
        if (!opens_token(block_form, p)) {
            if (limit == 0) {
                break;
            }
            run = copy_literals(block_form, out, p, smaller(left / UNIT_SIZE, limit));
            size = run * UNIT_SIZE;
        } else {
            size = token_size(block_form, p, left);
            if (size > left) {
                break;
            }
            run = token_run(block_form, p, size);
            if (run > limit) {
                break;
            }
            if (out != NULL) {
                fill_units(out, p + (block_form ? 1 : 4), run);
            }
        }
        if (out != NULL) {
            out += run * UNIT_SIZE;
        }
        p += size;
        left -= size;
        limit -= run;
    }
    if (block_form) {
        d->block_left = (uint16_t)(d->block_left - (size_t)(p - c->in));
    }
    d->units_left += (uint32_t)limit;
    c->out_left += limit * UNIT_SIZE;
    c->out = out;
    take_input(c, (size_t)(p - c->in));
}

/* The loop over whole items, compiled once for each body form where speed counts (so that the
 * form costs no test in it), once for both where size does (so that the firmware's copy and its
 * stack stay small). */
static void decode_whole_items_of_form(fsd_decoder* d, cursor* c) {
#if LOOP_FOR_EACH_FORM
    if (d->form == FSD_FORM_BLOCK) {
        decode_whole_items(d, c, 1);
        return;
    }
    decode_whole_items(d, c, 0);
#else
    decode_whole_items(d, c, d->form == FSD_FORM_BLOCK);
#endif
}

/* Gathers the 8-byte header in d->pending, however the input is split, and reads it once it is
 * whole. It is read before the item loop, not in it, so that its checks cost the loop no
 * registers. */
static fsd_status take_header(fsd_decoder* d, cursor* c) {
    size_t take = smaller(FSD_HEADER_SIZE - d->pending_size, c->in_left);
    if (take == 0) {
        return FSD_MORE; /* no input, whose pointer may be NULL */
    }
    copy_few(d->pending + d->pending_size, c->in, take);
    take_input(c, take);
    d->pending_size = (uint8_t)(d->pending_size + take);
    if (d->pending_size < FSD_HEADER_SIZE) {
        return FSD_MORE;
    }
    d->pending_size = 0;
    return read_header(d, d->pending);
}

/* One call of fsd_decode or fsd_skip: deliver the run in hand, then take items, whole ones
 * straight through and any other one by one, until the input or the output runs out. */
static fsd_status decode(fsd_decoder* d, cursor* c) {
    fsd_status status = FSD_MORE;
    if (d->phase >= PHASE_FAILED) {
        return (fsd_status)(PHASE_FAILED - d->phase);
    }
    if (d->phase == PHASE_HEADER) {
        status = take_header(d, c);
        if (d->phase == PHASE_HEADER) {
            return status < 0 ? fail(d, status) : status;
        }
    }
    while (status == FSD_MORE) {
        const uint8_t* item = NULL;
        int size;
        deliver(d, c);
        if (d->run_left != 0) {
            break;
        }
        if (d->pending_size == 0 && c->in_left != 0 && d->units_left != 0) {
            decode_whole_items_of_form(d, c);
        }
        if (body_ended(d)) {
            status = c->in_left != 0 ? FSD_ERR_TRAILING_BYTES : FSD_DONE;
            break;
        }
        size = take_item(d, c, &item);
        if (size <= 0) {
            status = (fsd_status)size;
        } else if (d->form == FSD_FORM_BLOCK && d->block_left == 0) {
            status = open_block(d, item);
        } else {
            status = start_run(d, item, (size_t)size);
        }
        if (size == 0) {
            break;
        }
    }
    return status < 0 ? fail(d, status) : status;
}

void fsd_init(fsd_decoder* d) {
    memset(d, 0, sizeof *d);
}

/* *in_used is set before the call and lowered after it by what is left, so that three values,
 * not four, stay live across the call: on RV32 that keeps this frame, part of the decoder's
 * deepest stack, at 32 bytes. */
fsd_status fsd_decode(fsd_decoder* d, const uint8_t* in, size_t in_size, size_t* in_used,
                      uint8_t* out, size_t out_size, size_t* out_made) {
    cursor c;
    fsd_status status;
    c.in = in;
    c.in_left = in_size;
    c.out = out;
    c.out_left = out_size;
    *in_used = in_size;
    status = decode(d, &c);
    *in_used -= c.in_left;
    *out_made = out_size - c.out_left;
    return status;
}

fsd_status fsd_skip(fsd_decoder* d, const uint8_t* in, size_t in_size, size_t* in_used,
                    uint64_t* skip_left) {
    size_t room = (size_t)*skip_left;
    cursor c;
    fsd_status status;
    if (room != *skip_left) {
        room = (size_t)-1; /* more than size_t holds: skip what it holds now, the rest later */
    }
    c.in = in;
    c.in_left = in_size;
    c.out = NULL;
    c.out_left = room;
    *in_used = in_size; /* as in fsd_decode */
    status = decode(d, &c);
    *in_used -= c.in_left;
    *skip_left -= room - c.out_left;
    return status;
}

fsd_status fsd_finish(fsd_decoder* d) {
    if (d->phase >= PHASE_FAILED) {
        return (fsd_status)(PHASE_FAILED - d->phase);
    }
    if (d->run_left != 0) {
        return FSD_MORE;
    }
    if (d->phase == PHASE_HEADER) {
        return fail(d, FSD_ERR_CUT_HEADER);
    }
    if (d->pending_size != 0) {
        return fail(d, d->form == FSD_FORM_BLOCK && d->block_left == 0 ? FSD_ERR_CUT_BLOCK
                                                                       : FSD_ERR_CUT_TOKEN);
    }
    if (d->form == FSD_FORM_BLOCK && d->block_left != 0) {
        return fail(d, FSD_ERR_CUT_BLOCK);
    }
    return d->units_left != 0 ? fail(d, FSD_ERR_SHORT_PICTURE) : FSD_DONE;
}

int fsd_header_ready(const fsd_decoder* d) {
    return d->form != FSD_FORM_UNKNOWN;
}

fsd_form fsd_body_form(const fsd_decoder* d) {
    return (fsd_form)d->form;
}

unsigned fsd_pixel_size(const fsd_decoder* d) {
    return d->pixel_format == FSD_FORMAT_RGB565 ? 2u : 4u;
}

uint32_t fsd_row_bytes(const fsd_decoder* d) {
    return (uint32_t)d->width * fsd_pixel_size(d);
}

/* Doubled by additions: a 64-bit multiplication would call the compiler's support library on a
 * Cortex-M0, and the decoder needs nothing beyond memcpy and memset. */
uint64_t fsd_picture_bytes(const fsd_decoder* d) {
    uint64_t bytes = (uint32_t)d->width * d->height;
    bytes += bytes;
    if (fsd_pixel_size(d) == 4u) {
        bytes += bytes;
    }
    return bytes;
}

const char* fsd_status_name(fsd_status status) {
    static const char* const names[] = {
        "trailing bytes",
        "run past picture",
        "item past block",
        "block index out of sequence",
        "block length over limit",
        "short picture",
        "cut block",
        "cut token",
        "cut header",
        "empty picture",
        "unknown pixel format",
        "unknown magic",
        "more",
        "done",
    };
    int index = (int)status - FSD_ERR_TRAILING_BYTES;
    if (index < 0 || index >= (int)(sizeof names / sizeof names[0])) {
        return "unknown status";
    }
    return names[index];
}
