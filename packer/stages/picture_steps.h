#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "codec/codec.h"
#include "codec/compression_settings.h"
#include "codec/picture_format.h"
#include "stages/settings.h"

// One picture's way through the preparation stage, in three steps. prepare_picture does all the
// work in memory: it reads the picture file, decodes it, compresses it and checks it by decoding
// it again, and writes and prints nothing. write_staging_files then writes the three staging
// files in order and stops where the picture failed, collecting the tool's messages instead of
// printing them. print_staged_picture prints them. Run back to back, the steps behave as one pass
// over the picture; apart, the first two can run on a worker and the last in picture order.
namespace framestow {

// The paths of one picture: every staging file keeps the picture's own name.
struct PictureJob {
    std::string source_path;
    std::string bitmap_path;
    std::string compressed_path;
    std::string check_path;
    PictureColour colour;  // applies when the PNG loader read the picture
};

PictureJob make_picture_job(const std::string& working_path, const std::string& name);

// What the loaders made of a picture file.
struct LoadedPicture {
    int result = 0;              // 0, or the failing loader's result
    bool read_as_bmp = false;    // the PNG loader answered that it is not a PNG file
    bool bmp_signature = false;  // a BMP file, whose bitmap file is created before decoding
    ImageBitmap bitmap;
    std::string messages;  // the loader's own lines, for standard output
    std::string errors;    // libpng's lines, for standard error
};

struct PreparedPicture {
    LoadedPicture load;
    CompressedPicture zip;  // when the load succeeded
    DecodedPicture check;   // when the compression succeeded
};

// What writing a picture's staging files leaves for the console and for clean-up: the lines that
// the one pass prints, in its order, and the staging files it created.
struct StagingRecord {
    std::ostringstream lines;
    std::vector<std::string> created;
};

// A picture whose staging files are written: its status and what it has to print.
struct StagedPicture {
    int result = 0;
    std::string errors;  // libpng's lines, for standard error
    StagingRecord record;
};

// Loads, converts (as the job's colour choice says), compresses and checks the picture of `job`
// in `buffers`, stopping at the first step that fails.
[[nodiscard]] PreparedPicture prepare_picture(const PictureJob& job, const CodecSettings& settings,
                                              PictureBuffers& buffers);

// The round-trip check of the `compressed` image of `bitmap`, decoding into `check_file`, which
// it lays out as the check file: the header with the magic of raw pixels, then the pixels.
[[nodiscard]] DecodedPicture check_and_lay_out(std::span<const uint8_t> compressed,
                                               const ImageBitmap& bitmap,
                                               PictureBuffer& check_file);

// The compressed image file: the compressor's line and -1 when compression failed, else the
// compressed bytes written to `compressed_path` ("simpleZip: Error to open file." or
// "Error to write file." and the path when that fails). Returns 0 or -1. The lines go to
// `record`, or to standard output in the form without one.
[[nodiscard]] int simpleZip(const std::string& compressed_path, const CompressedPicture& zip,
                            const PictureBuffer& compressed, StagingRecord& record);
[[nodiscard]] int simpleZip(const std::string& compressed_path, const CompressedPicture& zip,
                            const PictureBuffer& compressed);

// The check file at `check_path`: created before the check's result is looked at, then the
// header with the magic of raw pixels, the check's lines, and the decoded pixels when the check
// passed. `decoded` holds the file's bytes: the header, then the decoded pixels. Returns 0 when
// the check passed and the file was written, -1 otherwise. The lines go to `record`, or to
// standard output in the form without one.
[[nodiscard]] int BufferUnzip(const std::string& check_path, const DecodedPicture& check,
                              const PictureBuffer& decoded, StagingRecord& record);
[[nodiscard]] int BufferUnzip(const std::string& check_path, const DecodedPicture& check,
                              const PictureBuffer& decoded);

// Writes the bitmap file, the compressed image file and the check file of a prepared picture,
// collecting each step's messages and the stage's verdict on a failure in `record`. Returns 0,
// or the status of the step that failed.
[[nodiscard]] int write_staging_files(const PictureJob& job, const PreparedPicture& picture,
                                      const PictureBuffers& buffers, StagingRecord& record);

// prepare_picture and write_staging_files: everything of one picture but its console lines.
[[nodiscard]] StagedPicture stage_picture(const PictureJob& job, const CodecSettings& settings,
                                          PictureBuffers& buffers);

// Prints a staged picture's lines: libpng's on standard error, then the tool's own.
void print_staged_picture(const StagedPicture& staged);

// write_staging_files and print_staged_picture of a prepared picture, back to back.
[[nodiscard]] int commit_picture(const PictureJob& job, const PreparedPicture& picture,
                                 const PictureBuffers& buffers);

}  // namespace framestow
