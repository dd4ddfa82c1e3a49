#include "support/firmware_harness.h"

#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace framestow::testing {

namespace fs = std::filesystem;

namespace {

const fs::path kSourceDir = FRAMESTOW_SOURCE_DIR;
const fs::path kWalkDir = kSourceDir / "firmware/examples/picture-walk";

// The warnings a firmware team would build with; the generated source must pass them.
const std::vector<std::string> kWarnings = {"-Wall", "-Wextra", "-Wpedantic", "-Werror"};

void run_build_step(const fs::path& program, const std::vector<std::string>& args,
                    const fs::path& folder) {
    const ProcessResult result = run_program(program, args, folder);
    if (result.exit_status != 0) {
        std::string command = program.string();
        for (const std::string& arg : args) {
            command += " " + arg;
        }
        throw std::runtime_error("firmware build failed: " + command + "\n" + result.out +
                                 result.err);
    }
}

std::vector<std::string> joined(std::vector<std::string> head,
                                const std::vector<std::string>& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

fs::path build_lookup(const fs::path& mapping, const fs::path& build_folder) {
    const fs::path program = build_folder / "lookup";
    run_build_step(
        FRAMESTOW_CXX_COMPILER,
        joined({"-std=c++17", "-I", (kSourceDir / "firmware/include").string()},
               joined(kWarnings,
                      {mapping.string(), (kSourceDir / "tests/support/lookup_driver.cpp").string(),
                       "-o", program.string()})),
        build_folder);
    return program;
}

// The picture walk built by `c_compiler` and `cxx_compiler` for the machine they target;
// `options` go to the C++ compiler's step, which also links (-static for a program that an
// emulator of another machine's user mode runs as it is).
fs::path build_host_picture_walk(const fs::path& mapping, const fs::path& build_folder,
                                 const std::string& c_compiler, const std::string& cxx_compiler,
                                 const std::vector<std::string>& options) {
    const fs::path decoder = build_folder / "framestow_decoder.o";
    run_build_step(c_compiler,
                   joined({"-std=c99", "-c", (kSourceDir / "decoder/framestow_decoder.c").string(),
                           "-o", decoder.string()},
                          kWarnings),
                   build_folder);
    const fs::path program = build_folder / "picture_walk";
    run_build_step(
        cxx_compiler,
        joined({"-std=c++17", "-I", (kSourceDir / "firmware/include").string(), "-I",
                (kSourceDir / "decoder").string()},
               joined(kWarnings, joined({mapping.string(),
                                         (kSourceDir / "firmware/src/picture_reader.cpp").string(),
                                         (kWalkDir / "picture_walk.cpp").string(), decoder.string(),
                                         "-o", program.string()},
                                        options))),
        build_folder);
    return program;
}

fs::path build_board_example(const std::string& board, const fs::path& mapping,
                             const fs::path& build_folder) {
    run_build_step(FRAMESTOW_CMAKE_COMMAND,
                   {"-S", kWalkDir.string(), "-B", build_folder.string(), "-DFRAMESTOW_WERROR=ON",
                    "-DFRAMESTOW_BOARD=" + board, "-DFRAMESTOW_MAPPING_SOURCE=" + mapping.string()},
                   build_folder);
    run_build_step(FRAMESTOW_CMAKE_COMMAND, {"--build", build_folder.string()}, build_folder);
    return build_folder / "picture-walk.elf";
}

// One argument of the emulated program's command line. The emulator's option parser takes a
// doubled comma for a comma. newlib's start-up splits the line at blanks outside double quotes,
// picolibc's at every blank and keeps quotes, so a text with a blank or a quote cannot pass to
// both.
std::string semihosting_argument(const std::string& text) {
    if (text.find_first_of("\" \t") != std::string::npos) {
        throw std::runtime_error(
            "cannot pass a blank or a double quote to the emulated firmware: " + text);
    }
    std::string argument = ",arg=";
    for (const char c : text) {
        argument += c == ',' ? std::string(",,") : std::string(1, c);
    }
    return argument;
}

}  // namespace

namespace {

// How the example firmware is built and run for one emulated core: as a bare-metal program for
// a board folder of the example, under a system emulator with semihosting, or as a Linux
// program of another machine, under qemu's user mode.
struct CoreSetup {
    FirmwareProgram program;
    const char* name;
    const char* board;            // the example's board folder; empty for a Linux program
    const char* compiler_prefix;  // of gcc and g++
    std::vector<std::string> emulator;
    // The C library is picolibc rather than newlib: its start-up names the program itself and
    // takes every word of the command line as an argument, and its console writes reach the
    // emulator's standard error.
    bool picolibc = false;
};

// In a function, so that a test's parameters can be read from it while globals start up.
const std::vector<CoreSetup>& core_setups() {
    // The Arm cores run on the emulator's board of the example's board folder of that name.
    const auto arm = [](FirmwareProgram program, const char* name, const char* board) {
        return CoreSetup{program, name, board, "arm-none-eabi-", {"qemu-system-arm", "-M", board}};
    };
    static const std::vector<CoreSetup> setups = {
        arm(FirmwareProgram::kCortexM0, "Cortex-M0", "microbit"),
        arm(FirmwareProgram::kCortexM4, "Cortex-M4", "mps2-an386"),
        arm(FirmwareProgram::kCortexM7, "Cortex-M7", "mps2-an500"),
        arm(FirmwareProgram::kCortexM33, "Cortex-M33", "mps2-an505"),
        {FirmwareProgram::kRiscV32,
         "RISC-V RV32",
         "riscv-virt",
         "riscv64-unknown-elf-",
         {"qemu-system-riscv32", "-M", "virt", "-bios", "none"},
         true},
        {FirmwareProgram::kBigEndianHost,
         "big-endian s390x",
         "",
         "s390x-linux-gnu-",
         {"qemu-s390x"}},
    };
    return setups;
}

const CoreSetup& core_setup(FirmwareProgram program) {
    for (const CoreSetup& setup : core_setups()) {
        if (setup.program == program) {
            return setup;
        }
    }
    throw std::logic_error("not an emulated core");
}

bool on_path(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        if (!folder.empty() && access((fs::path(folder) / program).c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

// A core whose compiler or emulator is missing fails its test with the names, never passes.
void require_tools(const CoreSetup& setup) {
    for (const std::string& tool :
         {setup.compiler_prefix + std::string("gcc"), setup.compiler_prefix + std::string("g++"),
          setup.emulator.front()}) {
        if (!on_path(tool)) {
            throw std::runtime_error(
                tool + " is not installed, and the " + setup.name +
                " firmware test needs it: scripts/install-deps.sh --test installs"
                " the test packages");
        }
    }
}

ProcessResult run_on_core(const CoreSetup& setup, const fs::path& mapping,
                          const fs::path& output_folder, const fs::path& build_folder,
                          const std::string& apps, const std::string& pictures) {
    require_tools(setup);
    std::vector<std::string> command = {"--kill-after=5", "120"};
    command.insert(command.end(), setup.emulator.begin(), setup.emulator.end());
    if (*setup.board == '\0') {
        const std::string prefix = setup.compiler_prefix;
        const fs::path program = build_host_picture_walk(mapping, build_folder, prefix + "gcc",
                                                         prefix + "g++", {"-static", "-O2"});
        command.insert(command.end(), {program.string(), output_folder.string(), apps, pictures});
        return run_program("timeout", command, build_folder);
    }
    const fs::path elf = build_board_example(setup.board, mapping, build_folder);
    const std::string command_line =
        "enable=on,target=native" +
        (setup.picolibc ? std::string() : semihosting_argument("picture-walk")) +
        semihosting_argument(output_folder.string()) + semihosting_argument(apps) +
        semihosting_argument(pictures);
    command.insert(command.end(),
                   {"-nographic", "-semihosting-config", command_line, "-kernel", elf.string()});
    ProcessResult result = run_program("timeout", command, build_folder);
    if (setup.picolibc) {
        std::swap(result.out, result.err);
    }
    return result;
}

}  // namespace

void PrintTo(const EmulatedCore& core, std::ostream* out) {
    *out << core.name;
}

std::vector<EmulatedCore> emulated_cores() {
    std::vector<EmulatedCore> cores;
    for (const CoreSetup& setup : core_setups()) {
        cores.push_back({setup.program, setup.name});
    }
    return cores;
}

ProcessResult run_firmware(FirmwareProgram program, const fs::path& output_folder,
                           const fs::path& build_folder, int highest_app, int highest_picture) {
    fs::create_directories(build_folder);
    const fs::path mapping = output_folder / "BitmapMapping.cpp";
    const std::string apps = std::to_string(highest_app);
    const std::string pictures = std::to_string(highest_picture);
    switch (program) {
        case FirmwareProgram::kLookup:
            return run_program(build_lookup(mapping, build_folder), {apps, pictures}, build_folder);
        case FirmwareProgram::kPictureWalk:
            return run_program(build_host_picture_walk(mapping, build_folder, FRAMESTOW_C_COMPILER,
                                                       FRAMESTOW_CXX_COMPILER, {}),
                               {output_folder.string(), apps, pictures}, build_folder);
        default:
            return run_on_core(core_setup(program), mapping, output_folder, build_folder, apps,
                               pictures);
    }
}

FirmwareAnswers parse_firmware_answers(const std::string& output) {
    FirmwareAnswers answers;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        int app = 0;
        int png = 0;
        FirmwareAnswer answer;
        if (!(fields >> app >> png >> answer.kind)) {
            continue;
        }
        answer.line = line;
        if (answer.kind == "none") {
            fields >> answer.package;
        } else if (answer.kind != "error") {
            fields >> answer.package >> answer.offset >> answer.size;
        }
        if (answer.kind == "picture") {
            fields >> answer.width >> answer.height >> std::hex >> answer.pixel_format >>
                answer.crc;
        }
        answers[{app, png}] = answer;
    }
    return answers;
}

namespace {

// The check file of picture `png` of application `app`, or an empty path when there is none.
fs::path check_file(const fs::path& workspace_root, int app, int png) {
    char stem[32];
    std::snprintf(stem, sizeof stem, "A%03d_%03d", app, png);
    for (const char* extension : {".png", ".bmp"}) {
        const fs::path path = workspace_root / "temp/image_unzip" / (stem + std::string(extension));
        if (fs::exists(path)) {
            return path;
        }
    }
    return {};
}

std::string picture_summary(const std::string& package, unsigned width, unsigned height,
                            unsigned pixel_format, unsigned long crc) {
    char text[64];
    std::snprintf(text, sizeof text, " %ux%u %04x crc %08lx", width, height, pixel_format, crc);
    return "picture " + package + text;
}

// What the walk must print for one number, as far as the line's own words go.
std::string expected_line(const fs::path& workspace_root, const AppTable& apps, int app, int png) {
    const auto slots = apps.find(app);
    if (slots == apps.end() || png < 1 || png > slots->second.pictures) {
        return "none";
    }
    const fs::path check = check_file(workspace_root, app, png);
    if (check.empty()) {
        return "placeholder " + slots->second.package;
    }
    const std::vector<uint8_t> bytes = read_bytes(check);
    if (bytes.size() < 8) {
        return "a check file of at least 8 bytes: " + check.string();
    }
    const auto field = [&bytes](std::size_t at) {
        return static_cast<unsigned>(bytes[at] | bytes[at + 1] << 8);
    };
    return picture_summary(slots->second.package, field(4), field(6), field(2),
                           crc32(0L, bytes.data() + 8, static_cast<uInt>(bytes.size() - 8)));
}

std::string actual_line(const FirmwareAnswer& answer) {
    if (answer.kind == "picture") {
        return picture_summary(answer.package, answer.width, answer.height, answer.pixel_format,
                               answer.crc);
    }
    if (answer.kind == "placeholder") {
        return "placeholder " + answer.package;
    }
    return answer.kind == "none" ? "none" : answer.line;
}

}  // namespace

std::vector<std::string> differences_from_check_files(const FirmwareAnswers& answers,
                                                      const fs::path& workspace_root,
                                                      const AppTable& apps, int highest_app,
                                                      int highest_picture) {
    std::vector<std::string> differences;
    for (int app = 0; app <= highest_app + 1; ++app) {
        for (int png = 0; png <= highest_picture + 1; ++png) {
            const std::string where =
                "application " + std::to_string(app) + ", picture " + std::to_string(png) + ": ";
            const std::string expected = expected_line(workspace_root, apps, app, png);
            const auto answer = answers.find({app, png});
            if (answer == answers.end()) {
                differences.push_back(where + "no line, expected " + expected);
            } else if (actual_line(answer->second) != expected) {
                differences.push_back(where + "\"" + answer->second.line + "\", expected " +
                                      expected);
            }
        }
    }
    const std::size_t asked = static_cast<std::size_t>((highest_app + 2) * (highest_picture + 2));
    if (answers.size() != asked) {
        differences.push_back(std::to_string(answers.size()) + " lines for " +
                              std::to_string(asked) + " numbers");
    }
    return differences;
}

}  // namespace framestow::testing
