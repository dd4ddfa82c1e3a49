#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "mapping_source.h"
#include "output_files.h"
#include "picture_decoding.h"
#include "picture_slots.h"
#include "problem.h"

// One pass over an output folder: the mapping files read and checked, every package examined,
// every picture read from its package and decoded. What the commands list, check, extract and
// show all comes from here.
namespace framestow::inspect {

// What decoding a slot's picture found; for a placeholder, nothing.
struct PictureFacts {
    bool decoded = false;
    uint16_t pixel_format = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    fsd_form form = FSD_FORM_UNKNOWN;
    uint64_t pixel_bytes = 0;
    std::string problem;  // why the picture could not be read or decoded
};

struct Inspection {
    std::string folder;
    MappingSource source;
    std::vector<Slot> slots;
    std::vector<PictureFacts> facts;      // one for each slot
    std::vector<PackageFile> packages;    // every package line's file, then files no line names
    Problems problems;                    // every disagreement found, in the order of the checks
    std::size_t unreadable_pictures = 0;  // real slots whose picture did not decode
};

// Called for every slot whose picture decoded completely, with the slot's index, in the order in
// which the pictures lie in the packages.
using PictureVisitor =
    std::function<void(std::size_t index, const Slot& slot, const DecodedPicture& picture)>;

struct InspectionResult {
    std::optional<Inspection> inspection;
    Problem failure;  // why nothing could be inspected, when inspection is empty
};

// Inspects the output folder `folder`. Nothing can be inspected when the folder or its
// BitmapMapping.cpp cannot be read, or the file is not one that framestow writes.
InspectionResult inspect_output(const std::string& folder, const PictureVisitor& visit = {});

}  // namespace framestow::inspect
