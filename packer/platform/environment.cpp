// The process environment, alike on every system the C++ runtime serves.

#include <cstdlib>
#include <thread>

#include "platform/platform.h"

namespace framestow::platform {

std::optional<std::string> environment_value(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::string(value);
}

unsigned hardware_threads() {
    const unsigned threads = std::thread::hardware_concurrency();
    return threads == 0 ? 1 : threads;
}

}  // namespace framestow::platform
