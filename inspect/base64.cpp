#include "base64.h"

#include <cstdint>

namespace framestow::inspect {

std::string base64(std::string_view bytes) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const uint32_t group = static_cast<uint8_t>(bytes[i]) << 16 |
                               static_cast<uint8_t>(bytes[i + 1]) << 8 |
                               static_cast<uint8_t>(bytes[i + 2]);
        out += kDigits[group >> 18];
        out += kDigits[group >> 12 & 63];
        out += kDigits[group >> 6 & 63];
        out += kDigits[group & 63];
    }
    if (i < bytes.size()) {
        const bool two = i + 1 < bytes.size();
        const uint32_t group = static_cast<uint8_t>(bytes[i]) << 16 |
                               (two ? static_cast<uint8_t>(bytes[i + 1]) << 8 : 0);
        out += kDigits[group >> 18];
        out += kDigits[group >> 12 & 63];
        out += two ? kDigits[group >> 6 & 63] : '=';
        out += '=';
    }
    return out;
}

}  // namespace framestow::inspect
