#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// How a PNG picture's colours are stored, as config.ini chooses it: the keys pixel_format
// ("8888", the default, or "565"), dither ("0" or "1") and background ("#RRGGBB").
namespace framestow {

struct Rgb {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    bool operator==(const Rgb&) const = default;
};

struct ColourChoice {
    bool rgb565 = false;
    bool dither = false;
    std::optional<Rgb> background;
};

// The keys, in the order they are looked up.
constexpr std::string_view kPixelFormatKey = "pixel_format";
constexpr std::string_view kDitherKey = "dither";
constexpr std::string_view kBackgroundKey = "background";

// Sets the key's field of `choice` from its text. Numbers are read as atoi reads them; the
// background must be '#' and six hexadecimal digits. False, with `choice` untouched, for a value
// the key does not take or an unknown key.
[[nodiscard]] bool apply_colour_key(std::string_view key, std::string_view text,
                                    ColourChoice& choice);

// What the key takes, for messages: "8888 or 565", "0 or 1", "#RRGGBB".
std::string_view accepted_values(std::string_view key);

}  // namespace framestow
