#include "window/layout.h"

#include <array>

#include "window/presets.h"

namespace tintcast::window {

namespace {

using platform::BarRange;
using platform::ControlKind;
using platform::ControlSpec;
using platform::FontSpec;
using platform::Rgb;

// Metric look-alikes first, so that captions fit where the first face is missing.
constexpr std::array<std::string_view, 5> kSansFamilies{
    "MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arial", "DejaVu Sans"};

constexpr FontSpec kFormFont{kSansFamilies, 8, 400};
constexpr FontSpec kLetterFont{kSansFamilies, 12, 700};

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kNavy{0, 0, 128};

// 255 at the top, so pushing the thumb up raises the channel.
constexpr BarRange kChannelRange{.top = 255, .bottom = 0, .smallChange = 1, .largeChange = 10};

constexpr Rgb Face(std::size_t preset) {
    const auto& c = PresetTable[preset];
    return {static_cast<std::uint8_t>(c[0]), static_cast<std::uint8_t>(c[1]),
            static_cast<std::uint8_t>(c[2])};
}

constexpr ControlSpec Preset(std::int16_t index, int top, int height, int tab,
                             std::string_view colourName) {
    return {.name = name::cmdStandard,
            .index = index,
            .kind = ControlKind::ColorButton,
            .parent = name::Frame4,
            .place = {60, top, 375, height},
            .tabIndex = tab,
            .background = Face(static_cast<std::size_t>(index)),
            .accessibleName = colourName};
}

constexpr ControlSpec Bar(std::int16_t index, int left, int tab, std::string_view channel) {
    return {.name = name::sclColor,
            .index = index,
            .kind = ControlKind::VScrollBar,
            .place = {left, 405, 315, 3315},
            .tabIndex = tab,
            .initialValue = 0,
            .bar = kChannelRange,
            .accessibleName = channel};
}

constexpr ControlSpec Letter(std::string_view label, std::string_view letter, int left, int width,
                             int tab, Rgb background) {
    return {.name = label,
            .kind = ControlKind::Label,
            .caption = letter,
            .place = {left, 105, width, 300},
            .tabIndex = tab,
            .background = background,
            .foreground = kWhite,
            .font = kLetterFont};
}

constexpr std::array<ControlSpec, 28> kControls{{
    {.name = name::chkTop,
     .kind = ControlKind::CheckBox,
     .caption = "Stay On Top",
     .place = {60, 3840, 1635, 255},
     .tabIndex = 25,
     .setsTopmost = true},
    {.name = name::Frame4,
     .kind = ControlKind::Frame,
     .caption = "Set",
     .place = {60, 60, 495, 3675},
     .tabIndex = 14},
    Preset(7, 240, 360, 15, "White"),
    Preset(6, 660, 375, 16, "Cyan"),
    Preset(5, 1080, 360, 17, "Magenta"),
    Preset(4, 1500, 360, 18, "Blue"),
    Preset(3, 1920, 360, 19, "Yellow"),
    Preset(2, 2340, 360, 20, "Green"),
    Preset(1, 2760, 360, 21, "Red"),
    Preset(0, 3180, 360, 22, "Black"),
    {.name = name::Frame2,
     .kind = ControlKind::Frame,
     .caption = "Type",
     .place = {1800, 1740, 1935, 855},
     .tabIndex = 11},
    {.name = name::optType,
     .index = 2,
     .kind = ControlKind::Option,
     .caption = "DBasic",
     .parent = name::Frame2,
     .place = {960, 240, 915, 255},
     .tabIndex = 26},
    {.name = name::optType,
     .index = 1,
     .kind = ControlKind::Option,
     .caption = "HTML",
     .parent = name::Frame2,
     .place = {60, 540, 915, 255},
     .tabIndex = 13},
    {.name = name::optType,
     .index = 0,
     .kind = ControlKind::Option,
     .caption = "VBasic",
     .parent = name::Frame2,
     .place = {60, 240, 855, 255},
     .tabIndex = 12,
     .initiallyOn = true},
    {.name = name::Command1,
     .kind = ControlKind::Button,
     .caption = "&Copy To Clipboard",
     .place = {1800, 3300, 1935, 795},
     .tabIndex = 10},
    {.name = name::Frame1,
     .kind = ControlKind::Frame,
     .caption = "Value",
     .place = {1800, 2580, 1935, 675},
     .tabIndex = 8},
    {.name = name::txtHex,
     .kind = ControlKind::TextBox,
     .parent = name::Frame1,
     .place = {120, 240, 1695, 315},
     .tabIndex = 9,
     .readOnly = true,
     .accessibleName = "Value"},
    Bar(2, 1380, 4, "Blue"),
    Bar(1, 1020, 3, "Green"),
    Bar(0, 660, 2, "Red"),
    {.name = name::cmdExit,
     .kind = ControlKind::Button,
     .caption = "E&xit",
     .place = {2280, 4200, 1455, 555},
     .tabIndex = 1},
    {.name = name::txtColor,
     .kind = ControlKind::Swatch,
     .place = {1800, 120, 1935, 1575},
     .tabIndex = 0,
     .background = Rgb{0, 0, 0},
     .accessibleName = "Color swatch"},
    {.name = name::Image1,
     .kind = ControlKind::Image,
     .place = {60, 4140, 480, 480},
     .accessibleName = "Tintcast icon"},
    {.name = name::Label15,
     .kind = ControlKind::Label,
     .caption = kWebAddress,
     .place = {60, 4620, 2055, 195},
     .tabIndex = 24,
     .foreground = kNavy,
     .autoSize = true},
    {.name = name::Label11,
     .kind = ControlKind::Label,
     .caption = "Olundar",
     .place = {600, 4380, 1470, 195},
     .tabIndex = 23,
     .foreground = kNavy,
     .autoSize = true},
    Letter(name::Label3, "B", 1440, 195, 7, Rgb{0, 0, 255}),
    Letter(name::Label2, "G", 1050, 225, 6, Rgb{0, 192, 0}),
    Letter(name::Label1, "R", 705, 210, 5, Rgb{255, 0, 0}),
}};

}  // namespace

platform::FormSpec MainFormSpec() {
    return {.name = name::frmMain,
            .caption = "Kesvar - Tintcast",
            .clientWidth = 3825,
            .clientHeight = 4890,
            .font = kFormFont,
            .iconXpm = AppIconXpm(),
            .controls = kControls};
}

}  // namespace tintcast::window
