// The start-up decisions of the desktop session that need no window.
#include <gtest/gtest.h>

#include <string>

#include "platform/session/start/messages.h"
#include "platform/session/start/platform_choice.h"

namespace tintcast::platform::session {
namespace {

TEST(PlatformOverride, AsksForX11UnderWaylandWithXWaylandAndWaylandWithout) {
    struct Case {
        bool chosen, wayland, x11;
        const char* expected;
    };
    for (const Case& c : {
             Case{false, true, true, "xcb"},       // only there can the window stay on top
             Case{false, true, false, "wayland"},  // a missing plugin is then named as such
             Case{false, false, true, ""},         // plain X11: Qt picks xcb itself
             Case{false, false, false, ""},
             Case{true, true, true, ""},  // the person's QT_QPA_PLATFORM wins
             Case{true, true, false, ""},
             Case{true, false, true, ""},
             Case{true, false, false, ""},
         }) {
        SCOPED_TRACE(::testing::Message()
                     << "chosen " << c.chosen << " wayland " << c.wayland << " x11 " << c.x11);
        EXPECT_EQ(PlatformOverride(c.chosen, c.wayland, c.x11), c.expected);
    }
}

TEST(DescribeStartFailure, GivesOneLineNamingWhatIsMissing) {
    const char* noPlugin =
        "This application failed to start because no Qt platform plugin could be initialized.";
    struct Case {
        StartContext context;
        const char* expected;
    };
    for (const Case& c : {
             Case{{":7", "", "could not connect to display :7", "", noPlugin},
                  "tintcast: cannot open the display: could not connect to display :7"},
             // Only the first line of a several-line message.
             Case{{":7", "", "could not connect to display :7\nsecond line", "", ""},
                  "tintcast: cannot open the display: could not connect to display :7"},
             Case{{"", "", "could not connect to display ", "", noPlugin},
                  "tintcast: cannot open the display: no X display and no Wayland display "
                  "(DISPLAY and WAYLAND_DISPLAY are not set)"},
             Case{{"", "wayland-1", "",
                   "Could not find the Qt platform plugin \"wayland\" in \"\"\nAvailable "
                   "platform plugins are: xcb.",
                   noPlugin},
                  "tintcast: cannot start: Qt's Wayland support is not installed (package "
                  "qt6-wayland)"},
             Case{{"", "wayland-1", "",
                   "Could not load the Qt platform plugin \"wayland\" in \"\" even though it "
                   "was found.",
                   noPlugin},
                  "tintcast: cannot open the display: could not connect to the Wayland display "
                  "wayland-1"},
             Case{{":7", "", "", "Could not find the Qt platform plugin \"nope\" in \"\"\nmore",
                   noPlugin},
                  "tintcast: cannot start: Could not find the Qt platform plugin \"nope\" in \"\""},
             Case{{":7", "", "", "", ""}, "tintcast: cannot start: "},
             Case{{":7", "", "", "", "\nafter an empty first line"}, "tintcast: cannot start: "},
         }) {
        SCOPED_TRACE(c.expected);
        const StartFailure failure = DescribeStartFailure("tintcast", c.context);
        EXPECT_EQ(failure.message, c.expected);
        EXPECT_EQ(failure.message.find('\n'), std::string::npos);
        EXPECT_EQ(failure.status, 1);
    }
}

TEST(CapabilitiesOf, OnTopUnderX11OnlyWithAWindowManagerThatSupportsItNeverUnderWayland) {
    struct Case {
        const char* platform;
        bool managerSupportsAbove, keeps;
    };
    for (const Case& c : {Case{"xcb", true, true}, Case{"xcb", false, false},
                          Case{"offscreen", false, true}, Case{"windows", false, true},
                          Case{"wayland", true, false}, Case{"wayland-egl", false, false}}) {
        SCOPED_TRACE(::testing::Message() << c.platform << " " << c.managerSupportsAbove);
        EXPECT_EQ(CapabilitiesOf(c.platform, c.managerSupportsAbove).topmost, c.keeps);
    }
}

}  // namespace
}  // namespace tintcast::platform::session
