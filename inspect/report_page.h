#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "colour_cost.h"
#include "inspection.h"
#include "listing.h"
#include "problem.h"

// The report: one HTML page that needs nothing beside it, no network and no scripts. Per package
// a bar of its flash use by application; a table of every picture slot with its thumbnail (the
// picture's PNG as a data URI, scaled by CSS over a checkerboard that shows transparency), the
// numbers of `list`, and the problems that `verify` finds.
namespace framestow::inspect {

// Receives the page piece by piece, so that a page of many large thumbnails is never whole in
// memory.
using PageWriter = std::function<void(std::string_view piece)>;

// The colour costs measured against a workspace, and for each converted picture the PNG file of
// its source in base64, shown beside the device picture (an empty text for the others).
struct ReportCosts {
    CostView view;
    std::vector<std::string> originals_base64;
};

// `pngs_base64` holds the PNG file of each slot's picture in base64, as a data URI holds it, or
// an empty text where there is none; `warnings` are listed apart from the problems. With
// `costs`, the page shows them too: each package's max_size on its flash bar, and columns of the
// costs in the table of pictures.
void write_report_page(const Inspection& inspection, const Summary& summary,
                       const Problems& problems, const Problems& warnings,
                       const std::vector<std::string>& pngs_base64, const PageWriter& write,
                       const ReportCosts* costs = nullptr);

}  // namespace framestow::inspect
