// The start-up decisions of the desktop session that need no window.
#include <gtest/gtest.h>

#include <string>

#include "platform/session/start/messages.h"

namespace tintcast::platform::session {
namespace {

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

}  // namespace
}  // namespace tintcast::platform::session
