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

void print_codec_message(CodecStatus status, std::ostream& lines) {
    const std::string_view message = codec_message(status);
    if (!message.empty()) {
        lines << message << '\n';
    }
}

// ---- In memory ----

// Why the PNG loader refused a picture, when the tool's own lines do not say: a line for standard
// error naming the picture, or empty.
std::string refusal_reason(const PictureJob& job, const LoadedPicture& loaded) {
    if (loaded.result == 0 || loaded.read_as_bmp) {
        return {};
    }
    platform::File file = platform::File::open_for_reading(job.source_path);
    FileSource source(file);
    if (!file.is_open() || read_png_colours(source) != PngColours::kGrey) {
        return {};
    }
    return "framestow: " + job.source_path +
           ": greyscale pictures are not supported; save it as RGB or RGBA\n";
}

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
    loaded.errors = errors.str() + refusal_reason(job, loaded);
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

// Opens a staging file for writing and notes it in `record` once it exists.
platform::File create_staging_file(const std::string& path, StagingRecord& record) {
    platform::File file = platform::File::open_for_writing(path);
    if (file.is_open()) {
        record.created.push_back(path);
    }
    return file;
}

// Writes `bytes` to a file opened for writing and closes it. False when the file is not open or
// any byte, the flush or the close failed: a full disk may show only at the close.
bool write_and_close(platform::File& file, std::span<const uint8_t> bytes) {
    const bool written = file.is_open() && file.write(bytes.data(), bytes.size());
    return file.close() && written;
}

int LoadPngImage(const PictureJob& job, const LoadedPicture& loaded, StagingRecord& record) {
    record.lines << loaded.messages;
    int result = loaded.result;
    if (result == 0) {
        platform::File file = create_staging_file(job.bitmap_path, record);
        if (!write_and_close(file, loaded.bitmap.bytes)) {
            record.lines << "LoadPngImage ERR: OutPutPng Failed" << -1 << '\n';
            result = -1;
        }
    }
    if (result != 0) {
        record.lines << "Error: LoadPngImage for " << job.source_path << '\n';
    }
    return result;
}

// The bitmap file of a BMP file is created before the picture is decoded, so a refused picture
// leaves an empty bitmap file behind; one that cannot be created fails without a line of its own.
int write_bmp_bitmap_file(const PictureJob& job, const LoadedPicture& loaded,
                          StagingRecord& record) {
    if (!loaded.bmp_signature) {
        return -1;
    }
    platform::File file = create_staging_file(job.bitmap_path, record);
    if (!file.is_open()) {
        return -1;
    }
    record.lines << loaded.messages;
    if (loaded.result != 0) {
        return loaded.result;
    }
    return write_and_close(file, loaded.bitmap.bytes) ? 0 : -1;
}

int load_bmp_image(const PictureJob& job, const LoadedPicture& loaded, StagingRecord& record) {
    const int result = write_bmp_bitmap_file(job, loaded, record);
    if (result != 0) {
        record.lines << "Error: LoadBmpImage for " << job.source_path << "result is" << result
                     << '\n';
    }
    return result;
}

void report_check_file_error(const std::string& check_path, std::ostream& lines) {
    lines << "BufferUnzip Error to open files = " << check_path << '\n';
}

void report_check(const DecodedPicture& check, std::ostream& lines) {
    print_codec_message(check.status, lines);
    if (check.length_differs) {
        lines << "BufferUnzip result = " << -1 << '\n';
    }
    if (check.status == CodecStatus::kDecodedDiffers) {
        lines << "BufferUnzip: ERR,decoded picture differs at byte " << check.differs_at << '\n';
    }
}

}  // namespace

int simpleZip(const std::string& compressed_path, const CompressedPicture& zip,
              const PictureBuffer& compressed, StagingRecord& record) {
    if (compressed_path.empty()) {
        record.lines << "simpleZip: ERR,outFile is NULL" << '\n';
        return -1;
    }
    if (zip.status != CodecStatus::kOk) {
        print_codec_message(zip.status, record.lines);
        return -1;
    }
    platform::File file = create_staging_file(compressed_path, record);
    if (!file.is_open()) {
        record.lines << "simpleZip: Error to open file." << compressed_path << '\n';
        return -1;
    }
    if (!write_and_close(file, std::span(compressed.data(), zip.size))) {
        record.lines << "simpleZip: Error to write file." << compressed_path << '\n';
        return -1;
    }
    return 0;
}

int BufferUnzip(const std::string& check_path, const DecodedPicture& check,
                const PictureBuffer& decoded, StagingRecord& record) {
    if (check_path.empty()) {
        record.lines << "BufferUnzip: ERR,outFile is NULL" << '\n';
        return -1;
    }
    // Created before anything is tested, so a failed check leaves an empty or header-only file.
    platform::File file = create_staging_file(check_path, record);
    if (!file.is_open()) {
        report_check_file_error(check_path, record.lines);
        return -1;
    }
    if (check.status == CodecStatus::kCompressedHeaderRefused) {
        return -1;
    }
    if (check.status != CodecStatus::kOk) {
        if (!file.write(decoded.data(), kPictureHeaderSize)) {
            report_check_file_error(check_path, record.lines);
            return -1;
        }
        report_check(check, record.lines);
        return -1;
    }
    report_check(check, record.lines);
    if (!write_and_close(file, std::span(decoded.data(), kPictureHeaderSize + check.pixel_bytes))) {
        report_check_file_error(check_path, record.lines);
        return -1;
    }
    return 0;
}

int simpleZip(const std::string& compressed_path, const CompressedPicture& zip,
              const PictureBuffer& compressed) {
    StagingRecord record;
    const int result = simpleZip(compressed_path, zip, compressed, record);
    print_lines(record.lines.str());
    return result;
}

int BufferUnzip(const std::string& check_path, const DecodedPicture& check,
                const PictureBuffer& decoded) {
    StagingRecord record;
    const int result = BufferUnzip(check_path, check, decoded, record);
    print_lines(record.lines.str());
    return result;
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

int write_staging_files(const PictureJob& job, const PreparedPicture& picture,
                        const PictureBuffers& buffers, StagingRecord& record) {
    const int load_result = picture.load.read_as_bmp ? load_bmp_image(job, picture.load, record)
                                                     : LoadPngImage(job, picture.load, record);
    if (load_result != 0) {
        return load_result;
    }
    const int zip_result = simpleZip(job.compressed_path, picture.zip, buffers.compressed, record);
    if (zip_result != 0) {
        record.lines << "Error: convertBitmaptoZip for " << job.compressed_path << '\n';
        return zip_result;
    }
    const int check_result = BufferUnzip(job.check_path, picture.check, buffers.decoded, record);
    if (check_result != 0) {
        // The compressed path, not the check path, names the picture that failed.
        record.lines << "Error: convertZiptoUnzip for " << job.compressed_path << '\n';
        return check_result;
    }
    return 0;
}

StagedPicture stage_picture(const PictureJob& job, const CodecSettings& settings,
                            PictureBuffers& buffers) {
    const PreparedPicture picture = prepare_picture(job, settings, buffers);
    StagedPicture staged;
    staged.result = write_staging_files(job, picture, buffers, staged.record);
    staged.errors = picture.load.errors;
    return staged;
}

void print_staged_picture(const StagedPicture& staged) {
    if (!staged.errors.empty()) {
        // The console's last line is "Zipping bitmap files:" or a line of progress numbers, still
        // open: what is on standard output goes first, and these lines begin on a line of their
        // own.
        std::cout << std::flush;
        std::cerr << '\n' << staged.errors << std::flush;
    }
    print_lines(staged.record.lines.str());
}

int commit_picture(const PictureJob& job, const PreparedPicture& picture,
                   const PictureBuffers& buffers) {
    StagedPicture staged;
    staged.result = write_staging_files(job, picture, buffers, staged.record);
    staged.errors = picture.load.errors;
    print_staged_picture(staged);
    return staged.result;
}

}  // namespace framestow
