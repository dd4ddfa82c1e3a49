#include "mapping/mapping_xml.h"

#include <algorithm>

#include "packaging/bin_list.h"
#include "platform/platform.h"

namespace framestow {

namespace {

constexpr const char* kDeclaration = R"(<?xml version="1.0" encoding="UTF-8" standalone="no"?>)";
constexpr std::size_t kAppIdLength = 4;

tinyxml2::XMLElement* new_image_item(tinyxml2::XMLDocument& document, const std::string& name,
                                     uint32_t size, uint32_t offset) {
    tinyxml2::XMLElement* item = document.NewElement("image_item");
    item->SetAttribute("image_name", name.c_str());
    item->SetAttribute("image_size", static_cast<unsigned>(size));
    item->SetAttribute("image_offset", static_cast<unsigned>(offset));
    return item;
}

}  // namespace

void create_mapping_xml(tinyxml2::XMLDocument& document) {
    document.Parse(kDeclaration);
    document.InsertEndChild(document.NewElement("root"));
}

void add_bin_mapping_xml(tinyxml2::XMLDocument& document, const std::vector<uint32_t>& bin_sizes,
                         const std::vector<std::string>& bin_files,
                         const std::vector<uint32_t>& bin_offsets) {
    tinyxml2::XMLElement* root = document.FirstChildElement();
    const std::size_t n = std::min({bin_files.size(), bin_sizes.size(), bin_offsets.size()});
    if (root == nullptr || n == 0) {
        return;
    }
    std::string prefix;
    tinyxml2::XMLElement* app = nullptr;
    for (std::size_t i = 0; i < n; ++i) {
        const std::string entry_prefix = app_prefix(bin_files[i]);
        if (app == nullptr || entry_prefix != prefix) {
            // An "app" element joins "root" once its run is complete.
            if (app != nullptr) {
                root->InsertEndChild(app);
            }
            app = document.NewElement("app");
            app->SetAttribute("app_id", bin_files[i].substr(0, kAppIdLength).c_str());
            prefix = entry_prefix;
        }
        app->InsertEndChild(new_image_item(document, bin_files[i], bin_sizes[i], bin_offsets[i]));
    }
    root->InsertEndChild(app);
}

std::string print_mapping_xml(const tinyxml2::XMLDocument& document) {
    tinyxml2::XMLPrinter printer;
    document.Print(&printer);
    const std::string printed(printer.CStr());
    std::string text;
    text.reserve(printed.size() + printed.size() / 16);
    for (const char c : printed) {
        if (c == '\n') {
            text += '\r';
        }
        text += c;
    }
    return text;
}

bool save_mapping_xml(const tinyxml2::XMLDocument& document, const std::string& path) {
    const std::string text = print_mapping_xml(document);
    platform::File file = platform::File::open_for_writing(path);
    if (!file.is_open()) {
        return false;
    }
    const bool written = file.write(text.data(), text.size());
    return file.close() && written;
}

}  // namespace framestow
