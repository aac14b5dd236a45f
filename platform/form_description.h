#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tintcast::platform {

inline constexpr std::int16_t kNoIndex = -1;  // a control that is not part of an array
inline constexpr int kNoTab = -1;             // a control outside the keyboard order

enum class ControlKind {
    Frame,        // captioned border that holds other controls
    Button,       // push button with a caption; "&" marks the access key
    ColorButton,  // caption-less push button filled with its background colour
    Option,       // option button; the options sharing a parent form one group
    CheckBox,
    VScrollBar,
    TextBox,
    Swatch,  // box that shows nothing but its background colour
    Label,
    Image,  // shows the form's icon
};

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend constexpr bool operator==(const Rgb&, const Rgb&) = default;
};

// Red in the low byte: 0x00BBGGRR.
constexpr std::int32_t PackRgb(Rgb c) {
    return c.red | (c.green << 8) | (c.blue << 16);
}
constexpr Rgb UnpackRgb(std::int32_t packed) {
    return {static_cast<std::uint8_t>(packed & 0xFF),
            static_cast<std::uint8_t>((packed >> 8) & 0xFF),
            static_cast<std::uint8_t>((packed >> 16) & 0xFF)};
}

// Places and sizes are in twips, 1/1440 inch.
struct TwipRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Logical pixels for a length in twips at the given logical dots per inch.
inline int TwipsToPixels(int twips, double dpi) {
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

struct FontSpec {
    std::span<const std::string_view> families;  // in order of preference
    int pointSize = 0;
    int weight = 400;  // 400 normal, 700 bold
};

// A bar runs from `top` at its upper end to `bottom` at its lower end; either may be
// the larger. Arrows step by `smallChange`, clicks in the track by `largeChange`.
struct BarRange {
    std::int16_t top = 0;
    std::int16_t bottom = 0;
    std::int16_t smallChange = 1;
    std::int16_t largeChange = 1;
};

struct ControlSpec {
    std::string_view name;
    std::int16_t index = kNoIndex;
    ControlKind kind = ControlKind::Label;
    std::string_view caption;
    std::string_view parent;  // name of the holding frame; empty for the client area
    TwipRect place;           // relative to the parent
    int tabIndex = kNoTab;
    std::optional<Rgb> background;
    std::optional<Rgb> foreground;
    std::optional<FontSpec> font;  // the form's font when absent
    bool autoSize = false;         // width and height follow the caption
    bool initiallyOn = false;      // option selected or check box checked
    std::int16_t initialValue = 0;
    BarRange bar;
    bool readOnly = false;
    bool setsTopmost = false;  // its handler calls SetTopmost: disabled where the window system
                               // cannot keep a window on top
    std::string_view accessibleName;  // for controls whose caption does not say what they are
};

struct FormSpec {
    std::string_view name;
    std::string_view caption;
    int clientWidth = 0;  // twips
    int clientHeight = 0;
    FontSpec font;
    std::span<const char* const> iconXpm;   // the application icon as XPM lines
    std::span<const ControlSpec> controls;  // in creation order
};

}  // namespace tintcast::platform
