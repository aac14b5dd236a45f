#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "platform/bar_range.h"
#include "platform/rgb.h"
#include "platform/twips.h"

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

struct FontSpec {
    std::span<const std::string_view> families;  // in order of preference
    int pointSize = 0;
    int weight = 400;  // 400 normal, 700 bold
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
