// framestow: packs the workspace in the folder of its own program file, where a user drops a copy
// of the program beside image/ and config.ini.
#include "stages/startup.h"

int main() {
    return framestow::pack_program_folder();
}
