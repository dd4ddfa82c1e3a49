// Throughput of the compressor on pictures like those the packer sees, in bytes of pixels a
// second, beside a memcpy of the same bytes as the reference. decoder_bench times the decoding.

#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "bench_pictures.h"
#include "codec/codec.h"

namespace framestow::bench {
namespace {

const std::pair<int, int> kSizes[] = {{466, 466}, {1448, 1810}};

struct BenchPicture {
    std::vector<uint8_t> bitmap;  // ImageBitmap: header and pixels
    ImageBitmap info;
    std::size_t pixel_bytes = 0;
};

const BenchPicture& picture(int kind, int size_index) {
    static std::map<std::pair<int, int>, BenchPicture> cache;
    auto [it, fresh] = cache.try_emplace({kind, size_index});
    if (!fresh) {
        return it->second;
    }
    const auto [width, height] = kSizes[size_index];
    BenchPicture& p = it->second;
    const std::vector<uint8_t> pixels = picture_pixels(kind, width, height);
    p.pixel_bytes = pixels.size();
    p.bitmap.resize(kPictureHeaderSize);
    store_picture_header(p.bitmap.data(),
                         PictureHeader{kMagicBitmap, kFormat32, static_cast<uint16_t>(width),
                                       static_cast<uint16_t>(height)});
    p.bitmap.insert(p.bitmap.end(), pixels.begin(), pixels.end());
    p.info = ImageBitmap{p.bitmap, width, height, kPictureKindPng, true};
    return p;
}

CodecSettings settings_for(bool block_form) {
    return CodecSettings{CompressionSettings{0, 1, block_form ? 1 : 0}, std::nullopt};
}

void label(benchmark::State& state, const BenchPicture& p) {
    state.SetLabel(std::string(kPictureNames[state.range(0)]) + " " + std::to_string(p.info.width) +
                   "x" + std::to_string(p.info.height));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * p.pixel_bytes));
}

void BM_Memcpy(benchmark::State& state) {
    const BenchPicture& p =
        picture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    std::vector<uint8_t> copy(p.pixel_bytes);
    for (auto _ : state) {
        std::memcpy(copy.data(), p.bitmap.data() + kPictureHeaderSize, p.pixel_bytes);
        benchmark::ClobberMemory();
    }
    label(state, p);
}

// Larger than the packer's compressed buffer, so that the noisy picture, which does not fit there
// in the block form at the larger size, can still be timed.
constexpr std::size_t kCompressedArea = 2 * kPictureBufferSize;

void compress_benchmark(benchmark::State& state, bool block_form) {
    const BenchPicture& source =
        picture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    std::vector<uint8_t> compressed(kCompressedArea);
    const CodecSettings settings = settings_for(block_form);
    std::size_t size = 0;
    for (auto _ : state) {
        const CompressedPicture result = compress_picture(source.info, settings, compressed);
        if (result.status != CodecStatus::kOk) {
            state.SkipWithError("compression failed");
            break;
        }
        size = result.size;
        benchmark::ClobberMemory();
    }
    state.counters["ratio"] = static_cast<double>(size) / static_cast<double>(source.pixel_bytes);
    label(state, source);
}

void BM_CompressBlock(benchmark::State& state) {
    compress_benchmark(state, true);
}
void BM_CompressMarker(benchmark::State& state) {
    compress_benchmark(state, false);
}

const std::vector<std::vector<int64_t>> kCases = {{kFlatScreen, kAlphaIcon, kNoisyPhoto}, {0, 1}};
BENCHMARK(BM_Memcpy)->ArgsProduct(kCases);
BENCHMARK(BM_CompressBlock)->ArgsProduct(kCases);
BENCHMARK(BM_CompressMarker)->ArgsProduct(kCases);

}  // namespace
}  // namespace framestow::bench

BENCHMARK_MAIN();
