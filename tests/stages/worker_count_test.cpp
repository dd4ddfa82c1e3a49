#include "stages/worker_count.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>

namespace framestow {
namespace {

TEST(WorkerCount, TheMachineUnlessFrameStowJobsHoldsANumberOfWorkers) {
    const std::string ignored = "FRAMESTOW_JOBS ignored: ";
    struct Case {
        std::optional<std::string> jobs;
        unsigned hardware_threads;
        unsigned workers;
        std::string warning;
    };
    const Case cases[] = {
        {std::nullopt, 8, 8, ""},
        {std::nullopt, 0, 1, ""},
        {std::nullopt, 1000, 256, ""},
        {"1", 8, 1, ""},
        {"4", 2, 4, ""},
        {"256", 2, 256, ""},
        {"0", 2, 2, ignored + "\"0\" is not a number of workers from 1 to 256; using 2\n"},
        {"257", 2, 2, ignored + "\"257\" is not a number of workers from 1 to 256; using 2\n"},
        {"-3", 2, 2, ignored + "\"-3\" is not a number of workers from 1 to 256; using 2\n"},
        {" 4", 2, 2, ignored + "\" 4\" is not a number of workers from 1 to 256; using 2\n"},
        {"four", 3, 3, ignored + "\"four\" is not a number of workers from 1 to 256; using 3\n"},
        {"", 2, 2, ignored + "\"\" is not a number of workers from 1 to 256; using 2\n"},
    };
    for (const Case& c : cases) {
        std::ostringstream warnings;
        EXPECT_EQ(worker_count(c.jobs, c.hardware_threads, warnings), c.workers)
            << c.jobs.value_or("unset");
        EXPECT_EQ(warnings.str(), c.warning);
    }
}

}  // namespace
}  // namespace framestow
