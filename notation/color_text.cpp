#include "notation/color_text.h"

#include <charconv>

namespace tintcast::notation {

namespace {

// Appends the uppercase hex digits of value (0..0xFFFFFF), padded with zeros to
// at least min_digits.
void AppendHex(std::string& out, std::int32_t value, int min_digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    char buffer[8];
    int count = 0;
    do {
        buffer[count++] = kDigits[value & 0xF];
        value >>= 4;
    } while (value != 0 || count < min_digits);
    while (count > 0) {
        out.push_back(buffer[--count]);
    }
}

void AppendDecimal(std::string& out, std::int32_t value) {
    char buffer[4];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

}  // namespace

std::string FormatColorText(const ChannelSet& channels, ColorNotation notation) {
    std::string text;
    text.reserve(kLongestText);
    switch (notation) {
        case ColorNotation::VBasic:
            text = "&H";
            AppendHex(text, ComposeDisplayColor(channels), 1);
            break;
        case ColorNotation::Html:
            text = "#";
            AppendHex(text, ComposeHtmlValue(channels), 6);
            break;
        default:
            text = "(";
            AppendDecimal(text, ClampChannel(channels[kRed]));
            text.push_back(',');
            AppendDecimal(text, ClampChannel(channels[kGreen]));
            text.push_back(',');
            AppendDecimal(text, ClampChannel(channels[kBlue]));
            text.push_back(')');
            break;
    }
    return text;
}

}  // namespace tintcast::notation
