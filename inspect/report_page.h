#pragma once

#include <string>
#include <vector>

#include "inspection.h"
#include "listing.h"
#include "problem.h"

// The report: one HTML page that needs nothing beside it, no network and no scripts. Per package
// a bar of its flash use by application; a table of every picture slot with its thumbnail (the
// picture's PNG as a data URI, scaled by CSS over a checkerboard that shows transparency), the
// numbers of `list`, and the problems that `verify` finds.
namespace framestow::inspect {

// `pngs` holds the PNG file of each slot's picture, or an empty text where there is none.
std::string report_page(const Inspection& inspection, const Summary& summary,
                        const Problems& problems, const std::vector<std::string>& pngs);

}  // namespace framestow::inspect
