// The start-up decisions of the Qt binding that need no window.
#include <gtest/gtest.h>

#include <string>

#include "platform/qt/application.h"
#include "platform/qt/window_system.h"

namespace tintcast::platform::qt {
namespace {

TEST(PlatformOverride, AsksForX11OnlyUnderWaylandWithXWaylandAndNoChoiceMade) {
    struct Case {
        bool chosen, wayland, x11;
        const char* expected;
    };
    for (const Case& c : {
             Case{false, true, true, "xcb"},  // only here can the window stay on top
             Case{false, true, false, ""},    // nothing else to ask for
             Case{false, false, true, ""},    // plain X11: Qt picks xcb itself
             Case{false, false, false, ""},
             Case{true, true, true, ""},  // the person's QT_QPA_PLATFORM wins
             Case{true, true, false, ""},
             Case{true, false, true, ""},
             Case{true, false, false, ""},
         }) {
        SCOPED_TRACE(::testing::Message() << "chosen " << c.chosen << " wayland " << c.wayland
                                          << " x11 " << c.x11);
        EXPECT_EQ(PlatformOverride(c.chosen, c.wayland, c.x11), c.expected);
    }
}

TEST(DescribeStartFailure, GivesOneLineNamingTheProgramAndStatusOne) {
    struct Case {
        const char* displayProblem;
        const char* fatal;
        const char* expected;
    };
    for (const Case& c : {
             Case{"could not connect to display :7",
                  "This application failed to start because no Qt platform plugin could be initialized.",
                  "tintcast: cannot open the display: could not connect to display :7"},
             // Only the first line of a several-line message.
             Case{"could not connect to display :7\nsecond line", "",
                  "tintcast: cannot open the display: could not connect to display :7"},
             Case{"", "Could not find the Qt platform plugin \"nope\" in \"\"\nAvailable platform plugins are: xcb.",
                  "tintcast: cannot start: Could not find the Qt platform plugin \"nope\" in \"\""},
             Case{"", "", "tintcast: cannot start: "},
             Case{"", "\nafter an empty first line", "tintcast: cannot start: "},
         }) {
        SCOPED_TRACE(c.expected);
        const StartFailure failure = DescribeStartFailure("tintcast", c.displayProblem, c.fatal);
        EXPECT_EQ(failure.message, c.expected);
        EXPECT_EQ(failure.message.find('\n'), std::string::npos);
        EXPECT_EQ(failure.status, 1);
    }
}

TEST(CapabilitiesOf, AllButWaylandKeepAWindowOnTop) {
    struct Case {
        const char* platform;
        bool keeps;
    };
    for (const Case& c : {Case{"xcb", true}, Case{"offscreen", true}, Case{"windows", true},
                          Case{"cocoa", true}, Case{"wayland", false}, Case{"wayland-egl", false},
                          Case{"wayland-brcm", false}}) {
        SCOPED_TRACE(c.platform);
        EXPECT_EQ(CapabilitiesOf(c.platform).topmost, c.keeps);
    }
}

}  // namespace
}  // namespace tintcast::platform::qt
