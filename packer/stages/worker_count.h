#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace framestow {

// The most workers FRAMESTOW_JOBS may ask for.
constexpr unsigned kMostWorkers = 256;

// How many workers prepare pictures: the machine's hardware threads, or the number that
// FRAMESTOW_JOBS holds (`jobs`, when it is set) from 1 to kMostWorkers. Any other text in it is
// ignored with one line on `warnings`; the results of a run never depend on the number.
unsigned worker_count(const std::optional<std::string>& jobs, unsigned hardware_threads,
                      std::ostream& warnings);

}  // namespace framestow
