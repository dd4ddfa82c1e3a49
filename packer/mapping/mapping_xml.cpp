#include "mapping/mapping_xml.h"

#include "packaging/bin_list.h"
#include "platform/platform.h"

namespace framestow {

namespace {

constexpr const char* kDeclaration = R"(<?xml version="1.0" encoding="UTF-8" standalone="no"?>)";
constexpr std::size_t kAppIdLength = 4;

tinyxml2::XMLElement* new_image_item(tinyxml2::XMLDocument& document, const PackageEntry& entry) {
    tinyxml2::XMLElement* item = document.NewElement("image_item");
    item->SetAttribute("image_name", entry.name.c_str());
    item->SetAttribute("image_size", static_cast<unsigned>(entry.size));
    item->SetAttribute("image_offset", static_cast<unsigned>(entry.offset));
    return item;
}

}  // namespace

void create_mapping_xml(tinyxml2::XMLDocument& document) {
    document.Parse(kDeclaration);
    document.InsertEndChild(document.NewElement("root"));
}

void add_bin_mapping_xml(tinyxml2::XMLDocument& document, const PackageEntries& entries) {
    tinyxml2::XMLElement* root = document.FirstChildElement();
    if (root == nullptr || entries.empty()) {
        return;
    }
    std::string prefix;
    tinyxml2::XMLElement* app = nullptr;
    for (const PackageEntry& entry : entries) {
        const std::string entry_prefix = app_prefix(entry.name);
        if (app == nullptr || entry_prefix != prefix) {
            // An "app" element joins "root" once its run is complete.
            if (app != nullptr) {
                root->InsertEndChild(app);
            }
            app = document.NewElement("app");
            app->SetAttribute("app_id", entry.name.substr(0, kAppIdLength).c_str());
            prefix = entry_prefix;
        }
        app->InsertEndChild(new_image_item(document, entry));
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

bool save_mapping_xml(const tinyxml2::XMLDocument& document, platform::File& file) {
    const std::string text = print_mapping_xml(document);
    if (!file.is_open()) {
        return false;
    }
    const bool written = file.write(text.data(), text.size());
    return file.close() && written;
}

}  // namespace framestow
