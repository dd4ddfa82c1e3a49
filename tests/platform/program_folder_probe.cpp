#include <iostream>

#include "platform/platform.h"

int main() {
    std::cout << framestow::platform::program_folder();
    return 0;
}
