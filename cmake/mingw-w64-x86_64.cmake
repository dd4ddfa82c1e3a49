# Cross-builds the Windows x64 programs with mingw-w64 on Debian. The programs are linked
# statically, so they import only KERNEL32 and msvcrt and need no runtime DLL beside them.
# Test programs run through wine (see scripts/windows-build.sh, which sets WINEPREFIX).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLET x86_64-w64-mingw32)
# The posix thread model: its libstdc++ has std::mutex, which GoogleTest needs; linked statically,
# its thread library adds no DLL.
set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)

# Libraries cross-built into FRAMESTOW_WINDOWS_PREFIX (libpng, tinyxml2, GoogleTest) come before
# the compiler's own sysroot, which holds zlib. The prefix is handed on to CMake's check projects.
if(NOT FRAMESTOW_WINDOWS_PREFIX AND DEFINED ENV{FRAMESTOW_WINDOWS_PREFIX})
  set(FRAMESTOW_WINDOWS_PREFIX $ENV{FRAMESTOW_WINDOWS_PREFIX})
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES FRAMESTOW_WINDOWS_PREFIX)
set(CMAKE_FIND_ROOT_PATH ${FRAMESTOW_WINDOWS_PREFIX} /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# The sysroot's zlib comes as libz.a and as the import library of zlib1.dll, which "-static" does
# not keep out; the programs would then need zlib1.dll beside them.
set(ZLIB_USE_STATIC_LIBS ON)

find_program(FRAMESTOW_WINE NAMES wine wine64)
if(FRAMESTOW_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${FRAMESTOW_WINE})
endif()
# Test programs are asked for their tests when ctest runs, under the wine server that the test
# run keeps up, not at every build.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
