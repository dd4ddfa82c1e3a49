#include "commands.h"

#include <algorithm>
#include <set>

#include "colour_cost.h"
#include "inspection.h"
#include "listing.h"
#include "png_workers.h"
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

// The failure of an output folder that is none, with a hint when it is a workspace whose output/
// folder was meant.
Problem output_failure(const std::string& output, Problem failure) {
    if (platform::folder_exists(path_in(output, "output")) && !not_a_workspace(output)) {
        failure.what += " (" + output + " is a workspace: give its output folder, " +
                        path_in(output, "output") + ")";
    }
    return failure;
}

int failed_inspection(const std::string& output, const Problem& failure, std::ostream& stream) {
    return unusable(output_failure(output, failure), stream);
}

void print_warnings(const std::optional<std::string>& workspace, const Inspection& inspection,
                    std::ostream& err) {
    if (!workspace) {
        return;
    }
    for (const Problem& warning :
         red_first_warnings(*workspace, inspection.slots, inspection.facts)) {
        err << warning.line() << '\n';
    }
}

// The cost of the picture at `index`: pictures come in package order, not slot order.
PictureCost& measured_at(std::vector<PictureCost>& costs, std::size_t index) {
    if (costs.size() <= index) {
        costs.resize(index + 1);
    }
    return costs[index];
}

CostView cost_view(const std::string& workspace, const Inspection& inspection,
                   const Summary& summary, std::vector<PictureCost> pictures) {
    pictures.resize(inspection.slots.size());
    CostView view;
    view.packages = package_costs(workspace, inspection, summary, pictures);
    view.pictures = std::move(pictures);
    return view;
}

}  // namespace

int run_list(const ListOptions& options, std::ostream& out, std::ostream& err) {
    std::optional<CostMeasurement> measurement;
    if (options.workspace) {
        if (const std::optional<Problem> failure = not_a_workspace(*options.workspace)) {
            return unusable(*failure, err);
        }
        measurement.emplace(*options.workspace, false);
    }
    std::vector<PictureCost> picture_costs;
    const InspectionResult result = inspect_output(
        options.output, [&](std::size_t index, const Slot& slot, const DecodedPicture& picture) {
            if (measurement) {
                measured_at(picture_costs, index) = measurement->measure(slot, picture);
            }
        });
    if (!result.inspection) {
        return failed_inspection(options.output, result.failure, err);
    }
    const Inspection& inspection = *result.inspection;
    const Summary summary = summarise(inspection);
    std::optional<CostView> costs;
    if (options.workspace) {
        costs = cost_view(*options.workspace, inspection, summary, std::move(picture_costs));
    }
    if (options.json) {
        nlohmann::ordered_json listing = listing_json(inspection, summary);
        if (costs) {
            add_cost_json(*costs, listing);
        }
        out << listing.dump(2) << '\n';
    } else {
        print_listing(inspection, summary, out);
        if (costs) {
            print_cost_listing(inspection, summary, *costs, out);
        }
    }
    for (std::size_t i = 0; i < inspection.slots.size(); ++i) {
        if (!inspection.facts[i].problem.empty()) {
            err << Problem{inspection.slots[i].label(), inspection.facts[i].problem}.line() << '\n';
        }
    }
    return inspection.unreadable_pictures == 0 ? kAllGood : kProblemsFound;
}

int run_verify(const VerifyOptions& options, std::ostream& out, std::ostream& err) {
    std::optional<WorkspaceComparison> workspace;
    if (options.workspace) {
        if (const std::optional<Problem> failure = not_a_workspace(*options.workspace)) {
            return unusable(*failure, out);
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
        return failed_inspection(options.output, result.failure, out);
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
    print_warnings(options.workspace, inspection, err);
    // Without a workspace the pictures are decoded but compared with nothing.
    const std::string compared =
        workspace ? std::string()
                  : "; pictures not compared with a workspace: add --workspace WORKSPACE";
    if (problems.empty()) {
        out << "verify: no problems (" << counts_text(inspection) << compared << ")\n";
        return kAllGood;
    }
    out << "verify: " << problems.size() << (problems.size() == 1 ? " problem" : " problems")
        << " (" << counts_text(inspection) << compared << ")\n";
    return kProblemsFound;
}

int run_extract(const ExtractOptions& options, std::ostream& out, std::ostream& err) {
    if (options.workspace) {
        if (const std::optional<Problem> failure = not_a_workspace(*options.workspace)) {
            return unusable(*failure, err);
        }
    }
    // The destination is made when the first picture is written, so that a run that writes
    // nothing leaves no new folder behind.
    bool destination_ready = platform::folder_exists(options.destination);
    bool destination_failed = false;
    const std::set<std::string> wanted(options.only.begin(), options.only.end());
    std::size_t written = 0;
    std::size_t failed = 0;
    std::set<std::string> file_names;
    InspectionResult result = inspect_output(
        options.output, [&](std::size_t, const Slot& slot, const DecodedPicture& picture) {
            if ((!wanted.empty() && !wanted.contains(slot.name)) || destination_failed) {
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
            if (!destination_ready && !platform::create_folder(options.destination)) {
                destination_failed = true;
                return;
            }
            destination_ready = true;
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
        return failed_inspection(options.output, result.failure, err);
    }
    if (destination_failed) {
        return unusable({options.destination, "cannot be created"}, err);
    }
    const Inspection& inspection = *result.inspection;
    print_warnings(options.workspace, inspection, err);
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
    std::optional<CostMeasurement> measurement;
    if (options.workspace) {
        if (const std::optional<Problem> failure = not_a_workspace(*options.workspace)) {
            return unusable(*failure, err);
        }
        measurement.emplace(*options.workspace, true);
    }
    const PngSize size = options.full_size ? PngSize::kFullSize : PngSize::kThumbnail;
    PngWorkers workers(size, platform::hardware_threads());
    // The few sources shown beside converted pictures are encoded as they come.
    PngWorkers originals(size, 0);
    std::vector<PictureCost> picture_costs;
    InspectionResult result = inspect_output(options.output, [&](std::size_t index,
                                                                 const Slot& slot,
                                                                 const DecodedPicture& picture) {
        workers.add(index, {picture.pixel_format, picture.width, picture.height}, picture.pixels);
        if (!measurement) {
            return;
        }
        PictureCost& cost = measured_at(picture_costs, index);
        cost = measurement->measure(slot, picture);
        if (!cost.original.empty()) {
            originals.add(index, {kFormat32, picture.width, picture.height}, cost.original);
            cost.original = {};
        }
    });
    if (!result.inspection) {
        return failed_inspection(options.output, result.failure, err);
    }
    const Inspection& inspection = *result.inspection;
    const std::vector<std::string> pngs_base64 = workers.finish(inspection.slots.size());
    const Summary summary = summarise(inspection);
    const Problems warnings =
        options.workspace
            ? red_first_warnings(*options.workspace, inspection.slots, inspection.facts)
            : Problems();
    std::optional<ReportCosts> costs;
    if (options.workspace) {
        costs = ReportCosts{
            cost_view(*options.workspace, inspection, summary, std::move(picture_costs)),
            originals.finish(inspection.slots.size())};
    }
    StagedFile page(options.page);
    write_report_page(
        inspection, summary, inspection.problems, warnings, pngs_base64,
        [&page](std::string_view piece) { page.write(piece); }, costs ? &*costs : nullptr);
    if (!page.commit()) {
        return unusable({options.page, "cannot be written"}, err);
    }
    for (const Problem& problem : inspection.problems) {
        err << problem.line() << '\n';
    }
    for (const Problem& warning : warnings) {
        err << warning.line() << '\n';
    }
    out << "report: " << options.page << " (" << counts_text(inspection) << ", "
        << inspection.problems.size()
        << (inspection.problems.size() == 1 ? " problem" : " problems") << ")\n";
    return inspection.problems.empty() ? kAllGood : kProblemsFound;
}

}  // namespace framestow::inspect
