#pragma once

// Where the generated tables are placed. Every table of BitmapMapping.cpp is preceded by
// TEXT_LOCATION_FLASH_PRAGMA on a line of its own and declared with
// TEXT_LOCATION_FLASH_ATTRIBUTE after its name. Both place nothing by default: the tables are
// const, so the toolchain keeps them with the other read-only data, which is flash on most
// devices. A firmware that wants them in a section of its own defines either macro before this
// header is read (on the compiler's command line, since the generated file includes this header
// itself), for example
//   -DTEXT_LOCATION_FLASH_ATTRIBUTE='__attribute__((section(".rodata.ui_tables")))'
// A pragma can be given in the _Pragma("...") form.

#ifndef TEXT_LOCATION_FLASH_PRAGMA
#define TEXT_LOCATION_FLASH_PRAGMA
#endif

#ifndef TEXT_LOCATION_FLASH_ATTRIBUTE
#define TEXT_LOCATION_FLASH_ATTRIBUTE
#endif
