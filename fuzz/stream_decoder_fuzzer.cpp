// The C picture decoder given any bytes, pushed and pulled in pieces. The input is
//
//   offset  width  field
//   0       u8     seed of the input piece sizes
//   1       u8     seed of the output piece sizes
//   2       u8     pixel bytes to skip with fsd_skip before decoding, in units of 7
//   3       ...    the compressed image: header and body
//
// Decoded in pieces (each in a buffer of its exact size, so that the address sanitizer sees any
// byte beyond), the image must give the same pixel bytes and the same status as one call with
// the whole image and ample output: once in pieces of the sizes that the seeds draw, and, for
// small pictures, once more a byte at a time both ways, which cuts every item and every unit.
// Pictures larger than kLargestPixelBytes are decoded up to that many bytes, in both runs alike.
// Neither run may claim more input or output than it was given, an error must stay, and FSD_DONE
// must come with exactly the picture's pixel bytes.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "framestow_decoder.h"
#include "fuzz_check.h"

using fuzzcheck::require;

namespace {

constexpr std::size_t kPrefixSize = 3;
constexpr uint64_t kLargestPixelBytes = uint64_t{1} << 17;

struct Result {
    std::vector<uint8_t> pixels;
    fsd_status status = FSD_MORE;
};

// The pixel bytes either run is asked for: the picture's, when its header is known and it is not
// too large, else kLargestPixelBytes; `whole` is false in the second case.
std::size_t wanted_bytes(const uint8_t* image, std::size_t size, bool& whole) {
    fsd_decoder d;
    fsd_init(&d);
    std::size_t used = 0;
    std::size_t made = 0;
    fsd_decode(&d, image, std::min<std::size_t>(size, FSD_HEADER_SIZE), &used, nullptr, 0, &made);
    whole = fsd_header_ready(&d) != 0 && fsd_picture_bytes(&d) <= kLargestPixelBytes;
    return whole ? static_cast<std::size_t>(fsd_picture_bytes(&d)) : kLargestPixelBytes;
}

// Pictures of at most this many pixel bytes (with their input) are also decoded a byte at a time.
constexpr std::size_t kLargestBytewise = 8192;

// Piece sizes from a seed: mostly a few bytes, now and then a few hundred; or always one byte.
class PieceSizes {
  public:
    explicit PieceSizes(uint8_t seed) : state_(seed * 2654435761u + 1) {}
    static PieceSizes single_bytes() { return PieceSizes(); }
    std::size_t next() {
        if (state_ == 0) {
            return 1;
        }
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return (state_ & 0x300) == 0 ? 1 + state_ % 600 : 1 + state_ % 13;
    }

  private:
    PieceSizes() : state_(0) {}
    uint32_t state_;  // 0 only for single bytes: a seeded state never becomes 0
};

void check_counts(fsd_status status, std::size_t used, std::size_t in_size, std::size_t made,
                  std::size_t out_size) {
    require(status >= FSD_ERR_TRAILING_BYTES && status <= FSD_DONE, "a known status");
    require(used <= in_size, "no more input used than given");
    require(made <= out_size, "no more pixel bytes made than room given");
}

// Stops a run that is stuck: no input used and no pixel byte made, twice over.
class Progress {
  public:
    void note(std::size_t used, std::size_t made) {
        idle_ = used == 0 && made == 0 ? idle_ + 1 : 0;
        require(idle_ < 3, "every call makes progress or ends");
    }

  private:
    int idle_ = 0;
};

Result decode_whole(const uint8_t* image, std::size_t size, std::size_t wanted, bool whole) {
    fsd_decoder d;
    fsd_init(&d);
    Result result;
    result.pixels.resize(wanted);
    std::size_t used = 0;
    std::size_t made = 0;
    result.status = fsd_decode(&d, image, size, &used, result.pixels.data(), wanted, &made);
    check_counts(result.status, used, size, made, wanted);
    result.pixels.resize(made);
    if (result.status == FSD_MORE && (whole || made < wanted)) {
        require(used == size, "input is left over only when the output is full");
        result.status = fsd_finish(&d);
    }
    return result;
}

Result decode_in_pieces(const uint8_t* image, std::size_t size, std::size_t wanted, bool whole,
                        PieceSizes in_sizes, PieceSizes out_sizes, uint64_t skip) {
    fsd_decoder d;
    fsd_init(&d);
    Result result;
    Progress progress;
    std::size_t at = 0;
    std::size_t total = 0;
    // A caller that gives all its input: on after FSD_DONE while bytes are left, so that
    // trailing bytes are seen whatever the split.
    while (result.status == FSD_MORE || (result.status == FSD_DONE && at < size)) {
        const std::size_t in_size = std::min(in_sizes.next(), size - at);
        const std::vector<uint8_t> in(image + at, image + at + in_size);
        std::size_t used = 0;
        std::size_t made = 0;
        std::size_t room = 0;
        if (skip > 0) {
            const uint64_t before = skip;
            result.status = fsd_skip(&d, in.data(), in.size(), &used, &skip);
            require(skip <= before, "skipping counts down");
            made = static_cast<std::size_t>(before - skip);
            room = static_cast<std::size_t>(before);
            result.pixels.resize(result.pixels.size() + made, 0);
        } else {
            room = std::min(out_sizes.next(), wanted - total);
            std::vector<uint8_t> out(room);
            result.status = fsd_decode(&d, in.data(), in.size(), &used, out.data(), room, &made);
            result.pixels.insert(result.pixels.end(), out.begin(), out.begin() + made);
        }
        check_counts(result.status, used, in_size, made, room);
        progress.note(used, made);
        at += used;
        total += made;
        if (result.status == FSD_DONE) {
            require(used == in_size, "done uses all the input it is given");
            continue;
        }
        if (result.status != FSD_MORE) {
            break;
        }
        if (!whole && total == wanted) {
            // The single call went on until it needed output room or input; so does this run.
            if (used == 0 || at == size) {
                break;
            }
            continue;
        }
        if (at == size && (room == 0 || made < room)) {
            require(used == in_size, "input is left over only when the output is full");
            result.status = fsd_finish(&d);
        }
    }
    if (result.status < 0) {
        std::size_t used = 1;
        std::size_t made = 1;
        uint8_t byte = 0;
        require(fsd_decode(&d, &byte, 1, &used, &byte, 1, &made) == result.status && used == 0 &&
                    made == 0 && fsd_finish(&d) == result.status,
                "an error stays");
    }
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < kPrefixSize) {
        return 0;
    }
    const uint8_t* image = data + kPrefixSize;
    const std::size_t image_size = size - kPrefixSize;
    bool whole = false;
    const std::size_t wanted = wanted_bytes(image, image_size, whole);

    const Result once = decode_whole(image, image_size, wanted, whole);
    if (once.status == FSD_DONE) {
        require(whole && once.pixels.size() == wanted, "done means every pixel byte");
    }
    const uint64_t skip = std::min<uint64_t>(uint64_t{data[2]} * 7, once.pixels.size());
    Result pieces = decode_in_pieces(image, image_size, wanted, whole, PieceSizes(data[0]),
                                     PieceSizes(data[1]), skip);
    // Skipped bytes were not written; compare what was.
    std::fill_n(pieces.pixels.begin(), std::min<std::size_t>(skip, pieces.pixels.size()), 0);
    std::vector<uint8_t> expected = once.pixels;
    std::fill_n(expected.begin(), std::min<std::size_t>(skip, expected.size()), 0);
    require(pieces.status == once.status, "the same status in pieces as in one call");
    require(pieces.pixels == expected, "the same pixel bytes in pieces as in one call");
    if (image_size + wanted <= kLargestBytewise) {
        const Result bytes =
            decode_in_pieces(image, image_size, wanted, whole, PieceSizes::single_bytes(),
                             PieceSizes::single_bytes(), 0);
        require(bytes.status == once.status, "the same status a byte at a time as in one call");
        require(bytes.pixels == once.pixels,
                "the same pixel bytes a byte at a time as in one call");
    }
    return 0;
}
