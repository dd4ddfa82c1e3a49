#include "report_page.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>

namespace framestow::inspect {

namespace {

// Thumbnails are scaled to fit their box with their shape kept; small pictures are enlarged
// with their pixels kept sharp. A narrow screen gets smaller boxes, and the table scrolls
// sideways inside its own frame.
constexpr std::string_view kStyle = R"(
:root { color-scheme: light; --checker: repeating-conic-gradient(#c8c8c8 0% 25%, #fff 0% 50%) 50% / 10px 10px; }
body { font-family: system-ui, -apple-system, "Segoe UI", Roboto, sans-serif; margin: 1rem auto; max-width: 80rem; padding: 0 1rem; color: #1d1d1d; background: #fff; line-height: 1.4; }
h1 { font-size: 1.4rem; margin-bottom: .2rem; }
h2 { font-size: 1.1rem; margin: 1.6rem 0 .4rem; }
.folder { color: #555; margin-top: 0; overflow-wrap: anywhere; }
.problems { border-left: 4px solid #c62828; background: #fdecea; padding: .5rem 1rem; }
.problems ul { margin: .3rem 0; padding-left: 1.2rem; }
.problems li { overflow-wrap: anywhere; font-family: ui-monospace, Menlo, Consolas, monospace; font-size: .85rem; }
.warnings { border-left: 4px solid #b26a00; background: #fff4e0; padding: .5rem 1rem; }
.warnings ul { margin: .3rem 0; padding-left: 1.2rem; }
.warnings li { overflow-wrap: anywhere; font-family: ui-monospace, Menlo, Consolas, monospace; font-size: .85rem; }
.good { border-left: 4px solid #2e7d32; background: #edf7ed; padding: .5rem 1rem; }
.facts { margin: .2rem 0 .5rem; color: #333; }
.bar { display: flex; height: 1.75rem; border: 1px solid #777; border-radius: 4px; overflow: hidden; background: #eee; }
.bar span { display: block; min-width: 2px; }
.bar-frame { position: relative; }
.room { background: repeating-linear-gradient(45deg, #fff 0 5px, #e6e6e6 5px 10px); }
.limit { position: absolute; top: -.3rem; bottom: -.3rem; width: 0; border-left: 3px solid #c62828; }
.over { color: #c62828; font-weight: 600; }
.legend { list-style: none; padding: 0; margin: .5rem 0 0; display: flex; flex-wrap: wrap; gap: .3rem 1.2rem; font-size: .9rem; }
.swatch { display: inline-block; width: .85rem; height: .85rem; margin-right: .35rem; vertical-align: -.1rem; border: 1px solid rgba(0,0,0,.25); border-radius: 2px; }
.table-frame { overflow-x: auto; border: 1px solid #ddd; border-radius: 4px; }
table { border-collapse: collapse; font-size: .88rem; width: 100%; }
th, td { padding: .3rem .55rem; border-bottom: 1px solid #e3e3e3; text-align: right; white-space: nowrap; font-variant-numeric: tabular-nums; }
th { background: #f4f4f4; font-weight: 600; }
th.text, td.name, td.package, td.application, td.pixel_format, td.body_form, td.note, td.converted { text-align: left; }
td.thumb { padding: .2rem; }
.thumb .box { display: flex; align-items: center; justify-content: center; width: 56px; height: 56px; }
.thumb img { display: block; image-rendering: pixelated; background: var(--checker); }
.thumb img.wide { width: 56px; height: auto; }
.thumb img.tall { width: auto; height: 56px; }
.thumb .none { width: 100%; height: 100%; background: repeating-linear-gradient(45deg, #f1f1f1 0 6px, #e2e2e2 6px 12px); }
tr.placeholder td { color: #777; }
tr.unreadable td { background: #fdecea; }
@media (max-width: 640px) {
  body { padding: 0 .5rem; }
  table { font-size: .8rem; }
  th, td { padding: .25rem .35rem; }
  .thumb .box { width: 44px; height: 44px; }
  .thumb img.wide { width: 44px; }
  .thumb img.tall { height: 44px; }
}
)";

// Distinct hues for the applications of a package, in turn.
constexpr std::array<std::string_view, 10> kColours = {"#1f77b4", "#ff7f0e", "#2ca02c", "#d62728",
                                                       "#9467bd", "#8c564b", "#e377c2", "#17becf",
                                                       "#bcbd22", "#7f7f7f"};
constexpr std::string_view kHeaderColour = "#333333";
constexpr uint64_t kPackageHeaderSize = 8;

std::string escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string percent_of(uint64_t part, uint64_t whole) {
    char text[32];
    std::snprintf(
        text, sizeof text, "%.1f%%",
        whole == 0 ? 0.0 : 100.0 * static_cast<double>(part) / static_cast<double>(whole));
    return text;
}

std::string plural(std::size_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

void add_problems(const Problems& problems, std::string& page) {
    if (problems.empty()) {
        page += "<p class=\"good\" id=\"problems\">verify finds no problems.</p>\n";
        return;
    }
    page += "<section class=\"problems\" id=\"problems\"><h2>" +
            plural(problems.size(), "problem", "problems") + "</h2>\n<ul>\n";
    for (const Problem& problem : problems) {
        page += "<li>" + escaped(problem.line()) + "</li>\n";
    }
    page += "</ul></section>\n";
}

void add_warnings(const Problems& warnings, std::string& page) {
    if (warnings.empty()) {
        return;
    }
    page += "<section class=\"warnings\" id=\"warnings\"><h2>" +
            plural(warnings.size(), "warning", "warnings") + "</h2>\n<ul>\n";
    for (const Problem& warning : warnings) {
        page += "<li>" + escaped(warning.line()) + "</li>\n";
    }
    page += "</ul></section>\n";
}

void add_segment(std::string& page, std::string_view colour, uint64_t bytes, uint64_t whole,
                 const std::string& label) {
    page += "<span style=\"background:" + std::string(colour) +
            ";flex-grow:" + std::to_string(bytes) + "\" title=\"" + escaped(label) + ": " +
            std::to_string(bytes) + " bytes, " + percent_of(bytes, whole) + "\"></span>";
}

void add_legend_item(std::string& page, std::string_view colour, const std::string& label,
                     const std::string& data, uint64_t bytes, uint64_t whole) {
    page += "<li" + data + "><span class=\"swatch\" style=\"background:" + std::string(colour) +
            "\"></span>" + escaped(label) + ": <span class=\"bytes\">" + std::to_string(bytes) +
            "</span> bytes (" + percent_of(bytes, whole) + ")</li>\n";
}

// The package's max_size and what RGB565 would save, after its facts.
void add_package_cost(const PackageTotals& package, const PackageCost& cost, std::string& page) {
    if (!cost.max_size.empty()) {
        page += " · max_size <span class=\"max-size\">" + escaped(cost.max_size) + "</span>";
        if (!cost.max_size_bytes) {
            page += " <span class=\"over\">(not a number of bytes)</span>";
        } else {
            page += " bytes";
            if (package.present && package.length > *cost.max_size_bytes) {
                page += " <span class=\"over\">(" +
                        std::to_string(package.length - *cost.max_size_bytes) +
                        " bytes over)</span>";
            }
        }
    }
    if (cost.rgb565_pictures == 0) {
        page += " · no 32-bit opaque picture to convert";
        return;
    }
    const uint64_t difference =
        static_cast<uint64_t>(cost.rgb565_saving < 0 ? -cost.rgb565_saving : cost.rgb565_saving);
    page += " · RGB565 for its 32-bit opaque pictures (" + std::to_string(cost.rgb565_pictures) +
            ")" + (cost.rgb565_saving < 0 ? " would take" : " would save") +
            " <span class=\"rgb565-saving\">" + std::to_string(difference) + "</span> bytes" +
            (cost.rgb565_saving < 0 ? " more" : "");
}

// A line across the bar at the package's max_size; the bar is lengthened by the room left up to
// it, so that the line stands at its end for a package that fits.
void add_limit(const PackageCost* cost, uint64_t whole, std::string& bar, std::string& legend,
               std::string& page) {
    if (cost == nullptr || !cost->max_size_bytes) {
        return;
    }
    const uint64_t limit = *cost->max_size_bytes;
    if (limit > whole) {
        bar += "<span class=\"room\" style=\"flex-grow:" + std::to_string(limit - whole) +
               "\" title=\"room left to max_size: " + std::to_string(limit - whole) +
               " bytes\"></span>";
        legend +=
            "<li><span class=\"swatch room\"></span>room left to max_size: <span "
            "class=\"room-bytes\">" +
            std::to_string(limit - whole) + "</span> bytes</li>\n";
    }
    const uint64_t scale = std::max(limit, whole);
    char left[32];
    std::snprintf(
        left, sizeof left, "%.3f%%",
        scale == 0 ? 0.0 : 100.0 * static_cast<double>(limit) / static_cast<double>(scale));
    page += "<span class=\"limit\" style=\"left:" + std::string(left) +
            "\" title=\"max_size: " + std::to_string(limit) + " bytes\"></span>";
}

// The package's flash use: its 8-byte header, then each application's compressed pictures.
void add_package(const PackageTotals& package, const Summary& summary, const PackageCost* cost,
                 std::string& page) {
    page += "<section class=\"package\" data-package=\"" + escaped(package.name) + "\">\n<h2>" +
            escaped(package.name) + "</h2>\n<p class=\"facts\">version <span class=\"version\">" +
            version_text(package.version) + "</span> · ";
    if (package.present) {
        page += "<span class=\"length\">" + std::to_string(package.length) + "</span> bytes";
    } else {
        page += "<span class=\"length\">missing</span>";
    }
    page += " · <span class=\"pictures\">" + std::to_string(package.totals.pictures) + "</span> " +
            (package.totals.pictures == 1 ? "picture" : "pictures") +
            " · <span class=\"placeholders\">" + std::to_string(package.totals.placeholders) +
            "</span> " + (package.totals.placeholders == 1 ? "placeholder" : "placeholders");
    if (cost != nullptr) {
        add_package_cost(package, *cost, page);
    }
    page += "</p>\n";
    if (package.totals.pictures == 0) {
        page += "<p>No pictures.</p>\n</section>\n";
        return;
    }
    const uint64_t whole = kPackageHeaderSize + package.totals.bytes;
    std::string bar = "<div class=\"bar\" role=\"img\" aria-label=\"flash use of " +
                      escaped(package.name) + " by application\">";
    std::string legend = "<ul class=\"legend\">\n";
    add_segment(bar, kHeaderColour, kPackageHeaderSize, whole, "header");
    add_legend_item(legend, kHeaderColour, "header", "", kPackageHeaderSize, whole);
    std::size_t colour = 0;
    for (const ApplicationTotals& app : summary.applications) {
        if (app.package != package.name) {
            continue;
        }
        const std::string_view hue = kColours[colour++ % kColours.size()];
        add_segment(bar, hue, app.totals.bytes, whole, app.app_id);
        add_legend_item(legend, hue, app.app_id,
                        " data-application=\"" + escaped(app.app_id) + "\"", app.totals.bytes,
                        whole);
    }
    std::string limit;
    add_limit(cost, whole, bar, legend, limit);
    if (limit.empty()) {
        page += bar + "</div>\n" + legend + "</ul>\n</section>\n";
        return;
    }
    page += "<div class=\"bar-frame\">" + bar + "</div>" + limit + "</div>\n" + legend +
            "</ul>\n</section>\n";
}

std::string cell(std::string_view name, const std::string& text) {
    return "<td class=\"" + std::string(name) + "\">" + escaped(text) + "</td>";
}

std::string known(bool decoded, const std::string& text) {
    return decoded ? text : std::string("-");
}

// The picture fills its box along its longer side; the checkerboard lies behind the picture only,
// so that it shows the picture's own transparency. The picture's text, the bulk of the page, is
// appended once, not copied through joined temporaries.
void add_thumbnail_cell(const std::string& png_base64, const PictureFacts& facts,
                        const std::string& alt, std::string& page) {
    if (png_base64.empty()) {
        page += "<td class=\"thumb\"><div class=\"box\"><span class=\"none\"></span></div></td>";
        return;
    }
    page += "<td class=\"thumb\"><div class=\"box\"><img class=\"" +
            std::string(facts.width >= facts.height ? "wide" : "tall") + "\" alt=\"" +
            escaped(alt) + "\" src=\"data:image/png;base64,";
    page += png_base64;
    page += "\"></div></td>";
}

// The costs of one picture: whether it was converted, its PSNR against its source, and what it
// would take as RGB565.
std::string cost_cells(const PictureCost& cost) {
    return cell("converted", converted_text(cost)) + cell("psnr", psnr_text(cost)) +
           cell("rgb565_bytes", cost.rgb565_bytes ? std::to_string(*cost.rgb565_bytes) : "-") +
           cell("rgb565_psnr", decibel_text(cost.rgb565_psnr));
}

void add_picture_row(const Slot& slot, const PictureFacts& facts, const std::string& png_base64,
                     const ReportCosts* costs, std::size_t index, std::string& page) {
    const std::string state = slot.placeholder() ? " class=\"placeholder\""
                              : facts.decoded    ? ""
                                                 : " class=\"unreadable\"";
    page += "<tr" + state + " data-name=\"" + escaped(slot.name) + "\">";
    add_thumbnail_cell(png_base64, facts, slot.name, page);
    if (costs != nullptr) {
        const std::string& original = costs->originals_base64[index];
        if (original.empty()) {
            page += "<td class=\"thumb\"></td>";
        } else {
            add_thumbnail_cell(original, facts, "image/" + slot.name, page);
        }
    }
    const bool decoded = facts.decoded;
    page += cell("name", slot.name) + cell("application", slot.app_id) +
            cell("picture", std::to_string(slot.picture)) + cell("package", slot.package) +
            cell("offset", std::to_string(slot.offset)) + cell("size", std::to_string(slot.size)) +
            cell("width", known(decoded, std::to_string(facts.width))) +
            cell("height", known(decoded, std::to_string(facts.height))) +
            cell("pixel_format", known(decoded, pixel_format_name(facts.pixel_format))) +
            cell("body_form", known(decoded, form_name(facts.form))) +
            cell("pixel_bytes", known(decoded, std::to_string(facts.pixel_bytes))) +
            cell("ratio", decoded ? ratio_text(slot.size, facts.pixel_bytes) : "-");
    std::string note = slot.placeholder() ? "placeholder" : facts.problem;
    if (costs != nullptr) {
        const PictureCost& cost = costs->view.pictures[index];
        page += cost_cells(cost);
        if (note.empty()) {
            note = cost.note;
        }
    }
    page += cell("note", note) + "</tr>\n";
}

void write_pictures(const Inspection& inspection, const std::vector<std::string>& pngs_base64,
                    const ReportCosts* costs, const PageWriter& write) {
    write(
        "<h2>Pictures</h2>\n<div class=\"table-frame\"><table id=\"pictures\">\n<thead><tr>"
        "<th></th>");
    if (costs != nullptr) {
        write("<th class=\"text\">original</th>");
    }
    write(
        "<th class=\"text\">name</th><th class=\"text\">app</th><th>no.</th>"
        "<th class=\"text\">package</th><th>offset</th><th>size</th><th>width</th>"
        "<th>height</th><th class=\"text\">format</th><th class=\"text\">form</th>"
        "<th>pixel bytes</th><th>ratio</th>");
    if (costs != nullptr) {
        write(
            "<th class=\"text\">converted</th><th>PSNR</th><th>as RGB565</th>"
            "<th>RGB565 PSNR</th>");
    }
    write("<th class=\"text\">note</th></tr></thead>\n<tbody>\n");
    std::string row;
    for (std::size_t i = 0; i < inspection.slots.size(); ++i) {
        row.clear();
        add_picture_row(inspection.slots[i], inspection.facts[i], pngs_base64[i], costs, i, row);
        write(row);
    }
    write("</tbody></table></div>\n");
}

}  // namespace

void write_report_page(const Inspection& inspection, const Summary& summary,
                       const Problems& problems, const Problems& warnings,
                       const std::vector<std::string>& pngs_base64, const PageWriter& write,
                       const ReportCosts* costs) {
    std::string page =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        "<title>Framestow packages: " +
        escaped(inspection.folder) + "</title>\n<style>" + std::string(kStyle) +
        "</style>\n</head>\n<body>\n<h1>Framestow packages</h1>\n<p class=\"folder\">" +
        escaped(inspection.folder) + " · " +
        plural(inspection.slots.size(), "picture slot", "picture slots") +
        "</p>\n<p class=\"drawn\">Pictures are drawn as a firmware reads their pixels: a 4-byte "
        "pixel as the little-endian value 0xAARRGGBB, a 2-byte pixel as RGB565.</p>\n";
    add_problems(problems, page);
    add_warnings(warnings, page);
    for (std::size_t k = 0; k < summary.packages.size(); ++k) {
        add_package(summary.packages[k], summary,
                    costs != nullptr ? &costs->view.packages[k] : nullptr, page);
    }
    write(page);
    write_pictures(inspection, pngs_base64, costs, write);
    write("</body>\n</html>\n");
}

}  // namespace framestow::inspect
