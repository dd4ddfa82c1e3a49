#include "colour/colour_choice.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace framestow {

namespace {

// The value of a decimal text as atoi reads it: leading blanks, a sign, digits up to the first
// other character; 0 without digits. Clamped to 32 bits, so no text overflows.
int64_t atoi_value(std::string_view text) {
    std::size_t pos = text.find_first_not_of(" \t\n\v\f\r");
    if (pos == std::string_view::npos) {
        return 0;
    }
    const bool negative = text[pos] == '-';
    if (text[pos] == '-' || text[pos] == '+') {
        ++pos;
    }
    int64_t value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        value = std::min<int64_t>(value * 10 + (text[pos] - '0'), int64_t{1} << 32);
    }
    return negative ? -value : value;
}

std::optional<uint8_t> hex_byte(std::string_view two_digits) {
    unsigned value = 0;
    const auto [end, error] =
        std::from_chars(two_digits.data(), two_digits.data() + two_digits.size(), value, 16);
    if (error != std::errc{} || end != two_digits.data() + two_digits.size()) {
        return std::nullopt;
    }
    return static_cast<uint8_t>(value);
}

std::optional<Rgb> parse_background(std::string_view text) {
    if (text.size() != 7 || text[0] != '#') {
        return std::nullopt;
    }
    const std::optional<uint8_t> red = hex_byte(text.substr(1, 2));
    const std::optional<uint8_t> green = hex_byte(text.substr(3, 2));
    const std::optional<uint8_t> blue = hex_byte(text.substr(5, 2));
    if (!red || !green || !blue) {
        return std::nullopt;
    }
    return Rgb{*red, *green, *blue};
}

}  // namespace

bool apply_colour_key(std::string_view key, std::string_view text, ColourChoice& choice) {
    if (key == kPixelFormatKey) {
        const int64_t value = atoi_value(text);
        if (value != 8888 && value != 565) {
            return false;
        }
        choice.rgb565 = value == 565;
        return true;
    }
    if (key == kDitherKey) {
        const int64_t value = atoi_value(text);
        if (value != 0 && value != 1) {
            return false;
        }
        choice.dither = value == 1;
        return true;
    }
    if (key == kBackgroundKey) {
        const std::optional<Rgb> colour = parse_background(text);
        if (!colour) {
            return false;
        }
        choice.background = colour;
        return true;
    }
    return false;
}

std::string_view accepted_values(std::string_view key) {
    if (key == kPixelFormatKey) {
        return "8888 or 565";
    }
    if (key == kDitherKey) {
        return "0 or 1";
    }
    return "#RRGGBB";
}

ResolvedColour resolve_colour_choice(std::span<const ColourSection> sections) {
    const std::array<std::pair<std::string_view, std::string ColourSection::*>, 3> keys = {{
        {kPixelFormatKey, &ColourSection::pixel_format},
        {kDitherKey, &ColourSection::dither},
        {kBackgroundKey, &ColourSection::background},
    }};
    ResolvedColour resolved;
    for (const auto& entry : keys) {
        // Named, not bound: a lambda may not capture a structured binding in every compiler.
        const std::string_view key = entry.first;
        std::string ColourSection::*const field = entry.second;
        const auto deciding = std::ranges::find_if(
            sections, [field](const ColourSection& section) { return !(section.*field).empty(); });
        if (deciding == sections.end()) {
            continue;
        }
        const std::string& text = (*deciding).*field;
        if (!apply_colour_key(key, text, resolved.choice) && !resolved.bad) {
            resolved.bad = BadColourValue{key, text, deciding->name};
        }
    }
    return resolved;
}

ColourSection ColourKeyReader::read_section(const std::string& section) const {
    return {section, lookup_(section, kPixelFormatKey), lookup_(section, kDitherKey),
            lookup_(section, kBackgroundKey)};
}

const ColourSection& ColourKeyReader::cached_section(const std::string& section) {
    auto found = cache_.find(section);
    if (found == cache_.end()) {
        found = cache_.emplace(section, read_section(section)).first;
    }
    return found->second;
}

ResolvedColour ColourKeyReader::read(const std::string& picture_name,
                                     const std::string& application) {
    // Most specific first; a picture's own section is looked up for that picture alone.
    const std::array<ColourSection, 3> sections = {
        read_section(picture_name), cached_section(application), cached_section("png")};
    return resolve_colour_choice(sections);
}

}  // namespace framestow
