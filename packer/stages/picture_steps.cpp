#include "stages/picture_steps.h"

#include <iostream>
#include <sstream>
#include <string_view>

#include "colour/rgb565_conversion.h"
#include "image_input/bmp_loader.h"
#include "image_input/byte_source.h"
#include "image_input/png_loader.h"
#include "platform/platform.h"

namespace framestow {

namespace {

// Prints lines that a step collected, each already ended, and lets them reach the console at
// once, as every line of the tool does.
void print_lines(std::string_view lines) {
    std::cout << lines << std::flush;
}

// The line a codec failure prints; the failures without a line give an empty text.
std::string_view codec_message(CodecStatus status) {
    switch (status) {
        case CodecStatus::kLiteralOutOfBond:
            return "SimpleZipBody: ERR,Out of bond";
        case CodecStatus::kMarkerTokenOutOfBond:
            return "ZipPix: ERR,Out of bond";
        case CodecStatus::kBlockOutOfBond:
            return "BlockZipBody: ERR,Out of bond";
        case CodecStatus::kRunTokenOutOfBond:
            return "WriteCompressData: ERR,Out of bond";
        case CodecStatus::kRunTooLong:
            return "WriteCompressData: ERR,same_num is illegal";
        case CodecStatus::kEmptyPicture:
            return "header err ";
        default:
            return {};
    }
}

void print_codec_message(CodecStatus status) {
    const std::string_view message = codec_message(status);
    if (!message.empty()) {
        std::cout << message << std::endl;
    }
}

// ---- In memory ----

// The loader is chosen by content, not by extension: only a file without the PNG signature goes
// on to the BMP loader, which opens it afresh.
LoadedPicture load_picture(const PictureJob& job, PictureBuffer& buffer) {
    LoadedPicture loaded;
    std::ostringstream messages;
    std::ostringstream errors;
    platform::File png_file = platform::File::open_for_reading(job.source_path);
    if (!png_file.is_open()) {
        loaded.result = -1;
        return loaded;
    }
    FileSource png_source(png_file);
    loaded.result = decode_png_image(png_source, buffer, loaded.bitmap, messages, errors);
    if (loaded.result == kNotPngFile) {
        loaded.read_as_bmp = true;
        platform::File bmp_file = platform::File::open_for_reading(job.source_path);
        FileSource bmp_source(bmp_file);
        const BmpHeaders headers = read_bmp_headers(bmp_source);
        loaded.bmp_signature = has_bmp_signature(headers);
        loaded.result = loaded.bmp_signature ? decode_bmp_image(headers, bmp_source,
                                                                {job.source_path, job.bitmap_path},
                                                                buffer, loaded.bitmap, messages)
                                             : -1;
    }
    loaded.messages = messages.str();
    loaded.errors = errors.str();
    return loaded;
}

// A PNG picture's colours as its settings choose; a bad value fails the load with its line.
void apply_picture_colour(const PictureJob& job, PictureBuffer& buffer, LoadedPicture& loaded) {
    if (!job.colour.error.empty()) {
        loaded.messages += job.colour.error + '\n';
        loaded.result = -1;
        return;
    }
    if (apply_colour_choice(job.colour.choice, buffer, loaded.bitmap) ==
        ColourOutcome::kTransparentKept) {
        loaded.errors += "LoadPngImage: " + job.source_path +
                         " has transparent pixels and no background: kept as 32-bit pixels\n";
    }
}

// ---- On disk ----

// Writes `bytes` to a file opened for writing and closes it. False when the file is not open or
// any byte, the flush or the close failed: a full disk may show only at the close.
bool write_and_close(platform::File& file, std::span<const uint8_t> bytes) {
    const bool written = file.is_open() && file.write(bytes.data(), bytes.size());
    return file.close() && written;
}

int LoadPngImage(const PictureJob& job, const LoadedPicture& loaded) {
    print_lines(loaded.messages);
    int result = loaded.result;
    if (result == 0) {
        platform::File file = platform::File::open_for_writing(job.bitmap_path);
        if (!write_and_close(file, loaded.bitmap.bytes)) {
            std::cout << "LoadPngImage ERR: OutPutPng Failed" << -1 << std::endl;
            result = -1;
        }
    }
    if (result != 0) {
        std::cout << "Error: LoadPngImage for " << job.source_path << std::endl;
    }
    return result;
}

// The bitmap file of a BMP file is created before the picture is decoded, so a refused picture
// leaves an empty bitmap file behind; one that cannot be created fails without a line of its own.
int write_bmp_bitmap_file(const PictureJob& job, const LoadedPicture& loaded) {
    if (!loaded.bmp_signature) {
        return -1;
    }
    platform::File file = platform::File::open_for_writing(job.bitmap_path);
    if (!file.is_open()) {
        return -1;
    }
    print_lines(loaded.messages);
    if (loaded.result != 0) {
        return loaded.result;
    }
    return write_and_close(file, loaded.bitmap.bytes) ? 0 : -1;
}

int load_bmp_image(const PictureJob& job, const LoadedPicture& loaded) {
    const int result = write_bmp_bitmap_file(job, loaded);
    if (result != 0) {
        std::cout << "Error: LoadBmpImage for " << job.source_path << "result is" << result
                  << std::endl;
    }
    return result;
}

void report_check_file_error(const std::string& check_path) {
    std::cout << "BufferUnzip Error to open files = " << check_path << std::endl;
}

void report_check(const DecodedPicture& check) {
    print_codec_message(check.status);
    if (check.length_differs) {
        std::cout << "BufferUnzip result = " << -1 << std::endl;
    }
    if (check.status == CodecStatus::kDecodedDiffers) {
        std::cout << "BufferUnzip: ERR,decoded picture differs at byte " << check.differs_at
                  << std::endl;
    }
}

}  // namespace

int simpleZip(const std::string& compressed_path, const CompressedPicture& zip,
              const PictureBuffer& compressed) {
    if (compressed_path.empty()) {
        std::cout << "simpleZip: ERR,outFile is NULL" << std::endl;
        return -1;
    }
    if (zip.status != CodecStatus::kOk) {
        print_codec_message(zip.status);
        return -1;
    }
    platform::File file = platform::File::open_for_writing(compressed_path);
    if (!file.is_open()) {
        std::cout << "simpleZip: Error to open file." << compressed_path << std::endl;
        return -1;
    }
    if (!write_and_close(file, std::span(compressed.data(), zip.size))) {
        std::cout << "simpleZip: Error to write file." << compressed_path << std::endl;
        return -1;
    }
    return 0;
}

int BufferUnzip(const std::string& check_path, const DecodedPicture& check,
                const PictureBuffer& decoded) {
    if (check_path.empty()) {
        std::cout << "BufferUnzip: ERR,outFile is NULL" << std::endl;
        return -1;
    }
    // Created before anything is tested, so a failed check leaves an empty or header-only file.
    platform::File file = platform::File::open_for_writing(check_path);
    if (!file.is_open()) {
        report_check_file_error(check_path);
        return -1;
    }
    if (check.status == CodecStatus::kCompressedHeaderRefused) {
        return -1;
    }
    if (check.status != CodecStatus::kOk) {
        if (!file.write(decoded.data(), kPictureHeaderSize)) {
            report_check_file_error(check_path);
            return -1;
        }
        report_check(check);
        return -1;
    }
    report_check(check);
    if (!write_and_close(file, std::span(decoded.data(), kPictureHeaderSize + check.pixel_bytes))) {
        report_check_file_error(check_path);
        return -1;
    }
    return 0;
}

PictureJob make_picture_job(const std::string& working_path, const std::string& name) {
    using platform::path_literal;
    return PictureJob{
        working_path + path_literal("\\image\\") + name,
        working_path + path_literal("\\temp\\image_bitmap\\") + name,
        working_path + path_literal("\\temp\\image_zip\\") + name,
        working_path + path_literal("\\temp\\image_unzip\\") + name,
        {},
    };
}

DecodedPicture check_and_lay_out(std::span<const uint8_t> compressed, const ImageBitmap& bitmap,
                                 PictureBuffer& check_file) {
    const DecodedPicture check = check_picture(compressed, bitmap.bytes.subspan(kPictureHeaderSize),
                                               std::span(check_file).subspan(kPictureHeaderSize));
    if (check.status != CodecStatus::kCompressedHeaderRefused) {
        PictureHeader header = check.header;
        header.magic = kMagicBitmap;
        store_picture_header(check_file.data(), header);
    }
    return check;
}

PreparedPicture prepare_picture(const PictureJob& job, const CodecSettings& settings,
                                PictureBuffers& buffers) {
    PreparedPicture picture;
    picture.load = load_picture(job, buffers.bitmap);
    if (picture.load.result == 0 && !picture.load.read_as_bmp) {
        apply_picture_colour(job, buffers.bitmap, picture.load);
    }
    if (picture.load.result != 0) {
        return picture;
    }
    picture.zip = compress_picture(picture.load.bitmap, settings, buffers.compressed);
    if (picture.zip.status != CodecStatus::kOk) {
        return picture;
    }
    picture.check = check_and_lay_out(std::span(buffers.compressed.data(), picture.zip.size),
                                      picture.load.bitmap, buffers.decoded);
    return picture;
}

int commit_picture(const PictureJob& job, const PreparedPicture& picture,
                   const PictureBuffers& buffers) {
    std::cerr << picture.load.errors << std::flush;
    const int load_result = picture.load.read_as_bmp ? load_bmp_image(job, picture.load)
                                                     : LoadPngImage(job, picture.load);
    if (load_result != 0) {
        return load_result;
    }
    const int zip_result = simpleZip(job.compressed_path, picture.zip, buffers.compressed);
    if (zip_result != 0) {
        std::cout << "Error: convertBitmaptoZip for " << job.compressed_path << std::endl;
        return zip_result;
    }
    const int check_result = BufferUnzip(job.check_path, picture.check, buffers.decoded);
    if (check_result != 0) {
        // The compressed path, not the check path, names the picture that failed.
        std::cout << "Error: convertZiptoUnzip for " << job.compressed_path << std::endl;
        return check_result;
    }
    return 0;
}

}  // namespace framestow
