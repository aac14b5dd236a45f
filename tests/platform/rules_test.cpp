// The form runtime's rules, written once in the toolkit-free headers and used by
// both bindings, the fake and the drivers.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/bar_range.h"
#include "platform/control_lookup.h"
#include "platform/control_name.h"
#include "platform/form_check.h"
#include "platform/rgb.h"
#include "platform/tab_order.h"
#include "platform/text_offsets.h"
#include "platform/twips.h"
#include "platform/utf8.h"

namespace tintcast::platform {
namespace {

constexpr BarRange kUpward{.top = 255, .bottom = 0, .smallChange = 1, .largeChange = 10};
constexpr BarRange kDownward{.top = 0, .bottom = 100, .smallChange = 2, .largeChange = 25};

TEST(BarRange, TheNativeMinimumIsTheTopWhicheverEndIsLarger) {
    EXPECT_EQ(InnerMinimum(kUpward), -255);
    EXPECT_EQ(InnerMaximum(kUpward), 0);
    EXPECT_EQ(InnerMinimum(kDownward), 0);
    EXPECT_EQ(InnerMaximum(kDownward), 100);
    for (const BarRange& range : {kUpward, kDownward}) {
        for (const int value : {0, 1, 50, 100, 255}) {
            EXPECT_EQ(FromInner(range, ToInner(range, value)), value);
        }
    }
    // A step toward the native minimum, up, moves toward `top`.
    EXPECT_EQ(FromInner(kUpward, ToInner(kUpward, 50) - 1), 51);
    EXPECT_EQ(FromInner(kDownward, ToInner(kDownward, 50) - 1), 49);
    EXPECT_EQ(ClampToBar(kUpward, 300), 255);
    EXPECT_EQ(ClampToBar(kUpward, -5), 0);
    EXPECT_EQ(ClampToBar(kDownward, 101), 100);
    EXPECT_EQ(ClampToBar(kDownward, -32768), 0);
    EXPECT_EQ(ClampToBar(kDownward, 42), 42);
}

// An array member and a control of the same name outside the array are different.
constexpr std::array<ControlSpec, 6> kControls{{
    {.name = "fraGroup", .kind = ControlKind::Frame, .tabIndex = 0},
    {.name = "optPick",
     .index = 1,
     .kind = ControlKind::Option,
     .parent = "fraGroup",
     .tabIndex = 5},
    {.name = "optPick",
     .index = 0,
     .kind = ControlKind::Option,
     .parent = "fraGroup",
     .tabIndex = 4,
     .initiallyOn = true},
    {.name = "lblNote", .kind = ControlKind::Label, .tabIndex = 1},
    {.name = "cmdGo", .kind = ControlKind::Button, .tabIndex = 3},
    {.name = "txtOut", .kind = ControlKind::TextBox, .tabIndex = 6},
}};

TEST(ControlLookup, FindsByNameAndIndex) {
    EXPECT_EQ(ControlPlace(kControls, {"optPick", 0}), 2U);
    EXPECT_EQ(ControlPlace(kControls, {"optPick", 1}), 1U);
    EXPECT_EQ(ControlPlace(kControls, {"cmdGo"}), 4U);
    EXPECT_EQ(ControlPlace(kControls, {"optPick"}), std::nullopt);
    EXPECT_EQ(ControlPlace(kControls, {"cmdGo", 0}), std::nullopt);
    EXPECT_EQ(FindControl(kControls, {"nothing"}), nullptr);
    EXPECT_EQ(FindControl(kControls, {"txtOut"}), &kControls[5]);
}

TEST(ControlLookup, AnOperationOnAMissingControlOrOneOfAnotherKindFailsNamingIt) {
    EXPECT_EQ(RequireControl(kControls, {"txtOut"}, ControlKind::TextBox), 5U);
    const auto failure = [](const ControlRef& control, ControlKind kind) {
        try {
            RequireControl(kControls, control, kind);
        } catch (const ServiceError& error) {
            return std::string(error.what());
        }
        return std::string("no failure");
    };
    EXPECT_EQ(failure({"optPick", 7}, ControlKind::Option), "The form has no control optPick(7).");
    EXPECT_EQ(failure({"cmdGo"}, ControlKind::TextBox),
              "The control cmdGo does not support this operation.");
}

TEST(CheckForm, RefusesAFrameNamedBeforeItIsDefinedOrAControlNamedTwice) {
    EXPECT_NO_THROW(CheckForm({.name = "frmOk", .controls = kControls}));
    struct Case {
        std::vector<ControlSpec> controls;
        const char* message;
    };
    const Case cases[] = {
        {{{.name = "txtIn", .parent = "fraLater"},
          {.name = "fraLater", .kind = ControlKind::Frame}},
         "txtIn names no earlier frame fraLater"},
        {{{.name = "txtIn", .parent = "fraNone"}}, "txtIn names no earlier frame fraNone"},
        {{{.name = "cmdGo"}, {.name = "txtIn", .parent = "cmdGo"}},
         "txtIn names no earlier frame cmdGo"},
        {{{.name = "optPick", .index = 2}, {.name = "optPick", .index = 2}},
         "optPick(2) is named twice"},
    };
    for (const Case& c : cases) {
        try {
            CheckForm({.name = "frmBad", .controls = c.controls});
            ADD_FAILURE() << "accepted: " << c.message;
        } catch (const std::invalid_argument& refused) {
            EXPECT_EQ(std::string(refused.what()), c.message);
        }
    }
}

std::vector<std::string> Order(std::span<const ControlSpec> controls,
                               std::initializer_list<std::size_t> selected, bool stopsOnly) {
    std::vector<std::string> names;
    const auto isSelected = [selected](std::size_t i) {
        return std::find(selected.begin(), selected.end(), i) != selected.end();
    };
    for (const KeyboardPlace& place : KeyboardOrder(controls, isSelected)) {
        if (!stopsOnly || place.tabStop) {
            const ControlSpec& spec = controls[place.control];
            names.push_back(ControlName({spec.name, spec.index}));
        }
    }
    return names;
}

TEST(KeyboardOrder, AnOptionGroupIsOneStopAtItsSelectedOptionsPlace) {
    // optPick(0), Tab number 4, selected: the group stands at 4, after cmdGo.
    EXPECT_EQ(Order(kControls, {2}, false),
              (std::vector<std::string>{"lblNote", "cmdGo", "optPick(0)", "optPick(1)", "txtOut",
                                        "fraGroup"}));
    EXPECT_EQ(Order(kControls, {2}, true),
              (std::vector<std::string>{"cmdGo", "optPick(0)", "txtOut"}));
    // optPick(1) selected: the group moves to 5, still in its own order.
    EXPECT_EQ(Order(kControls, {1}, true),
              (std::vector<std::string>{"cmdGo", "optPick(1)", "txtOut"}));
    EXPECT_EQ(Order(kControls, {1}, false)[2], "optPick(0)");
}

// Each frame's group stands at its own selected option, whichever frame comes first.
constexpr std::array<ControlSpec, 7> kTwoGroups{{
    {.name = "fraSize", .kind = ControlKind::Frame},
    {.name = "optSize",
     .index = 0,
     .kind = ControlKind::Option,
     .parent = "fraSize",
     .tabIndex = 2},
    {.name = "optSize",
     .index = 1,
     .kind = ControlKind::Option,
     .parent = "fraSize",
     .tabIndex = 5},
    {.name = "fraMode", .kind = ControlKind::Frame},
    {.name = "optMode",
     .index = 0,
     .kind = ControlKind::Option,
     .parent = "fraMode",
     .tabIndex = 1},
    {.name = "optMode",
     .index = 1,
     .kind = ControlKind::Option,
     .parent = "fraMode",
     .tabIndex = 4},
    {.name = "cmdGo", .kind = ControlKind::Button, .tabIndex = 3},
}};

TEST(KeyboardOrder, TwoGroupsInTwoFramesEachStandAtTheirOwnSelectedOption) {
    // optSize(1) at 5 and optMode(0) at 1 selected.
    EXPECT_EQ(Order(kTwoGroups, {2, 4}, false),
              (std::vector<std::string>{"optMode(0)", "optMode(1)", "cmdGo", "optSize(0)",
                                        "optSize(1)", "fraSize", "fraMode"}));
    EXPECT_EQ(Order(kTwoGroups, {2, 4}, true),
              (std::vector<std::string>{"optMode(0)", "cmdGo", "optSize(1)"}));
    // The other two selected: the groups change places around the button.
    EXPECT_EQ(Order(kTwoGroups, {1, 5}, true),
              (std::vector<std::string>{"optSize(0)", "cmdGo", "optMode(1)"}));
}

TEST(Utf8, CountsAndOffsetsAreInCharacters) {
    EXPECT_EQ(CountCharacters(""), 0);
    EXPECT_EQ(CountCharacters("abc"), 3);
    EXPECT_EQ(CountCharacters("\xC3\xA9t\xC3\xA9"), 3);   // "été"
    EXPECT_EQ(CountCharacters("a\xF0\x9F\x8E\xA8z"), 3);  // a 4-byte character is one
    EXPECT_EQ(ByteOffset("a\xF0\x9F\x8E\xA8z", 2), 5U);
    EXPECT_EQ(ByteOffset("a\xF0\x9F\x8E\xA8z", 1), 1U);
    EXPECT_EQ(ByteOffset("abc", 10), 3U);
    EXPECT_EQ(ByteOffset("abc", -1), 0U);
}

TEST(TextOffsets, ACharacterBeyondTheBasicPlaneIsTwoUnitsAndOneCharacter) {
    // "a", U+1F3A8 as a surrogate pair, "z".
    const std::u16string_view paired = u"a\U0001F3A8z";
    ASSERT_EQ(paired.size(), 4U);
    struct Case {
        std::u16string_view text;
        int from;
        std::int32_t characters;
        int unit;
    };
    for (const Case& c : {
             Case{paired, 0, 1, 1}, Case{paired, 1, 1, 3}, Case{paired, 0, 2, 3},
             Case{paired, 0, 3, 4}, Case{paired, 0, 100, 4}, Case{paired, 3, 0, 3},
             Case{paired, 3, -2, 3}, Case{paired, -4, 1, 1}, Case{paired, 9, 1, 4},
             Case{u"", 0, 1, 0},
             // A surrogate without its other half is a character of its own.
             Case{u"\xD83Cz", 0, 1, 1}, Case{u"a\xD83C", 1, 1, 2}, Case{u"\xDFA8\xD83C", 0, 1, 1},
             Case{paired.substr(0, 2), 1, 1, 2},  // the text ends inside the pair
         }) {
        SCOPED_TRACE(::testing::Message() << "from " << c.from << ", " << c.characters);
        EXPECT_EQ(AdvanceCharacters(c.text, c.from, c.characters), c.unit);
    }
}

TEST(Rgb, PackingRoundTrips) {
    for (const Rgb c : {Rgb{255, 0, 0}, Rgb{0, 192, 0}, Rgb{1, 2, 3}, Rgb{255, 255, 255}}) {
        EXPECT_EQ(UnpackRgb(PackRgb(c)), c);
    }
    EXPECT_EQ(PackRgb({255, 0, 0}), 0xFF);
}

TEST(Twips, RoundToTheNearestPixel) {
    EXPECT_EQ(TwipsToPixels(15, 96), 1);
    EXPECT_EQ(TwipsToPixels(7, 96), 0);
    EXPECT_EQ(TwipsToPixels(8, 96), 1);
    EXPECT_EQ(TwipsToPixels(3825, 192), 510);
    EXPECT_EQ(TwipsToPixels(375, 120), 31);
}

}  // namespace
}  // namespace tintcast::platform
