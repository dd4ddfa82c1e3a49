// The measurements of the RGB565 benchmark (bench/rgb565_bench.py).
//
//   rgb565_measure scale SOURCE.png TARGET.png [first|middle|last]
//       Crops a square of SOURCE (the middle one unless told: the first is the left or top one),
//       averages it down to 466 x 466 and writes it opaque.
//   rgb565_measure measure FOLDER
//       For every opaque PNG picture of FOLDER, as the packer would store it: the compressed
//       bytes as 8888 in the block form, as RGB565 rounded and as RGB565 dithered (both in the
//       marker form), the PSNR of what the decoder gives back against the picture, and the time
//       of the conversions. One line a picture, then a line of totals; exit status 1 when a file
//       cannot be read.

#include <png.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "codec/codec.h"
#include "colour/rgb565_conversion.h"
#include "image_input/byte_source.h"
#include "image_input/png_loader.h"
#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;
using namespace framestow;

constexpr uint32_t kSide = 466;
constexpr int kRepeats = 5;

// Where the square lies in the free room: 0 for the first, 2 for the last, 1 for the middle.
int scale(const std::string& source, const std::string& target, uint32_t position) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, source.c_str()) == 0) {
        std::cerr << source << ": " << image.message << '\n';
        return 1;
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) == 0) {
        std::cerr << source << ": " << image.message << '\n';
        return 1;
    }
    const uint32_t side = std::min(image.width, image.height);
    const uint32_t left = (image.width - side) * position / 2;
    const uint32_t top = (image.height - side) * position / 2;
    std::vector<uint8_t> out(std::size_t{kSide} * kSide * 3);
    // Each target pixel averages the source pixels whose squares it covers.
    for (uint32_t y = 0; y < kSide; ++y) {
        const uint32_t y0 = top + y * side / kSide;
        const uint32_t y1 = std::max(y0 + 1, top + (y + 1) * side / kSide);
        for (uint32_t x = 0; x < kSide; ++x) {
            const uint32_t x0 = left + x * side / kSide;
            const uint32_t x1 = std::max(x0 + 1, left + (x + 1) * side / kSide);
            for (uint32_t channel = 0; channel < 3; ++channel) {
                uint64_t sum = 0;
                for (uint32_t sy = y0; sy < y1; ++sy) {
                    for (uint32_t sx = x0; sx < x1; ++sx) {
                        sum += pixels[(std::size_t{sy} * image.width + sx) * 3 + channel];
                    }
                }
                const uint64_t count = uint64_t{y1 - y0} * (x1 - x0);
                out[(std::size_t{y} * kSide + x) * 3 + channel] =
                    static_cast<uint8_t>((sum + count / 2) / count);
            }
        }
    }
    png_image written{};
    written.version = PNG_IMAGE_VERSION;
    written.width = kSide;
    written.height = kSide;
    written.format = PNG_FORMAT_RGB;
    if (png_image_write_to_file(&written, target.c_str(), 0, out.data(), 0, nullptr) == 0) {
        std::cerr << target << ": " << written.message << '\n';
        return 1;
    }
    return 0;
}

struct Stored {
    std::size_t bytes = 0;
    double psnr = 0;
};

// Compresses `bitmap`, decodes the result as the device would and compares its colours with the
// picture's own.
Stored store(const ImageBitmap& bitmap, const std::vector<Rgb>& source, PictureBuffers& buffers) {
    CodecSettings settings;
    settings.png = CompressionSettings{0, 1, 1};
    const CompressedPicture zip = compress_picture(bitmap, settings, buffers.compressed);
    if (zip.status != CodecStatus::kOk) {
        return {};
    }
    const DecodedPicture decoded =
        decode_picture(std::span(buffers.compressed.data(), zip.size), buffers.decoded);
    const std::span<const uint8_t> pixels(buffers.decoded.data(), decoded.pixel_bytes);
    const std::vector<Rgb> shown =
        colours_of(pixels, decoded.header.pixel_format, bitmap.blue_first, std::nullopt);
    return {zip.size, psnr(source, shown).value_or(0)};
}

std::string decibels(double value) {
    if (value == std::numeric_limits<double>::infinity()) {
        return "inf";
    }
    std::ostringstream text;
    text.precision(2);
    text << std::fixed << value;
    return text.str();
}

int measure(const std::string& folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() == ".png") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    PictureBuffers buffers;
    PictureBuffer converted;
    std::size_t totals[3] = {0, 0, 0};
    double worst_rounded = std::numeric_limits<double>::infinity();
    std::chrono::duration<double> conversion[2] = {};
    std::cout << "picture bytes_8888 bytes_565 bytes_565_dither psnr_8888 psnr_565 "
                 "psnr_565_dither\n";
    for (const fs::path& path : files) {
        platform::File file = platform::File::open_for_reading(path.string());
        FileSource source(file);
        ImageBitmap bitmap;
        std::ostringstream quiet;
        if (decode_png_image(source, buffers.bitmap, bitmap, quiet, quiet) != 0) {
            std::cerr << path << ": not read\n";
            return 1;
        }
        const std::span<const uint8_t> pixels = bitmap.bytes.subspan(kPictureHeaderSize);
        if (!is_opaque(pixels, bitmap.blue_first)) {
            continue;
        }
        const std::vector<Rgb> colours =
            colours_of(pixels, kFormat32, bitmap.blue_first, std::nullopt);
        Stored results[3];
        results[0] = store(bitmap, colours, buffers);
        for (int dither = 0; dither < 2; ++dither) {
            ColourChoice choice;
            choice.rgb565 = true;
            choice.dither = dither == 1;
            // The least of a few conversions: the machine may be busy with other work.
            std::chrono::duration<double> least = std::chrono::hours(1);
            ImageBitmap copy;
            for (int repeat = 0; repeat < kRepeats; ++repeat) {
                std::copy(bitmap.bytes.begin(), bitmap.bytes.end(), converted.data());
                copy = bitmap;
                copy.bytes = std::span<const uint8_t>(converted.data(), bitmap.bytes.size());
                const auto start = std::chrono::steady_clock::now();
                (void)apply_colour_choice(choice, converted, copy);
                least = std::min<std::chrono::duration<double>>(
                    least, std::chrono::steady_clock::now() - start);
            }
            conversion[dither] += least;
            results[1 + dither] = store(copy, colours, buffers);
        }
        worst_rounded = std::min(worst_rounded, results[1].psnr);
        std::cout << path.filename().string();
        for (int k = 0; k < 3; ++k) {
            totals[k] += results[k].bytes;
            std::cout << ' ' << results[k].bytes;
        }
        for (const Stored& result : results) {
            std::cout << ' ' << decibels(result.psnr);
        }
        std::cout << '\n';
    }
    std::cout << "total " << totals[0] << ' ' << totals[1] << ' ' << totals[2] << " worst_psnr_565 "
              << decibels(worst_rounded) << " rounding_seconds " << conversion[0].count()
              << " dithering_seconds " << conversion[1].count() << '\n';
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if ((args.size() == 3 || args.size() == 4) && args[0] == "scale") {
        const std::string where = args.size() == 4 ? args[3] : "middle";
        return scale(args[1], args[2], where == "first" ? 0 : where == "last" ? 2 : 1);
    }
    if (args.size() == 2 && args[0] == "measure") {
        return measure(args[1]);
    }
    std::cerr << "usage: rgb565_measure scale SOURCE.png TARGET.png [first|middle|last] | measure "
                 "FOLDER\n";
    return 2;
}
