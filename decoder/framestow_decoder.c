/*
 * The Framestow picture decoder. README.md in this folder gives the format as field tables.
 *
 * The decoder is a loop over two steps: deliver what is left of the current run into the
 * caller's output, then take the next item from the input. An item is taken only once the run
 * before it has been delivered in full, so an error always stands at the same place in the
 * output, however the input and the output are split. Items that lie whole in the input are read
 * where they stand; an item split between two input chunks is gathered in d->pending first.
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
/* Runs from this many bytes on are filled by copying the part already written. */
#define WIDE_FILL 64u

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

static fsd_status fail(fsd_decoder* d, fsd_status status) {
    d->phase = (uint8_t)(PHASE_FAILED - status);
    return status;
}

/* The body has ended once every unit has been read: the marker form has no framing, the block
 * form ends with the block that holds the last unit. */
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

/* The size of the next item as far as its first `have` bytes tell: the header, a block header,
 * a literal unit, a marker token or a run token. A size above `have` may grow once more bytes
 * are known. */
static unsigned item_size(const fsd_decoder* d, const uint8_t* p, size_t have) {
    if (d->phase == PHASE_HEADER) {
        return FSD_HEADER_SIZE;
    }
    if (d->form == FSD_FORM_MARKER) {
        return have >= UNIT_SIZE && load_le32(p) == RUN_MARKER ? MARKER_TOKEN_SIZE : UNIT_SIZE;
    }
    if (d->block_left == 0) {
        return BLOCK_HEADER_SIZE;
    }
    if (have == 0 || p[0] != RUN_BYTE) {
        return UNIT_SIZE;
    }
    /* 0x5F, the unit, then 1 to 4 run-length bytes: the top two bits of the first say. */
    return have < 6 ? 6 : 6 + (p[5] >> 6);
}

/* Where the next item stands: *item points at its bytes, read in place when the input holds
 * them all and nothing is pending, else gathered in d->pending. Returns its size, 0 when the
 * input ended first (what there was is kept in d->pending), or FSD_ERR_ITEM_PAST_BLOCK. */
static int take_item(fsd_decoder* d, const uint8_t* in, size_t in_size, size_t* ip,
                     const uint8_t** item) {
    size_t avail = in_size - *ip;
    unsigned limit = d->phase == PHASE_BODY && d->form == FSD_FORM_BLOCK && d->block_left != 0
                         ? d->block_left
                         : MARKER_TOKEN_SIZE;
    unsigned need;
    if (d->pending_size == 0) {
        if (avail == 0) {
            return 0;
        }
        need = item_size(d, in + *ip, avail);
        if (need <= avail && need <= limit) {
            *item = in + *ip;
            *ip += need;
            return (int)need;
        }
    }
    for (;;) {
        size_t take;
        need = item_size(d, d->pending, d->pending_size);
        if (need > limit) {
            d->pending_size = 0;
            return FSD_ERR_ITEM_PAST_BLOCK;
        }
        if (d->pending_size == need) {
            break;
        }
        if (*ip == in_size) {
            return 0;
        }
        take = smaller(need - d->pending_size, in_size - *ip);
        memcpy(d->pending + d->pending_size, in + *ip, take);
        d->pending_size = (uint8_t)(d->pending_size + take);
        *ip += take;
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

/* Starts the run that a literal unit, marker token or run token of `size` bytes stands for. */
static fsd_status start_run(fsd_decoder* d, const uint8_t* item, unsigned size) {
    const uint8_t* unit = item;
    uint32_t run = 1;
    if (d->form == FSD_FORM_BLOCK) {
        d->block_left = (uint16_t)(d->block_left - size);
        if (size > UNIT_SIZE) {
            unsigned k;
            unit = item + 1;
            run = item[5] & 0x3Fu;
            for (k = 6; k < size; ++k) {
                run = run << 8 | item[k];
            }
        }
    } else if (size > UNIT_SIZE) {
        unit = item + 4;
        run = load_le32(item + 8);
    }
    if (run > d->units_left) {
        return FSD_ERR_RUN_PAST_PICTURE;
    }
    memcpy(d->unit, unit, UNIT_SIZE);
    d->units_left -= run;
    d->run_left = run;
    return FSD_MORE;
}

/* Writes `count` copies of the 4-byte unit from out on: short runs in 8-byte stores, long ones
 * by copying what is already written, in chunks that stay in the cache. */
static void fill_units(uint8_t* out, const uint8_t* unit, size_t count) {
    size_t bytes = count * UNIT_SIZE;
    size_t done = 0;
    uint8_t pair[2 * UNIT_SIZE];
    memcpy(pair, unit, UNIT_SIZE);
    memcpy(pair + UNIT_SIZE, unit, UNIT_SIZE);
    if (bytes >= WIDE_FILL) {
        for (; done < WIDE_FILL; done += sizeof pair) {
            memcpy(out + done, pair, sizeof pair);
        }
        while (done < bytes) {
            size_t chunk = smaller(smaller(done, bytes - done), 4 * WIDE_FILL);
            memcpy(out + done, out, chunk);
            done += chunk;
        }
        return;
    }
    for (; done + sizeof pair <= bytes; done += sizeof pair) {
        memcpy(out + done, pair, sizeof pair);
    }
    if (done < bytes) {
        memcpy(out + done, unit, UNIT_SIZE);
    }
}

/* Delivers what out[op..out_size) takes of the current run (counts it only, with out NULL) and
 * returns the new op. The last unit of an odd RGB565 picture gives only its first 2 bytes. */
static size_t deliver(fsd_decoder* d, uint8_t* out, size_t op, size_t out_size) {
    while (d->run_left != 0) {
        int last = d->run_left == 1 && d->units_left == 0;
        unsigned size = last ? d->last_unit_size : UNIT_SIZE;
        size_t room = out_size - op;
        size_t n;
        if (d->unit_offset == 0 && size == UNIT_SIZE && room >= UNIT_SIZE) {
            /* Whole units, all but a short last one. */
            n = d->run_left - (d->units_left == 0 && d->last_unit_size != UNIT_SIZE);
            n = smaller(n, room / UNIT_SIZE);
            if (out != NULL) {
                fill_units(out + op, d->unit, n);
            }
            op += n * UNIT_SIZE;
            d->run_left -= (uint32_t)n;
            continue;
        }
        if (room == 0) {
            break;
        }
        n = smaller(size - d->unit_offset, room);
        if (out != NULL) {
            memcpy(out + op, d->unit + d->unit_offset, n);
        }
        op += n;
        d->unit_offset += (uint32_t)n;
        if (d->unit_offset == size) {
            d->unit_offset = 0;
            d->run_left--;
        }
    }
    return op;
}

/* The number of literal units at in[0..) that can be copied as they stand: whole in the input,
 * the output and the open block, none the picture's short last unit, none a run. */
static size_t literal_stretch(const fsd_decoder* d, const uint8_t* in, size_t avail, size_t room) {
    size_t most = smaller(avail, room) / UNIT_SIZE;
    size_t units = d->units_left;
    size_t n = 0;
    if (units == 0) {
        return 0;
    }
    most = smaller(most, units - (d->last_unit_size != UNIT_SIZE));
    if (d->form == FSD_FORM_BLOCK) {
        most = smaller(most, d->block_left / UNIT_SIZE);
        while (n < most && in[n * UNIT_SIZE] != RUN_BYTE) {
            ++n;
        }
    } else {
        while (n < most && load_le32(in + n * UNIT_SIZE) != RUN_MARKER) {
            ++n;
        }
    }
    return n;
}

void fsd_init(fsd_decoder* d) {
    memset(d, 0, sizeof *d);
}

fsd_status fsd_decode(fsd_decoder* d, const uint8_t* in, size_t in_size, size_t* in_used,
                      uint8_t* out, size_t out_size, size_t* out_made) {
    size_t ip = 0;
    size_t op = 0;
    fsd_status status = FSD_MORE;
    if (d->phase >= PHASE_FAILED) {
        status = (fsd_status)(PHASE_FAILED - d->phase);
    }
    while (status == FSD_MORE) {
        const uint8_t* item = NULL;
        int size;
        op = deliver(d, out, op, out_size);
        if (d->run_left != 0) {
            break;
        }
        if (d->phase == PHASE_BODY && body_ended(d)) {
            status = ip < in_size ? FSD_ERR_TRAILING_BYTES : FSD_DONE;
            break;
        }
        if (d->phase == PHASE_BODY && d->pending_size == 0 && ip < in_size &&
            (d->form == FSD_FORM_MARKER || d->block_left != 0)) {
            size_t n = literal_stretch(d, in + ip, in_size - ip, out_size - op);
            if (n != 0) {
                if (out != NULL) {
                    memcpy(out + op, in + ip, n * UNIT_SIZE);
                }
                ip += n * UNIT_SIZE;
                op += n * UNIT_SIZE;
                d->units_left -= (uint32_t)n;
                if (d->form == FSD_FORM_BLOCK) {
                    d->block_left = (uint16_t)(d->block_left - n * UNIT_SIZE);
                }
                continue;
            }
        }
        size = take_item(d, in, in_size, &ip, &item);
        if (size <= 0) {
            status = (fsd_status)size;
        } else if (d->phase == PHASE_HEADER) {
            status = read_header(d, item);
        } else if (d->form == FSD_FORM_BLOCK && d->block_left == 0) {
            status = open_block(d, item);
        } else {
            status = start_run(d, item, (unsigned)size);
        }
        if (size == 0) {
            break;
        }
    }
    *in_used = ip;
    *out_made = op;
    return status < 0 ? fail(d, status) : status;
}

fsd_status fsd_skip(fsd_decoder* d, const uint8_t* in, size_t in_size, size_t* in_used,
                    uint64_t* skip_left) {
    size_t room = (size_t)*skip_left;
    size_t skipped = 0;
    fsd_status status;
    if (room != *skip_left) {
        room = (size_t)-1;
    }
    status = fsd_decode(d, in, in_size, in_used, NULL, room, &skipped);
    *skip_left -= skipped;
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

uint64_t fsd_picture_bytes(const fsd_decoder* d) {
    return (uint64_t)((uint32_t)d->width * d->height) * fsd_pixel_size(d);
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
