// The form runtime's rules, written once in the toolkit-free headers and used by
// both bindings, the fake and the drivers.
#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/bar_range.h"
#include "platform/control_lookup.h"
#include "platform/control_name.h"
#include "platform/form_check.h"
#include "platform/rgb.h"
#include "platform/tab_order.h"
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

std::vector<std::string> Order(std::span<const ControlSpec> controls, std::size_t selected,
                               bool stopsOnly) {
    std::vector<std::string> names;
    for (const KeyboardPlace& place :
         KeyboardOrder(controls, [selected](std::size_t i) { return i == selected; })) {
        if (!stopsOnly || place.tabStop) {
            const ControlSpec& spec = controls[place.control];
            names.push_back(ControlName({spec.name, spec.index}));
        }
    }
    return names;
}

TEST(KeyboardOrder, AnOptionGroupIsOneStopAtItsSelectedOptionsPlace) {
    // optPick(0), Tab number 4, selected: the group stands at 4, after cmdGo.
    EXPECT_EQ(Order(kControls, 2, false),
              (std::vector<std::string>{"lblNote", "cmdGo", "optPick(0)", "optPick(1)", "txtOut",
                                        "fraGroup"}));
    EXPECT_EQ(Order(kControls, 2, true),
              (std::vector<std::string>{"cmdGo", "optPick(0)", "txtOut"}));
    // optPick(1) selected: the group moves to 5, still in its own order.
    EXPECT_EQ(Order(kControls, 1, true),
              (std::vector<std::string>{"cmdGo", "optPick(1)", "txtOut"}));
    EXPECT_EQ(Order(kControls, 1, false)[2], "optPick(0)");
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
