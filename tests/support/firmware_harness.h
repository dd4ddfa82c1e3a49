#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "support/workspace_harness.h"

// Builds a firmware around the BitmapMapping.cpp that the packer wrote, with the headers of
// firmware/include, runs it and reads what it printed: one line per application and picture
// number it asked about.
namespace framestow::testing {

enum class FirmwareProgram {
    kLookup,       // lookup_driver.cpp on the host: what GetPngOffset answers, nothing read
    kPictureWalk,  // the example firmware's picture walk, built for the host
    // The example firmware on an emulated core (see emulated_cores()).
    kCortexM0,
    kCortexM4,
    kCortexM7,
    kCortexM33,
    kRiscV32,
    kBigEndianHost,
};

// The emulated cores, each with the name its test reports.
struct EmulatedCore {
    FirmwareProgram program;
    const char* name;
};
std::vector<EmulatedCore> emulated_cores();
// Names a core in test output.
void PrintTo(const EmulatedCore& core, std::ostream* out);

// Builds `program` in `build_folder` with output_folder/BitmapMapping.cpp and runs it, asking
// about every application number from 0 to highest_app + 1 and every picture number from 0 to
// highest_picture + 1; the picture walk reads the package files of `output_folder`. A build that
// fails, or a compiler or emulator that is not installed, throws std::runtime_error that says
// which. The emulator is stopped after two minutes.
ProcessResult run_firmware(FirmwareProgram program, const std::filesystem::path& output_folder,
                           const std::filesystem::path& build_folder, int highest_app,
                           int highest_picture);

// One printed line: "<app> <png> <kind> ...".
struct FirmwareAnswer {
    std::string kind;     // found or none (look-up); picture, placeholder, none or error (walk)
    std::string package;  // on a look-up "none" line: the name GetPngOffset left as it was
    uint64_t offset = 0;
    uint64_t size = 0;
    unsigned width = 0;
    unsigned height = 0;
    unsigned pixel_format = 0;
    uint32_t crc = 0;  // CRC-32 of the pixel bytes
    std::string line;  // as printed
};
using FirmwareAnswers = std::map<std::pair<int, int>, FirmwareAnswer>;

FirmwareAnswers parse_firmware_answers(const std::string& output);

// What a workspace's tables hold for an application that a package holds.
struct AppSlots {
    int pictures;  // its highest picture number
    std::string package;
};
using AppTable = std::map<int, AppSlots>;

// Compares the picture walk's answers for the packer workspace at `workspace_root` with its check
// files (temp/image_unzip) and with `apps`: every number in the table with a check file must
// give a picture of the check file's pixel bytes, every other number in the table a
// placeholder, every number outside it "none". Returns one text per difference.
std::vector<std::string> differences_from_check_files(const FirmwareAnswers& answers,
                                                      const std::filesystem::path& workspace_root,
                                                      const AppTable& apps, int highest_app,
                                                      int highest_picture);

}  // namespace framestow::testing
