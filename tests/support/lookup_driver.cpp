// A firmware stand-in that only asks the generated GetPngOffset: for every application number
// from 0 to one past the highest given on the command line, and every picture number from 0 to
// one past the highest, it prints one line:
//   <app> <png> found <binName> <offset> <size>
//   <app> <png> none <binName>
// binName is preset to "-" so that a line of the second kind shows it was left alone.

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>

#include "utils/BitmapMapping.h"

namespace {

void report(unsigned app, unsigned png, const BitmapAttribute* attribute,
            const std::string& bin_name) {
    std::cout << app << ' ' << png;
    if (attribute == nullptr) {
        std::cout << " none " << bin_name << '\n';
        return;
    }
    std::cout << " found " << bin_name << ' ' << attribute->offset << ' ' << attribute->size
              << '\n';
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: lookup_driver <highest app> <highest picture>\n";
        return 2;
    }
    const unsigned last_app = static_cast<unsigned>(std::atoi(argv[1])) + 1;
    const unsigned last_png = static_cast<unsigned>(std::atoi(argv[2])) + 1;
    for (unsigned app = 0; app <= last_app; ++app) {
        for (unsigned png = 0; png <= last_png; ++png) {
            std::string bin_name = "-";
            const BitmapAttribute* attribute = BitmapMapping::GetPngOffset(
                static_cast<uint16_t>(app), static_cast<uint16_t>(png), bin_name);
            report(app, png, attribute, bin_name);
        }
    }
    return 0;
}
