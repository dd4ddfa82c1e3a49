#include "support/firmware_harness.h"

#include <zlib.h>

#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace framestow::testing {

namespace fs = std::filesystem;

namespace {

const fs::path kSourceDir = FRAMESTOW_SOURCE_DIR;

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

fs::path build_host_picture_walk(const fs::path& mapping, const fs::path& build_folder) {
    const fs::path decoder = build_folder / "framestow_decoder.o";
    run_build_step(FRAMESTOW_C_COMPILER,
                   joined({"-std=c99", "-c", (kSourceDir / "decoder/framestow_decoder.c").string(),
                           "-o", decoder.string()},
                          kWarnings),
                   build_folder);
    const fs::path program = build_folder / "picture_walk";
    run_build_step(
        FRAMESTOW_CXX_COMPILER,
        joined({"-std=c++17", "-I", (kSourceDir / "firmware/include").string(), "-I",
                (kSourceDir / "decoder").string()},
               joined(kWarnings,
                      {mapping.string(), (kSourceDir / "firmware/src/picture_reader.cpp").string(),
                       (kSourceDir / "firmware/examples/cortex-m4/picture_walk.cpp").string(),
                       decoder.string(), "-o", program.string()})),
        build_folder);
    return program;
}

fs::path build_cortex_m4_example(const fs::path& mapping, const fs::path& build_folder) {
    run_build_step(
        FRAMESTOW_CMAKE_COMMAND,
        {"-S", (kSourceDir / "firmware/examples/cortex-m4").string(), "-B", build_folder.string(),
         "-DFRAMESTOW_WERROR=ON", "-DFRAMESTOW_MAPPING_SOURCE=" + mapping.string()},
        build_folder);
    run_build_step(FRAMESTOW_CMAKE_COMMAND, {"--build", build_folder.string()}, build_folder);
    return build_folder / "framestow-m4.elf";
}

// One argument of the emulated program's command line. The emulator's option parser takes a
// doubled comma for a comma; the firmware's start-up splits the line at blanks outside double
// quotes.
std::string semihosting_argument(const std::string& text) {
    if (text.find('"') != std::string::npos) {
        throw std::runtime_error("cannot pass a double quote to the emulated firmware: " + text);
    }
    std::string argument = ",arg=\"";
    for (const char c : text) {
        argument += c == ',' ? std::string(",,") : std::string(1, c);
    }
    return argument + "\"";
}

}  // namespace

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
            return run_program(build_host_picture_walk(mapping, build_folder),
                               {output_folder.string(), apps, pictures}, build_folder);
        case FirmwareProgram::kEmulatedCortexM4:
            break;
    }
    const fs::path elf = build_cortex_m4_example(mapping, build_folder);
    const std::string command_line = "enable=on,target=native" +
                                     semihosting_argument("framestow-m4") +
                                     semihosting_argument(output_folder.string()) +
                                     semihosting_argument(apps) + semihosting_argument(pictures);
    return run_program("timeout",
                       {"--kill-after=5", "60", "qemu-system-arm", "-M", "mps2-an386", "-nographic",
                        "-semihosting-config", command_line, "-kernel", elf.string()},
                       build_folder);
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
