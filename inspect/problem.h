#pragma once

#include <string>
#include <vector>

namespace framestow::inspect {

// One thing that disagrees: where (a package, a picture in its package, a mapping file) and what.
// Printed as one line, "where: what".
struct Problem {
    std::string where;
    std::string what;

    std::string line() const { return where + ": " + what; }
    bool operator==(const Problem&) const = default;
};

using Problems = std::vector<Problem>;

}  // namespace framestow::inspect
