// framestow-inspect: lists, verifies, extracts and shows what the packages of a framestow output
// folder hold.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <exception>
#include <iostream>
#include <string_view>

#include "commands.h"

namespace {

using namespace framestow::inspect;

constexpr const char* kOutputHelp = "the output folder of a framestow workspace";
constexpr const char* kRedFirstHelp =
    "the workspace the output folder came from: warn about each picture whose PNG file has no "
    "alpha channel (stored red first, so shown with red and blue exchanged)";

constexpr const char* kCostShownHelp =
    "per picture whether it was converted to RGB565 and its PSNR against the picture in image/; "
    "for a 32-bit opaque picture its bytes and PSNR as RGB565, converted with the workspace's "
    "dither setting and compressed as the packer would; per package its max_size and what RGB565 "
    "would save";
int run(int argc, char** argv) {
    CLI::App app{
        "Lists, verifies, extracts and shows what the packages of a framestow output "
        "folder hold.\nExit status: 0 all good, 1 problems found, 2 usage error or "
        "unreadable input.",
        "framestow-inspect"};
    app.set_version_flag("--version", std::string("framestow-inspect ") + FRAMESTOW_VERSION);
    app.require_subcommand(1);

    ListOptions list;
    CLI::App* list_command =
        app.add_subcommand("list",
                           "one row per picture slot, then totals per application and "
                           "per package");
    list_command->add_option("OUTPUT", list.output, kOutputHelp)->required();
    list_command->add_flag("--json", list.json, "print JSON instead of columns");
    list_command->add_option("--workspace", list.workspace,
                             std::string("the workspace the output folder came from: also list "
                                         "what the colours cost: ") +
                                 kCostShownHelp);

    VerifyOptions verify;
    CLI::App* verify_command =
        app.add_subcommand("verify",
                           "check the packages, both mapping files and every picture; one line per "
                           "problem");
    verify_command->add_option("OUTPUT", verify.output, kOutputHelp)->required();
    verify_command->add_option(
        "--workspace", verify.workspace,
        "also compare every picture with the workspace's check files and its pictures now in "
        "image/");

    ExtractOptions extract;
    CLI::App* extract_command =
        app.add_subcommand("extract",
                           "write every picture as a PNG file named after it, drawn as a firmware "
                           "reads its pixels: a 4-byte pixel as the little-endian value "
                           "0xAARRGGBB, a 2-byte pixel as RGB565");
    extract_command->add_option("OUTPUT", extract.output, kOutputHelp)->required();
    extract_command->add_option("DEST", extract.destination, "the folder to write into")
        ->required();
    extract_command
        ->add_option("--only", extract.only, "extract only the picture of this name (repeatable)")
        ->allow_extra_args(false);
    extract_command->add_option("--workspace", extract.workspace, kRedFirstHelp);

    ReportOptions report;
    CLI::App* report_command =
        app.add_subcommand("report", "write one self-contained HTML page about the packages");
    report_command->add_option("OUTPUT", report.output, kOutputHelp)->required();
    report_command->add_option("-o,--output", report.page, "the page to write")->required();
    report_command->add_flag("--full-size", report.full_size,
                             "thumbnails of the pictures' full size, not scaled down to 96 pixels");
    report_command->add_option("--workspace", report.workspace,
                               std::string(kRedFirstHelp) + "; and show what the colours cost (" +
                                   kCostShownHelp +
                                   "), each converted picture beside its source, "
                                   "and each package's max_size on its flash bar");

    // CLI11 takes an unknown first word for an argument and asks for a subcommand.
    const auto is_command = [&](std::string_view word) {
        return std::ranges::any_of(
            std::array{list_command, verify_command, extract_command, report_command},
            [word](const CLI::App* command) { return command->get_name() == word; });
    };
    if (argc > 1 && argv[1][0] != '-' && !is_command(argv[1])) {
        std::cerr << "framestow-inspect: unknown command \"" << argv[1]
                  << "\"; the commands are list, verify, extract and report (see --help)\n";
        return kUnusable;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? kAllGood : kUnusable;
    }
    if (list_command->parsed()) {
        return run_list(list, std::cout, std::cerr);
    }
    if (verify_command->parsed()) {
        return run_verify(verify, std::cout, std::cerr);
    }
    if (extract_command->parsed()) {
        return run_extract(extract, std::cout, std::cerr);
    }
    return run_report(report, std::cout, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& error) {
        std::cerr << "framestow-inspect: " << error.what() << '\n';
        return kUnusable;
    }
}
