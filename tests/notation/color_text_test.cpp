#include "notation/color_text.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <string_view>

namespace tintcast::notation {
namespace {

struct Worked {
    ChannelSet channels;
    std::string_view vbasic;
    std::string_view html;
    std::string_view dbasic;

    friend void PrintTo(const Worked& w, std::ostream* out) {
        *out << "(" << w.channels[0] << "," << w.channels[1] << "," << w.channels[2] << ") -> "
             << w.vbasic;
    }
};

class WorkedValues : public ::testing::TestWithParam<Worked> {};

TEST_P(WorkedValues, FormatsInEachNotation) {
    const Worked& w = GetParam();
    EXPECT_EQ(FormatColorText(w.channels, ColorNotation::VBasic), w.vbasic);
    EXPECT_EQ(FormatColorText(w.channels, ColorNotation::Html), w.html);
    EXPECT_EQ(FormatColorText(w.channels, ColorNotation::DBasic), w.dbasic);
}

INSTANTIATE_TEST_SUITE_P(
    Table, WorkedValues,
    ::testing::Values(Worked{{0, 0, 0}, "&H0", "#000000", "(0,0,0)"},
                      Worked{{255, 0, 0}, "&HFF", "#FF0000", "(255,0,0)"},
                      Worked{{0, 255, 0}, "&HFF00", "#00FF00", "(0,255,0)"},
                      Worked{{0, 0, 255}, "&HFF0000", "#0000FF", "(0,0,255)"},
                      Worked{{255, 255, 0}, "&HFFFF", "#FFFF00", "(255,255,0)"},
                      Worked{{255, 255, 255}, "&HFFFFFF", "#FFFFFF", "(255,255,255)"},
                      Worked{{18, 52, 86}, "&H563412", "#123456", "(18,52,86)"},
                      // Single low digits: no padding in "VBasic", full padding in "HTML".
                      Worked{{1, 0, 0}, "&H1", "#010000", "(1,0,0)"},
                      Worked{{0, 0, 1}, "&H10000", "#000001", "(0,0,1)"},
                      Worked{{10, 11, 12}, "&HC0B0A", "#0A0B0C", "(10,11,12)"},
                      Worked{{0, 1, 0}, "&H100", "#000100", "(0,1,0)"},
                      Worked{{100, 9, 0}, "&H964", "#640900", "(100,9,0)"},
                      // Out-of-range channels are clamped to 0..255.
                      Worked{{-1, 256, 0}, "&HFF00", "#00FF00", "(0,255,0)"},
                      Worked{{std::numeric_limits<std::int16_t>::min(),
                              std::numeric_limits<std::int16_t>::max(), 300},
                             "&HFFFF00", "#00FFFF", "(0,255,255)"},
                      Worked{{std::numeric_limits<std::int32_t>::max(),
                              std::numeric_limits<std::int32_t>::min(), -7},
                             "&HFF", "#FF0000", "(255,0,0)"}));

TEST(Compose, PacksTheChannelsInOppositeByteOrders) {
    EXPECT_EQ(ComposeDisplayColor({18, 52, 86}), 0x563412);
    EXPECT_EQ(ComposeHtmlValue({18, 52, 86}), 0x123456);
    EXPECT_EQ(ComposeDisplayColor({0, 128, 0}), 32768);
    EXPECT_EQ(ComposeHtmlValue({0, 128, 0}), 32768);
    EXPECT_EQ(ComposeDisplayColor({255, 255, 255}), 16777215);
    EXPECT_EQ(ComposeDisplayColor({-40, 1000, 256}), 0xFFFF00);
    EXPECT_EQ(ComposeHtmlValue({-40, 1000, 256}), 0x00FFFF);
}

TEST(Compose, ClampsEverySixteenBitChannel) {
    for (int v = std::numeric_limits<std::int16_t>::min(); v <= std::numeric_limits<std::int16_t>::max();
         ++v) {
        const std::int32_t expected = v < 0 ? 0 : (v > 255 ? 255 : v);
        ASSERT_EQ(ComposeDisplayColor({v, v, v}), expected * 0x010101) << v;
        ASSERT_EQ(ComposeHtmlValue({0, 0, v}), expected) << v;
    }
}

TEST(Format, AnUnnamedNotationFallsBackToDBasic) {
    EXPECT_EQ(FormatColorText({1, 2, 3}, static_cast<ColorNotation>(3)), "(1,2,3)");
    EXPECT_EQ(FormatColorText({1, 2, 3}, static_cast<ColorNotation>(-1)), "(1,2,3)");
}

// Reads "&H" text back without the formatter's help: uppercase hex, no leading zero.
bool ParseVBasic(std::string_view text, std::int32_t& value) {
    if (!text.starts_with("&H") || text.size() < 3 || text.size() > 8) {
        return false;
    }
    const std::string_view digits = text.substr(2);
    if (digits.size() > 1 && digits.front() == '0') {
        return false;
    }
    for (const char c : digits) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
            return false;
        }
    }
    return std::from_chars(digits.data(), digits.data() + digits.size(), value, 16).ec == std::errc{};
}

bool ParseHtml(std::string_view text, std::int32_t& value) {
    if (text.size() != 7 || text.front() != '#') {
        return false;
    }
    for (const char c : text.substr(1)) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
            return false;
        }
    }
    return std::from_chars(text.data() + 1, text.data() + 7, value, 16).ec == std::errc{};
}

bool ParseDBasic(std::string_view text, ChannelSet& channels) {
    if (text.size() < 7 || text.size() > 13 || text.front() != '(' || text.back() != ')') {
        return false;
    }
    const char* cursor = text.data() + 1;
    const char* const end = text.data() + text.size() - 1;
    for (std::size_t i = 0; i < 3; ++i) {
        if (cursor == end || (*cursor == '0' && cursor + 1 != end && cursor[1] >= '0' && cursor[1] <= '9')) {
            return false;
        }
        const auto [next, error] = std::from_chars(cursor, end, channels[i]);
        if (error != std::errc{} || channels[i] < 0 || channels[i] > 255) {
            return false;
        }
        cursor = next;
        if (i < 2) {
            if (cursor == end || *cursor != ',') {
                return false;
            }
            ++cursor;
        }
    }
    return cursor == end;
}

TEST(Format, EveryColourReadsBackToItsChannels) {
    std::int64_t failures = 0;
    for (std::int32_t packed = 0; packed <= 0xFFFFFF && failures < 10; ++packed) {
        const ChannelSet c{packed & 0xFF, (packed >> 8) & 0xFF, packed >> 16};

        std::int32_t display = -1;
        const std::string vbasic = FormatColorText(c, ColorNotation::VBasic);
        if (!ParseVBasic(vbasic, display) || display != packed) {
            ADD_FAILURE() << "VBasic " << vbasic << " for " << packed;
            ++failures;
        }
        std::int32_t html = -1;
        const std::string htmlText = FormatColorText(c, ColorNotation::Html);
        if (!ParseHtml(htmlText, html) ||
            html != ((c[kRed] << 16) | (c[kGreen] << 8) | c[kBlue])) {
            ADD_FAILURE() << "HTML " << htmlText << " for " << packed;
            ++failures;
        }
        ChannelSet back{-1, -1, -1};
        const std::string dbasic = FormatColorText(c, ColorNotation::DBasic);
        if (!ParseDBasic(dbasic, back) || back != c) {
            ADD_FAILURE() << "DBasic " << dbasic << " for " << packed;
            ++failures;
        }
    }
}

}  // namespace
}  // namespace tintcast::notation
