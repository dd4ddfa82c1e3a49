#pragma once

// The firmware's side of the BitmapMapping.cpp that framestow generates: the record types of its
// tables, the class whose look-up function it defines, and the bounded formatter that function
// calls. A firmware compiles the generated file unchanged with this folder on its include path.

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// Where one picture lies inside its package file.
struct BitmapAttribute {
    uint32_t offset;  // from the start of the package file
    uint32_t size;    // 0 for a picture number that has no picture (a placeholder)
};

// One application's entry of the generated apps table. binIndex is an int rather than an
// int32_t because the generated look-up formats it with "%.2d", and int32_t is long on some
// embedded toolchains.
struct AppIndexAttribute {
    int binIndex;  // number of the package file, guiNN.bin; -1 when no package holds the app
    int pngCount;  // rows of addrs
    const BitmapAttribute* addrs;
};

class BitmapMapping {
  public:
    // The record of picture `pngIndex` of application `appIndex` (both from 1) and the name of
    // its package file, or nullptr (binName untouched) when there is no such record.
    static const BitmapAttribute* GetPngOffset(uint16_t appIndex, uint16_t pngIndex,
                                               std::string& binName);
};

// The bounded formatter that the generated look-up calls, in its four-argument form: at most
// `count` characters and a terminator go into `buffer`; -1 when the text would be cut, the
// arguments are unusable or formatting fails. A toolchain whose runtime already provides this
// form defines FRAMESTOW_HAVE_SNPRINTF_S.
#ifndef FRAMESTOW_HAVE_SNPRINTF_S
#if defined(__GNUC__)
__attribute__((format(printf, 4, 5)))
#endif
inline int
snprintf_s(char* buffer, std::size_t buffer_size, std::size_t count, const char* format, ...) {
    if (buffer == nullptr || buffer_size == 0) {
        return -1;
    }
    if (format == nullptr) {
        buffer[0] = '\0';
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
#endif
