#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tintcast::notation {

// Red, green and blue, indexed 0, 1, 2 like the three bars. Each channel is meant to
// lie in 0..255; every function below clamps a channel outside that range to the
// nearest bound (-5 counts as 0, 300 as 255), so any 32-bit input gives a defined,
// in-range result.
using ChannelSet = std::array<std::int32_t, 3>;

inline constexpr std::size_t kRed = 0;
inline constexpr std::size_t kGreen = 1;
inline constexpr std::size_t kBlue = 2;

// Numbered like the notation options of the window.
enum class ColorNotation : std::int16_t {
    VBasic = 0,  // "&H" + hex of DisplayColor, no leading zeros: "&HFF" for red
    Html = 1,    // "#" + six hex digits of HtmlValue: "#FF0000" for red
    DBasic = 2,  // "(r,g,b)" in decimal: "(255,0,0)" for red
};

// 0x00BBGGRR: red in the low byte. The swatch colour and what "VBasic" prints.
using DisplayColor = std::int32_t;
// 0x00RRGGBB: what "HTML" prints.
using HtmlValue = std::int32_t;

inline constexpr std::size_t kLongestText = 13;  // "(255,255,255)"

constexpr std::int32_t ClampChannel(std::int32_t value) {
    return value < 0 ? 0 : (value > 255 ? 255 : value);
}

// red + green * 256 + blue * 65536, channels clamped; always 0..16777215.
constexpr DisplayColor ComposeDisplayColor(const ChannelSet& channels) {
    return ClampChannel(channels[kRed]) + ClampChannel(channels[kGreen]) * 256 +
           ClampChannel(channels[kBlue]) * 256 * 256;
}

// blue + green * 256 + red * 65536, channels clamped; always 0..16777215.
constexpr HtmlValue ComposeHtmlValue(const ChannelSet& channels) {
    return ClampChannel(channels[kBlue]) + ClampChannel(channels[kGreen]) * 256 +
           ClampChannel(channels[kRed]) * 256 * 256;
}

// The text of the channels in the notation, 3 to 13 characters, uppercase hex digits.
// A notation value outside the three named ones formats as "DBasic", the form the
// window falls back to when neither hex option is selected.
std::string FormatColorText(const ChannelSet& channels, ColorNotation notation);

}  // namespace tintcast::notation
