#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "inspection.h"

// What `list` prints: one row per picture slot, then totals per application and per package, as
// plain text columns or as JSON. The report page shows the same numbers.
namespace framestow::inspect {

struct Totals {
    std::size_t pictures = 0;      // real pictures
    std::size_t placeholders = 0;  // rows of missing picture numbers
    uint64_t bytes = 0;            // compressed bytes of the pictures
    uint64_t pixel_bytes = 0;      // pixel bytes of the pictures that decoded
    uint64_t decoded_bytes = 0;    // compressed bytes of those same pictures
};

struct ApplicationTotals {
    std::string app_id;
    std::string package;
    Totals totals;
};

struct PackageTotals {
    std::string name;
    bool present = false;
    std::array<uint64_t, 4> version{};  // from the file's header, else from BitmapMapping.cpp
    uint64_t length = 0;                // of the file, else the size BitmapMapping.cpp gives
    Totals totals;
};

struct Summary {
    std::vector<ApplicationTotals> applications;
    std::vector<PackageTotals> packages;
};

Summary summarise(const Inspection& inspection);

// Compressed bytes against pixel bytes as a percentage with one decimal ("45.5%"), or "-" when
// there are no pixel bytes.
std::string ratio_text(uint64_t bytes, uint64_t pixel_bytes);
std::string version_text(const std::array<uint64_t, 4>& version);

void print_listing(const Inspection& inspection, const Summary& summary, std::ostream& out);
nlohmann::ordered_json listing_json(const Inspection& inspection, const Summary& summary);

struct CostView;

// The colour costs measured against a workspace: a table of the pictures, then one of the
// packages, printed after the listing; in JSON, fields added to each picture and package.
void print_cost_listing(const Inspection& inspection, const Summary& summary, const CostView& costs,
                        std::ostream& out);
void add_cost_json(const CostView& costs, nlohmann::ordered_json& listing);

}  // namespace framestow::inspect
