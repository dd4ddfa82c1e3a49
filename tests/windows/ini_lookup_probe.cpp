// Prints what the INI lookup returns for the keys the packer reads, for each INI file given, so
// that the Linux side can compare the Windows profile lookup with its own on the same files.
//   ini_lookup_probe <result file> <ini file>...
// The result file holds, for each INI file and each key in turn, the value's length in decimal,
// a colon and the value's bytes.
#include <cstdio>
#include <string>

#include "ini_lookups.h"
#include "platform/platform.h"

int main(int argc, char* argv[]) {
    if (argc < 2) {
        return 2;
    }
    framestow::platform::File results = framestow::platform::File::open_for_writing(argv[1]);
    for (int file = 2; file < argc; ++file) {
        for (const IniLookup& lookup : kIniLookups) {
            const std::string value =
                framestow::platform::read_ini_value(argv[file], lookup.section, lookup.key);
            const std::string record = std::to_string(value.size()) + ":" + value;
            if (!results.write(record.data(), record.size())) {
                return 1;
            }
        }
    }
    return results.close() ? 0 : 1;
}
