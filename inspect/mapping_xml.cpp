#include "mapping_xml.h"

#include <tinyxml2.h>

#include <array>
#include <utility>

#include "text_scanner.h"

namespace framestow::inspect {

namespace {

using tinyxml2::XMLAttribute;
using tinyxml2::XMLElement;

// Comments and blanks between elements carry no placement.
bool is_ignorable(const tinyxml2::XMLNode& node) {
    if (node.ToComment() != nullptr) {
        return true;
    }
    const tinyxml2::XMLText* text = node.ToText();
    if (text == nullptr || text->Value() == nullptr) {
        return false;
    }
    for (const char* c = text->Value(); *c != '\0'; ++c) {
        if (*c != ' ' && *c != '\t' && *c != '\r' && *c != '\n') {
            return false;
        }
    }
    return true;
}

std::string at_line(int line, std::string what) {
    return "line " + std::to_string(line) + ": " + std::move(what);
}

// Only the attributes in `allowed`, each once (the XML rules already refuse a repeated one).
std::optional<std::string> unexpected_attribute(const XMLElement& element,
                                                std::initializer_list<std::string_view> allowed) {
    for (const XMLAttribute* attribute = element.FirstAttribute(); attribute != nullptr;
         attribute = attribute->Next()) {
        bool known = false;
        for (const std::string_view name : allowed) {
            known = known || name == attribute->Name();
        }
        if (!known) {
            return at_line(element.GetLineNum(), std::string("unexpected attribute ") +
                                                     quoted_excerpt(attribute->Name()) + " on " +
                                                     element.Name());
        }
    }
    return std::nullopt;
}

std::optional<uint64_t> unsigned_attribute(const XMLElement& element, const char* name) {
    const char* text = element.Attribute(name);
    if (text == nullptr) {
        return std::nullopt;
    }
    TextScanner scan(text);
    const std::optional<uint64_t> value = scan.take_unsigned();
    return value && scan.at_end() ? value : std::nullopt;
}

std::optional<std::string> read_item(const XMLElement& element, XmlItem& item) {
    item.line = element.GetLineNum();
    if (std::string_view(element.Name()) != "image_item") {
        return at_line(item.line,
                       "expected an image_item element, found " + quoted_excerpt(element.Name()));
    }
    if (auto problem =
            unexpected_attribute(element, {"image_name", "image_size", "image_offset"})) {
        return problem;
    }
    const char* name = element.Attribute("image_name");
    const std::optional<uint64_t> size = unsigned_attribute(element, "image_size");
    const std::optional<uint64_t> offset = unsigned_attribute(element, "image_offset");
    if (name == nullptr || !size || !offset) {
        return at_line(item.line,
                       "an image_item needs image_name and the unsigned numbers "
                       "image_size and image_offset");
    }
    for (const tinyxml2::XMLNode* node = element.FirstChild(); node != nullptr;
         node = node->NextSibling()) {
        if (!is_ignorable(*node)) {
            return at_line(item.line, "an image_item holds nothing");
        }
    }
    item.name = name;
    item.size = *size;
    item.offset = *offset;
    return std::nullopt;
}

std::optional<std::string> read_app(const XMLElement& element, XmlApp& app) {
    app.line = element.GetLineNum();
    if (std::string_view(element.Name()) != "app") {
        return at_line(app.line,
                       "expected an app element, found " + quoted_excerpt(element.Name()));
    }
    if (auto problem = unexpected_attribute(element, {"app_id"})) {
        return problem;
    }
    const char* app_id = element.Attribute("app_id");
    if (app_id == nullptr) {
        return at_line(app.line, "an app element needs app_id");
    }
    app.app_id = app_id;
    for (const tinyxml2::XMLNode* node = element.FirstChild(); node != nullptr;
         node = node->NextSibling()) {
        const XMLElement* child = node->ToElement();
        if (is_ignorable(*node)) {
            continue;
        }
        if (child == nullptr) {
            return at_line(app.line, "an app element holds only image_item elements");
        }
        XmlItem item;
        if (auto problem = read_item(*child, item)) {
            return problem;
        }
        app.items.push_back(std::move(item));
    }
    return std::nullopt;
}

}  // namespace

XmlReading read_mapping_xml(std::string_view text) {
    XmlReading reading;
    tinyxml2::XMLDocument document;
    if (document.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS) {
        reading.error = "not readable XML: " + printable(document.ErrorStr());
        return reading;
    }
    const XMLElement* root = document.RootElement();
    if (root == nullptr || std::string_view(root->Name()) != "root" ||
        root->FirstAttribute() != nullptr) {
        reading.error = "its document element is not <root>";
        return reading;
    }
    std::vector<XmlApp> apps;
    for (const tinyxml2::XMLNode* node = root->FirstChild(); node != nullptr;
         node = node->NextSibling()) {
        const XMLElement* element = node->ToElement();
        if (is_ignorable(*node)) {
            continue;
        }
        if (element == nullptr) {
            reading.error = at_line(root->GetLineNum(), "root holds only app elements");
            return reading;
        }
        XmlApp app;
        if (auto problem = read_app(*element, app)) {
            reading.error = std::move(*problem);
            return reading;
        }
        apps.push_back(std::move(app));
    }
    reading.apps = std::move(apps);
    return reading;
}

}  // namespace framestow::inspect
