#include "commands.h"

#include <algorithm>
#include <set>

#include "inspection.h"
#include "listing.h"
#include "png_writer.h"
#include "report_page.h"
#include "workspace_comparison.h"

namespace framestow::inspect {

namespace {

std::string upper_case(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

int unusable(const Problem& failure, std::ostream& stream) {
    stream << failure.line() << '\n';
    return kUnusable;
}

std::string counts_text(const Inspection& inspection) {
    std::size_t placeholders = 0;
    std::set<std::string> packages;
    for (const Slot& slot : inspection.slots) {
        placeholders += slot.placeholder() ? 1 : 0;
        packages.insert(slot.package);
    }
    const std::size_t pictures = inspection.slots.size() - placeholders;
    const auto counted = [](std::size_t count, const char* one, const char* many) {
        return std::to_string(count) + " " + (count == 1 ? one : many);
    };
    return counted(pictures, "picture", "pictures") + ", " +
           counted(placeholders, "placeholder", "placeholders") + ", " +
           counted(packages.size(), "package", "packages");
}

}  // namespace

int run_list(const ListOptions& options, std::ostream& out, std::ostream& err) {
    const InspectionResult result = inspect_output(options.output);
    if (!result.inspection) {
        return unusable(result.failure, err);
    }
    const Inspection& inspection = *result.inspection;
    const Summary summary = summarise(inspection);
    if (options.json) {
        out << listing_json(inspection, summary).dump(2) << '\n';
    } else {
        print_listing(inspection, summary, out);
    }
    for (std::size_t i = 0; i < inspection.slots.size(); ++i) {
        if (!inspection.facts[i].problem.empty()) {
            err << Problem{inspection.slots[i].label(), inspection.facts[i].problem}.line() << '\n';
        }
    }
    return inspection.unreadable_pictures == 0 ? kAllGood : kProblemsFound;
}

int run_verify(const VerifyOptions& options, std::ostream& out) {
    std::optional<WorkspaceComparison> workspace;
    if (options.workspace) {
        if (!platform::folder_exists(*options.workspace)) {
            return unusable({*options.workspace, "not a folder"}, out);
        }
        workspace.emplace(*options.workspace);
    }
    Problems against_workspace;
    InspectionResult result = inspect_output(
        options.output, [&](std::size_t, const Slot& slot, const DecodedPicture& picture) {
            if (workspace) {
                workspace->compare(slot, picture, against_workspace);
            }
        });
    if (!result.inspection) {
        return unusable(result.failure, out);
    }
    Inspection& inspection = *result.inspection;
    Problems problems = std::move(inspection.problems);
    problems.insert(problems.end(), against_workspace.begin(), against_workspace.end());
    if (workspace) {
        workspace->compare_rest(inspection.slots, inspection.packages, problems);
    }
    for (const Problem& problem : problems) {
        out << problem.line() << '\n';
    }
    if (problems.empty()) {
        out << "verify: no problems (" << counts_text(inspection) << ")\n";
        return kAllGood;
    }
    out << "verify: " << problems.size() << (problems.size() == 1 ? " problem" : " problems")
        << " (" << counts_text(inspection) << ")\n";
    return kProblemsFound;
}

int run_extract(const ExtractOptions& options, std::ostream& out, std::ostream& err) {
    // Nothing is made for an output folder that is not there.
    if (!platform::folder_exists(options.output)) {
        return unusable({options.output, "not a folder"}, err);
    }
    if (!platform::folder_exists(options.destination) &&
        !platform::create_folder(options.destination)) {
        return unusable({options.destination, "cannot be created"}, err);
    }
    const std::set<std::string> wanted(options.only.begin(), options.only.end());
    std::size_t written = 0;
    std::size_t failed = 0;
    std::set<std::string> file_names;
    InspectionResult result = inspect_output(
        options.output, [&](std::size_t, const Slot& slot, const DecodedPicture& picture) {
            if (!wanted.empty() && !wanted.contains(slot.name)) {
                return;
            }
            // Two slots of one name would write one file over the other; the second is refused.
            // Names are compared without regard to case, as many file systems compare them.
            if (!file_names.insert(upper_case(slot.name)).second) {
                ++failed;
                err << Problem{slot.label(),
                               "another slot of that name was extracted already; this "
                               "one is not written"}
                           .line()
                    << '\n';
                return;
            }
            const std::optional<std::string> png =
                encode_png({picture.pixel_format, picture.width, picture.height}, picture.pixels);
            const std::string path = path_in(options.destination, slot.name + ".png");
            if (png && write_file_safely(path, *png)) {
                ++written;
                return;
            }
            ++failed;
            err << Problem{path, "cannot be written"}.line() << '\n';
        });
    if (!result.inspection) {
        return unusable(result.failure, err);
    }
    const Inspection& inspection = *result.inspection;
    std::set<std::string> known;
    for (std::size_t i = 0; i < inspection.slots.size(); ++i) {
        const Slot& slot = inspection.slots[i];
        known.insert(slot.name);
        const bool asked = wanted.empty() || wanted.contains(slot.name);
        if (!asked) {
            continue;
        }
        if (slot.placeholder() && !wanted.empty()) {
            err << Problem{slot.label(), "a placeholder: there is no picture to extract"}.line()
                << '\n';
            ++failed;
        } else if (!inspection.facts[i].problem.empty()) {
            err << Problem{slot.label(), inspection.facts[i].problem}.line() << '\n';
            ++failed;
        }
    }
    out << "extract: " << written << (written == 1 ? " picture" : " pictures") << " written to "
        << options.destination << '\n';
    bool unknown = false;
    for (const std::string& name : wanted) {
        if (!known.contains(name)) {
            err << Problem{name, "no picture of that name in " + options.output}.line() << '\n';
            unknown = true;
        }
    }
    if (unknown) {
        return kUnusable;
    }
    return failed == 0 ? kAllGood : kProblemsFound;
}

int run_report(const ReportOptions& options, std::ostream& out, std::ostream& err) {
    std::vector<std::string> pngs;
    InspectionResult result = inspect_output(
        options.output, [&](std::size_t index, const Slot&, const DecodedPicture& picture) {
            // Pictures come in package order, not slot order: the list only ever grows.
            if (pngs.size() <= index) {
                pngs.resize(index + 1);
            }
            pngs[index] = encode_png({picture.pixel_format, picture.width, picture.height},
                                     picture.pixels, PngEffort::kFastest)
                              .value_or(std::string());
        });
    if (!result.inspection) {
        return unusable(result.failure, err);
    }
    const Inspection& inspection = *result.inspection;
    pngs.resize(inspection.slots.size());
    const Summary summary = summarise(inspection);
    StagedFile page(options.page);
    write_report_page(inspection, summary, inspection.problems, pngs,
                      [&page](std::string_view piece) { page.write(piece); });
    if (!page.commit()) {
        return unusable({options.page, "cannot be written"}, err);
    }
    for (const Problem& problem : inspection.problems) {
        err << problem.line() << '\n';
    }
    out << "report: " << options.page << " (" << counts_text(inspection) << ", "
        << inspection.problems.size()
        << (inspection.problems.size() == 1 ? " problem" : " problems") << ")\n";
    return inspection.problems.empty() ? kAllGood : kProblemsFound;
}

}  // namespace framestow::inspect
