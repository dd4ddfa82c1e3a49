#include "stages/worker_count.h"

#include <algorithm>

namespace framestow {

namespace {

// Decimal digits only, no sign or blanks, at most kMostWorkers: anything else is not a number of
// workers.
std::optional<unsigned> parse_workers(const std::string& text) {
    if (text.empty() || text.size() > 3) {
        return std::nullopt;
    }
    unsigned value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > kMostWorkers) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

unsigned worker_count(const std::optional<std::string>& jobs, unsigned hardware_threads,
                      std::ostream& warnings) {
    const unsigned machine = std::clamp(hardware_threads, 1u, kMostWorkers);
    if (!jobs) {
        return machine;
    }
    if (const std::optional<unsigned> workers = parse_workers(*jobs)) {
        return *workers;
    }
    warnings << "FRAMESTOW_JOBS ignored: \"" << *jobs << "\" is not a number of workers from 1 to "
             << kMostWorkers << "; using " << machine << '\n';
    return machine;
}

}  // namespace framestow
