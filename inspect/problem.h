#pragma once

#include <string>
#include <vector>

namespace framestow::inspect {

// One thing that disagrees: where (a package, a picture in its package, a mapping file) and what.
// Printed as one line, "where: what". Values from the folder are quoted where they enter a
// problem; the line also shows any control byte left (in a path given on the command line, say)
// as '?', so that no problem line can move the cursor or erase another line.
struct Problem {
    std::string where;
    std::string what;

    std::string line() const {
        std::string text = where + ": " + what;
        for (char& c : text) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 0x20 || byte == 0x7F) {
                c = '?';
            }
        }
        return text;
    }
    bool operator==(const Problem&) const = default;
};

using Problems = std::vector<Problem>;

}  // namespace framestow::inspect
