#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
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

// The value texts of the colour keys in one section of the settings file; empty for a key the
// section lacks.
struct ColourSection {
    std::string name;
    std::string pixel_format;
    std::string dither;
    std::string background;
};

// A value that its key does not take, and the section it stands in.
struct BadColourValue {
    std::string_view key;
    std::string text;
    std::string section;
};

struct ResolvedColour {
    ColourChoice choice;
    std::optional<BadColourValue> bad;  // the first bad value, in key order
};

// A picture's colour choice from the sections that apply to it, most specific first: for each
// key, the first section that has text for it decides; a bad value there leaves the key's
// default.
ResolvedColour resolve_colour_choice(std::span<const ColourSection> sections);

// Reads the colour keys for each picture through `lookup`, which gives the value text of a key
// in a section of the settings file (empty when missing): for each key, the picture's own
// section ([A001_003.png]) wins over its application's ([A001]), which wins over [png]. The
// [png] and application sections are looked up once each.
class ColourKeyReader {
  public:
    using Lookup = std::function<std::string(const std::string& section, std::string_view key)>;
    explicit ColourKeyReader(Lookup lookup) : lookup_(std::move(lookup)) {}

    ResolvedColour read(const std::string& picture_name, const std::string& application);

  private:
    ColourSection read_section(const std::string& section) const;
    const ColourSection& cached_section(const std::string& section);

    Lookup lookup_;
    std::map<std::string, ColourSection> cache_;
};

}  // namespace framestow
