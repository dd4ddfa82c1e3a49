#pragma once

// The firmware's side of the generated BitmapMapping.cpp, reduced to what the generated code
// names, so that the test can compile that code and call it as the device does.

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

struct BitmapAttribute {
    uint32_t offset;  // from the start of the package file
    uint32_t size;    // 0 for a picture number that has no picture
};

struct AppIndexAttribute {
    int32_t binIndex;  // number of the package file, guiNN.bin
    int32_t pngCount;  // rows of addrs
    const BitmapAttribute* addrs;
};

class BitmapMapping {
  public:
    // The record of picture `pngIndex` of application `appIndex` (both from 1) and the name of
    // its package file, or nullptr when there is no such record.
    static const BitmapAttribute* GetPngOffset(uint16_t appIndex, uint16_t pngIndex,
                                               std::string& binName);
};

// The target runtime's bounded formatter: at most `count` characters and a terminator go into
// `buffer`; -1 when the text is cut or the arguments do not fit.
[[gnu::format(printf, 4, 5)]] inline int snprintf_s(char* buffer, std::size_t buffer_size,
                                                    std::size_t count, const char* format, ...) {
    if (buffer == nullptr || buffer_size == 0) {
        return -1;
    }
    const std::size_t limit = count < buffer_size ? count + 1 : buffer_size;
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(buffer, limit, format, arguments);
    va_end(arguments);
    if (length < 0 || static_cast<std::size_t>(length) >= limit) {
        buffer[0] = '\0';
        return -1;
    }
    return length;
}
