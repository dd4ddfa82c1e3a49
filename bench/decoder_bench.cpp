// Throughput of the picture decoder in bytes of pixels a second, on the pictures of codec_bench
// in both body forms: a memcpy of the pixel bytes, the decoder given the whole picture (as the
// packer's round-trip check gives it), and the decoder fed 256 bytes at a time and pulling one
// row a call, as a firmware reading SPI flash does. Each row goes to its place in the picture, so
// that every case writes the same memory. Compare each case with the memcpy of the same picture
// in the same run.

#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <span>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "bench_pictures.h"
#include "codec/codec.h"
#include "framestow_decoder.h"

namespace framestow::bench {
namespace {

const std::pair<int, int> kSizes[] = {{466, 466}, {1448, 1810}};

// Larger than the packer's compressed buffer, so that the noisy picture, which does not fit there
// in the block form at the larger size, can still be timed.
constexpr std::size_t kCompressedArea = 2 * kPictureBufferSize;

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
    std::vector<uint8_t> image;  // header and body, as the compressor writes them
};

// The one call of the compressor.
std::vector<uint8_t> compress(const ImageBitmap& bitmap, bool block_form) {
    const CodecSettings settings{CompressionSettings{0, 1, block_form ? 1 : 0}, std::nullopt};
    std::vector<uint8_t> compressed(kCompressedArea);
    const CompressedPicture result = compress_picture(bitmap, settings, compressed);
    compressed.resize(result.status == CodecStatus::kOk ? result.size : 0);
    return compressed;
}

const Picture& picture(const benchmark::State& state, bool block_form) {
    static std::map<std::tuple<int64_t, int64_t, bool>, Picture> cache;
    auto [it, fresh] = cache.try_emplace({state.range(0), state.range(1), block_form});
    Picture& p = it->second;
    if (fresh) {
        std::tie(p.width, p.height) = kSizes[state.range(1)];
        const std::vector<uint8_t> pixels =
            picture_pixels(static_cast<int>(state.range(0)), p.width, p.height);
        std::vector<uint8_t> bitmap(kPictureHeaderSize);
        store_picture_header(bitmap.data(),
                             PictureHeader{kMagicBitmap, kFormat32, static_cast<uint16_t>(p.width),
                                           static_cast<uint16_t>(p.height)});
        bitmap.insert(bitmap.end(), pixels.begin(), pixels.end());
        p.image =
            compress(ImageBitmap{bitmap, p.width, p.height, kPictureKindPng, true}, block_form);
        p.pixels = pixels;
    }
    return p;
}

void report(benchmark::State& state, const Picture& p) {
    state.SetLabel(std::string(kPictureNames[state.range(0)]) + " " + std::to_string(p.width) +
                   "x" + std::to_string(p.height));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * p.pixels.size()));
}

void BM_Memcpy(benchmark::State& state) {
    const Picture& p = picture(state, true);
    std::vector<uint8_t> copy(p.pixels.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), p.pixels.data(), p.pixels.size());
        benchmark::ClobberMemory();
    }
    report(state, p);
}

void whole_picture(benchmark::State& state, bool block_form) {
    const Picture& p = picture(state, block_form);
    std::vector<uint8_t> out(p.pixels.size());
    for (auto _ : state) {
        fsd_decoder d;
        fsd_init(&d);
        std::size_t used = 0, made = 0;
        if (fsd_decode(&d, p.image.data(), p.image.size(), &used, out.data(), out.size(), &made) !=
            FSD_DONE) {
            state.SkipWithError("decoding failed");
            break;
        }
        benchmark::ClobberMemory();
    }
    report(state, p);
}

void rows_from_chunks(benchmark::State& state, bool block_form) {
    constexpr std::size_t kChunk = 256;
    const Picture& p = picture(state, block_form);
    const std::size_t row_bytes = static_cast<std::size_t>(p.width) * 4;
    std::vector<uint8_t> out(p.pixels.size());
    for (auto _ : state) {
        fsd_decoder d;
        fsd_init(&d);
        fsd_status status = FSD_MORE;
        std::size_t at = 0;
        std::size_t chunk_end = 0;
        for (std::size_t row = 0; status == FSD_MORE && row < out.size(); row += row_bytes) {
            std::size_t filled = 0;
            while (status == FSD_MORE && filled < row_bytes) {
                if (at == chunk_end) {
                    chunk_end = std::min(at + kChunk, p.image.size());
                }
                std::size_t used = 0, made = 0;
                status = fsd_decode(&d, p.image.data() + at, chunk_end - at, &used,
                                    out.data() + row + filled, row_bytes - filled, &made);
                at += used;
                filled += made;
            }
        }
        if (status != FSD_DONE) {
            state.SkipWithError("decoding failed");
            break;
        }
        benchmark::ClobberMemory();
    }
    report(state, p);
}

void BM_FsdWholeBlock(benchmark::State& state) {
    whole_picture(state, true);
}
void BM_FsdWholeMarker(benchmark::State& state) {
    whole_picture(state, false);
}
void BM_FsdRowsBlock(benchmark::State& state) {
    rows_from_chunks(state, true);
}
void BM_FsdRowsMarker(benchmark::State& state) {
    rows_from_chunks(state, false);
}

const std::vector<std::vector<int64_t>> kCases = {{kFlatScreen, kAlphaIcon, kNoisyPhoto}, {0, 1}};
BENCHMARK(BM_Memcpy)->ArgsProduct(kCases);
BENCHMARK(BM_FsdWholeBlock)->ArgsProduct(kCases);
BENCHMARK(BM_FsdRowsBlock)->ArgsProduct(kCases);
BENCHMARK(BM_FsdWholeMarker)->ArgsProduct(kCases);
BENCHMARK(BM_FsdRowsMarker)->ArgsProduct(kCases);

}  // namespace
}  // namespace framestow::bench

BENCHMARK_MAIN();
