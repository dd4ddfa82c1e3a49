// Throughput of the codec on pictures like those the packer sees, in bytes of pixels a second,
// beside a memcpy of the same bytes as the reference.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "codec/byte_order.h"
#include "codec/codec.h"

namespace framestow {
namespace {

enum PictureKind { kFlatScreen, kAlphaIcon, kNoisyPhoto };
const char* const kPictureNames[] = {"flat UI screen", "alpha icon", "noisy photo"};
const std::pair<int, int> kSizes[] = {{466, 466}, {1448, 1810}};

uint32_t bgra(uint32_t b, uint32_t g, uint32_t r, uint32_t a) {
    return b | (g << 8) | (r << 16) | (a << 24);
}

// A settings screen: a header bar, rows of buttons with a one-pixel border, a few glyph-like
// marks on each button.
uint32_t flat_screen_pixel(int x, int y, int width, int height) {
    if (y < height / 10) {
        return bgra(0x40, 0x30, 0x20, 0xFF);
    }
    const int row = y * 8 / height;
    const int row_top = row * height / 8;
    const int row_y = y - row_top;
    const bool on_button =
        x > width / 12 && x < width * 11 / 12 && row_y > 6 && row_y < height / 10;
    if (!on_button) {
        return bgra(0xF0, 0xF0, 0xF0, 0xFF);
    }
    if (row_y == 7 || row_y == height / 10 - 1 || x == width / 12 + 1 || x == width * 11 / 12 - 1) {
        return bgra(0xA0, 0xA0, 0xA0, 0xFF);
    }
    const bool glyph = x > width / 8 && x < width / 2 && ((x / 3 + row_y / 2) % 7 == 0);
    return glyph ? bgra(0x10, 0x10, 0x10, 0xFF) : bgra(0xFF, 0xFF, 0xFF, 0xFF);
}

// A round icon on a transparent background: a solid disc whose edge fades over two pixels, with
// a ring of another colour inside.
uint32_t alpha_icon_pixel(int x, int y, int width, int height) {
    const double dx = x - width / 2.0;
    const double dy = y - height / 2.0;
    const double distance = std::sqrt(dx * dx + dy * dy);
    const double radius = std::min(width, height) * 0.45;
    const double coverage = std::clamp((radius - distance) / 2.0, 0.0, 1.0);
    if (coverage == 0.0) {
        return 0;
    }
    const auto alpha = static_cast<uint32_t>(coverage * 255.0);
    const bool ring = std::abs(distance - radius * 0.6) < radius * 0.08;
    return ring ? bgra(0xFF, 0xFF, 0xFF, alpha) : bgra(0xE0, 0x80, 0x20, alpha);
}

// Smooth light over the picture with sensor noise on every channel: almost no two neighbours
// alike.
uint32_t noisy_photo_pixel(int x, int y, int width, int height, uint32_t& seed) {
    seed = seed * 1664525u + 1013904223u;
    const uint32_t base = static_cast<uint32_t>(x * 160 / width + y * 80 / height);
    auto channel = [&](int shift) { return (base + ((seed >> shift) & 0x1F)) & 0xFF; };
    return bgra(channel(3), channel(11), channel(19), 0xFF);
}

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
    p.pixel_bytes = static_cast<std::size_t>(width) * height * 4;
    p.bitmap.resize(kPictureHeaderSize + p.pixel_bytes);
    store_picture_header(p.bitmap.data(),
                         PictureHeader{kMagicBitmap, kFormat32, static_cast<uint16_t>(width),
                                       static_cast<uint16_t>(height)});
    uint32_t seed = 12345;
    uint8_t* pixel = p.bitmap.data() + kPictureHeaderSize;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x, pixel += 4) {
            const uint32_t value = kind == kFlatScreen ? flat_screen_pixel(x, y, width, height)
                                   : kind == kAlphaIcon
                                       ? alpha_icon_pixel(x, y, width, height)
                                       : noisy_photo_pixel(x, y, width, height, seed);
            store_le32(pixel, value);
        }
    }
    p.info = ImageBitmap{p.bitmap, width, height, kPictureKindPng};
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

void decode_benchmark(benchmark::State& state, bool block_form) {
    const BenchPicture& source =
        picture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    std::vector<uint8_t> compressed(kCompressedArea);
    std::vector<uint8_t> decoded(kPictureBufferSize);
    const CodecSettings settings = settings_for(block_form);
    const CompressedPicture zip = compress_picture(source.info, settings, compressed);
    if (zip.status != CodecStatus::kOk) {
        state.SkipWithError("compression failed");
        return;
    }
    for (auto _ : state) {
        if (decode_picture(std::span(compressed).first(zip.size), settings, decoded).status !=
            CodecStatus::kOk) {
            state.SkipWithError("decoding failed");
            break;
        }
        benchmark::ClobberMemory();
    }
    label(state, source);
}

void BM_CompressBlock(benchmark::State& state) {
    compress_benchmark(state, true);
}
void BM_CompressMarker(benchmark::State& state) {
    compress_benchmark(state, false);
}
void BM_DecodeBlock(benchmark::State& state) {
    decode_benchmark(state, true);
}
void BM_DecodeMarker(benchmark::State& state) {
    decode_benchmark(state, false);
}

const std::vector<std::vector<int64_t>> kCases = {{kFlatScreen, kAlphaIcon, kNoisyPhoto}, {0, 1}};
BENCHMARK(BM_Memcpy)->ArgsProduct(kCases);
BENCHMARK(BM_CompressBlock)->ArgsProduct(kCases);
BENCHMARK(BM_CompressMarker)->ArgsProduct(kCases);
BENCHMARK(BM_DecodeBlock)->ArgsProduct(kCases);
BENCHMARK(BM_DecodeMarker)->ArgsProduct(kCases);

}  // namespace
}  // namespace framestow

BENCHMARK_MAIN();
