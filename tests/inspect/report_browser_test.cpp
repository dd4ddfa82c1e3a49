// The report page of real packer outputs, opened in headless Chromium: it loads without an
// error, every thumbnail decodes to its picture's width and height scaled down to at most 96
// pixels on the longer side (or the whole size with --full-size), the page fits a phone's
// width (the picture table scrolls inside its own frame), and every number on it is the one
// `list --json` gives. A screenshot of each page is left in the build folder.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/firmware_workspaces.h"
#include "support/png_readback.h"
#include "support/test_pictures.h"
#include "support/workspace_harness.h"

namespace framestow::inspect {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing::PackerWorkspace;
using testing::ProcessResult;

// Appended to a copy of the page: records script errors and failed loads, and once the page has
// loaded, what each row, image and package section shows, as JSON in <pre id="measured">.
constexpr const char* kMeasuringScript = R"(<script>
var errors = [];
window.addEventListener('error', function (e) {
  errors.push(e.message || ('failed to load ' + (e.target && e.target.tagName)));
}, true);
window.addEventListener('load', function () {
  var texts = function (root, selector) {
    var found = {};
    root.querySelectorAll(selector).forEach(function (e) { found[e.className] = e.textContent; });
    return found;
  };
  var rows = Array.from(document.querySelectorAll('tr[data-name]')).map(function (tr) {
    var row = texts(tr, 'td[class]');
    var img = tr.querySelector('img');
    row.image = img ? [img.complete, img.naturalWidth, img.naturalHeight] : null;
    return row;
  });
  var packages = Array.from(document.querySelectorAll('section.package')).map(function (s) {
    var facts = texts(s, '.facts span[class]');
    facts.name = s.getAttribute('data-package');
    facts.applications = {};
    s.querySelectorAll('li[data-application]').forEach(function (li) {
      facts.applications[li.getAttribute('data-application')] = li.querySelector('.bytes').textContent;
    });
    return facts;
  });
  var measured = document.createElement('pre');
  measured.id = 'measured';
  measured.textContent = JSON.stringify({errors: errors, rows: rows, packages: packages,
    page_width: document.documentElement.scrollWidth, window_width: window.innerWidth});
  document.body.appendChild(measured);
});
</script>
)";

// The flags that let Chromium run as root on a machine without a network or a display.
std::vector<std::string> chromium_flags(const fs::path& profile) {
    return {"--headless=new",
            "--no-sandbox",
            "--disable-gpu",
            "--disable-background-networking",
            "--disable-component-update",
            "--disable-sync",
            "--no-first-run",
            "--user-data-dir=" + profile.string()};
}

ProcessResult run_chromium(const fs::path& profile, std::vector<std::string> args) {
    std::vector<std::string> all = chromium_flags(profile);
    all.insert(all.end(), args.begin(), args.end());
    return testing::run_program(FRAMESTOW_CHROMIUM, all, profile.parent_path());
}

std::string unescaped(std::string text) {
    for (const auto& [entity, character] :
         {std::pair{"&lt;", "<"}, std::pair{"&gt;", ">"}, std::pair{"&amp;", "&"}}) {
        for (std::size_t at = text.find(entity); at != std::string::npos;
             at = text.find(entity, at + 1)) {
            text.replace(at, std::string_view(entity).size(), character);
        }
    }
    return text;
}

// The width and height of every thumbnail of the page that libpng decodes completely, in page
// order; a browser shows a PNG cut short with its full size, so the page's own bytes are read.
std::vector<std::pair<uint32_t, uint32_t>> complete_thumbnails(const std::string& page) {
    std::vector<std::pair<uint32_t, uint32_t>> sizes;
    const std::string prefix = "data:image/png;base64,";
    for (std::size_t at = page.find(prefix); at != std::string::npos;
         at = page.find(prefix, at + 1)) {
        const std::size_t start = at + prefix.size();
        const testing::DecodedPng png = testing::decode_png(
            testing::from_base64(page.substr(start, page.find('"', start) - start)),
            PNG_FORMAT_RGBA);
        if (!png.pixels.empty()) {
            sizes.emplace_back(png.width, png.height);
        }
    }
    return sizes;
}

// What the measuring script recorded in the dumped page.
json measured_in(const std::string& dom) {
    const std::string open = "<pre id=\"measured\">";
    const std::size_t start = dom.find(open);
    const std::size_t end = dom.find("</pre>", start);
    if (start == std::string::npos || end == std::string::npos) {
        ADD_FAILURE() << "the page recorded nothing:\n" << dom.substr(0, 2000);
        return json::object();
    }
    return json::parse(unescaped(dom.substr(start + open.size(), end - start - open.size())));
}

std::string shown(const json& value) {
    if (value.is_null()) {
        return "-";
    }
    return value.is_string() ? value.get<std::string>() : value.dump();
}

std::string ratio_shown(const json& value) {
    if (value.is_null()) {
        return "-";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%", 100.0 * value.get<double>());
    return text;
}

// A PSNR of `list --json` as the page shows it.
std::string decibels_shown(const json& value) {
    if (!value.is_number()) {
        return shown(value);
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f dB", value.get<double>());
    return text;
}

// The size a picture's thumbnail has: the longer side at most 96 pixels, the shape kept.
json thumbnail_size(const json& picture, bool full_size) {
    const uint32_t width = picture["width"];
    const uint32_t height = picture["height"];
    const uint32_t longer = std::max(width, height);
    if (full_size || longer <= 96) {
        return json::array({width, height});
    }
    const auto scaled = [&](uint32_t side) {
        return std::max<uint32_t>(1, (side * 96 + longer / 2) / longer);
    };
    return json::array({scaled(width), scaled(height)});
}

void expect_rows_as_listed(const json& rows, const json& listed, bool full_size) {
    ASSERT_EQ(rows.size(), listed.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const json& row = rows[i];
        const json& picture = listed[i];
        SCOPED_TRACE(picture["name"].get<std::string>());
        for (const char* key : {"name", "application", "picture", "package", "offset", "size",
                                "width", "height", "pixel_format", "body_form", "pixel_bytes"}) {
            EXPECT_EQ(row[key], shown(picture[key])) << key;
        }
        EXPECT_EQ(row["ratio"], ratio_shown(picture["ratio"]));
        if (picture.contains("converted")) {
            const json& converted = picture["converted"];
            EXPECT_EQ(row["converted"], converted.is_null() ? "-" : converted ? "yes" : "no");
            EXPECT_EQ(row["psnr"], decibels_shown(picture["psnr"]));
            EXPECT_EQ(row["rgb565_bytes"], shown(picture["rgb565_bytes"]));
            EXPECT_EQ(row["rgb565_psnr"], decibels_shown(picture["rgb565_psnr"]));
        }
        if (picture["placeholder"] == true) {
            EXPECT_TRUE(row["image"].is_null());
            EXPECT_EQ(row["note"], "placeholder");
            continue;
        }
        const json size = thumbnail_size(picture, full_size);
        EXPECT_EQ(row["image"], json::array({true, size[0], size[1]}));
    }
}

void expect_packages_as_listed(const json& sections, const json& listed) {
    ASSERT_EQ(sections.size(), listed["packages"].size());
    for (std::size_t i = 0; i < sections.size(); ++i) {
        const json& section = sections[i];
        const json& package = listed["packages"][i];
        SCOPED_TRACE(package["name"].get<std::string>());
        EXPECT_EQ(section["name"], package["name"]);
        EXPECT_EQ(section["version"], package["version"]);
        EXPECT_EQ(section["length"], shown(package["length"]));
        EXPECT_EQ(section["pictures"], shown(package["pictures"]));
        EXPECT_EQ(section["placeholders"], shown(package["placeholders"]));
        json applications = json::object();
        for (const json& app : listed["applications"]) {
            if (app["package"] == package["name"]) {
                applications[app["application"].get<std::string>()] = shown(app["bytes"]);
            }
        }
        EXPECT_EQ(section["applications"], applications);
    }
}

TEST(InspectReportInBrowser, ShowsWhatListGivesWithEveryThumbnail) {
    struct Case {
        const char* name;
        std::function<void(const PackerWorkspace&)> fill;
        bool full_size;
        bool with_workspace = false;  // the colour costs, and each converted picture's source
    };
    // Pictures larger than a thumbnail, wide and tall, with alpha and in RGB565.
    const auto fill_large = [](const PackerWorkspace& workspace) {
        workspace.write_config("[gui01.bin]\nname=gui01.bin\nversion=1\napp_list=A001\n");
        testing::write_png(workspace.image("A001_001.png"), 466, 301,
                           testing::uniform_rgba(466, 301, 200, 40, 10, 128));
        testing::write_bytes(workspace.image("A001_002.bmp"),
                             testing::make_bmp(90, 400, std::vector<uint16_t>(90 * 400, 0xF81F)));
    };
    // The demo, a workspace of every picture kind with placeholders in three packages, and large
    // pictures, scaled down and at their full size.
    const Case cases[] = {{"demo", testing::fill_demo_workspace, false},
                          {"varied", testing::fill_varied_workspace, false},
                          {"large", fill_large, false},
                          {"large_full_size", fill_large, true},
                          {"colour_costs", testing::fill_colour_workspace, false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PackerWorkspace workspace(FRAMESTOW_PROGRAM);
        c.fill(workspace);
        ASSERT_EQ(workspace.run().exit_status, 0);
        const std::string output = (workspace.root() / "output").string();
        const fs::path page = workspace.root() / "report.html";
        std::vector<std::string> arguments = {"report", output, "-o", page.string()};
        std::vector<std::string> list_arguments = {"list", output, "--json"};
        if (c.full_size) {
            arguments.push_back("--full-size");
        }
        if (c.with_workspace) {
            for (std::vector<std::string>* command : {&arguments, &list_arguments}) {
                command->insert(command->end(), {"--workspace", workspace.root().string()});
            }
        }
        const ProcessResult report =
            testing::run_program(FRAMESTOW_INSPECT, arguments, workspace.root());
        ASSERT_EQ(report.exit_status, 0) << report.out << report.err;
        const ProcessResult list =
            testing::run_program(FRAMESTOW_INSPECT, list_arguments, workspace.root());
        ASSERT_EQ(list.exit_status, 0) << list.err;
        const json listed = json::parse(list.out);

        std::vector<std::pair<uint32_t, uint32_t>> expected_thumbnails;
        for (const json& picture : listed["pictures"]) {
            if (picture["placeholder"] == false) {
                const json size = thumbnail_size(picture, c.full_size);
                // A converted picture's source follows it, of the same size.
                const int shown_times = picture.value("converted", json()) == true ? 2 : 1;
                for (int i = 0; i < shown_times; ++i) {
                    expected_thumbnails.emplace_back(size[0], size[1]);
                }
            }
        }
        EXPECT_EQ(complete_thumbnails(testing::read_text(page)), expected_thumbnails);

        const fs::path measuring = workspace.root() / "measuring.html";
        testing::write_text(measuring, testing::read_text(page) + kMeasuringScript);
        // A phone's width: the page must not scroll sideways there.
        const ProcessResult dump =
            run_chromium(workspace.root() / "profile",
                         {"--virtual-time-budget=3000", "--enable-logging=stderr", "--v=0",
                          "--window-size=390,844", "--dump-dom", "file://" + measuring.string()});
        ASSERT_EQ(dump.exit_status, 0) << dump.err;
        EXPECT_EQ(dump.err.find(":CONSOLE"), std::string::npos) << dump.err;
        const json measured = measured_in(dump.out);
        EXPECT_EQ(measured["errors"], json::array());
        EXPECT_LE(measured["page_width"], measured["window_width"]);
        expect_rows_as_listed(measured["rows"], listed["pictures"], c.full_size);
        expect_packages_as_listed(measured["packages"], listed);

        const fs::path screenshot =
            fs::path(FRAMESTOW_SCREENSHOT_DIR) / (std::string("report_") + c.name + ".png");
        fs::remove(screenshot);
        const ProcessResult shot = run_chromium(
            workspace.root() / "profile", {"--screenshot=" + screenshot.string(),
                                           "--window-size=1200,900", "file://" + page.string()});
        EXPECT_EQ(shot.exit_status, 0) << shot.err;
        EXPECT_GT(fs::exists(screenshot) ? fs::file_size(screenshot) : 0, 1000u);
    }
}

}  // namespace
}  // namespace framestow::inspect
