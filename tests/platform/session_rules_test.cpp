// The session's rules: the start's one decision, from what the session says, and the X
// resources it reads; what the window system allows; the hand-off's way at exit.
#include <gtest/gtest.h>

#include "platform/session/handover/choice.h"
#include "platform/session/start/platform_choice.h"
#include "platform/session/start/x11_facts.h"

namespace tintcast::platform::session {
namespace {

// A Wayland session with XWayland at hand, at a scale; nothing chosen by the person.
SessionFacts Both(int scale) {
    return {.waylandDisplay = true, .x11Display = true, .outputScale = scale};
}

constexpr X11Facts kStretched{.xftDpi = 0, .managerSupportsAbove = true};
constexpr X11Facts kScalesItself{.xftDpi = 192, .managerSupportsAbove = true};

TEST(ChooseStart, ThePersonsPlatformWinsWhateverTheSessionSays) {
    for (SessionFacts facts : {Both(1), Both(2), SessionFacts{.waylandDisplay = true}}) {
        facts.platformChosen = true;
        EXPECT_EQ(ChooseStart(facts, kScalesItself).platform, "");
        EXPECT_FALSE(OutputScalesMatter(facts));
    }
}

TEST(ChooseStart, WithoutWaylandQtChoosesAndWithWaylandAloneWaylandIsAskedFor) {
    EXPECT_EQ(ChooseStart({.x11Display = true}, {}).platform, "");  // Qt picks xcb itself
    EXPECT_EQ(ChooseStart({}, {}).platform, "");
    // A missing plugin is then named as such, not an X display that was never there.
    EXPECT_EQ(ChooseStart({.waylandDisplay = true, .outputScale = 2}, {}).platform, "wayland");
}

TEST(ChooseStart, AtScale1XWaylandWhereItIsAtHandAndXIsNotAsked) {
    EXPECT_TRUE(OutputScalesMatter(Both(1)));
    EXPECT_FALSE(X11FactsMatter(Both(1)));  // an XWayland that starts lazily stays asleep
    EXPECT_EQ(ChooseStart(Both(1), {}).platform, "xcb");
}

TEST(ChooseStart, OnAScaledOutputWaylandWhereX11ProgramsAreStretched) {
    EXPECT_TRUE(X11FactsMatter(Both(2)));
    EXPECT_EQ(ChooseStart(Both(2), kStretched).platform, "wayland");
    EXPECT_EQ(ChooseStart(Both(2), {.xftDpi = 96, .managerSupportsAbove = true}).platform,
              "wayland");
}

TEST(ChooseStart, OnAScaledOutputXWaylandWhereX11ProgramsScaleThemselvesAndStayOnTopWorks) {
    EXPECT_EQ(ChooseStart(Both(2), kScalesItself).platform, "xcb");
    // 125 % and 150 %: the compositor reports a whole scale of 2.
    EXPECT_EQ(ChooseStart(Both(2), {.xftDpi = 120, .managerSupportsAbove = true}).platform, "xcb");
    EXPECT_EQ(ChooseStart(Both(3), {.xftDpi = 192, .managerSupportsAbove = true}).platform,
              "wayland");
    // Sharp either way, and XWayland buys nothing without a window manager that keeps a
    // window above.
    EXPECT_EQ(ChooseStart(Both(2), {.xftDpi = 192, .managerSupportsAbove = false}).platform,
              "wayland");
}

TEST(ChooseStart, QtDrawsNoFrameWhereTheCompositorDrawsIt) {
    SessionFacts facts = Both(1);
    EXPECT_TRUE(ChooseStart(facts, {}).clientDecorations);
    facts.serverDecorations = true;
    EXPECT_FALSE(ChooseStart(facts, {}).clientDecorations);
    facts.platformChosen = true;
    EXPECT_FALSE(ChooseStart(facts, {}).clientDecorations);
}

TEST(XftDpi, ReadsTheWholeNumberOfItsOwnLine) {
    EXPECT_EQ(XftDpi("Xft.dpi:\t192\n"), 192);
    EXPECT_EQ(XftDpi("*background:\tgrey\nXft.antialias:\t1\nXft.dpi:  144 \nXft.hinting:\t1"),
              144);
    EXPECT_EQ(XftDpi("Xft.dpi:\t120"), 120);  // the last line has no newline
    for (const char* none : {"", "Xft.dpix:\t192\n", "Xft.antialias:\t1\n", "Xft.dpi:\t144.5\n",
                             "Xft.dpi:\t\n", "Xft.dpi:\t-96\n", " Xft.dpi:\t192\n"}) {
        EXPECT_EQ(XftDpi(none), 0) << none;
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

TEST(ChooseHandover, WlCopyWhereverDataControlIsOfferedTheX11HandOffElseOnX11) {
    struct Case {
        const char* platform;
        bool dataControl;
        Handover expected;
    };
    for (const Case& c :
         {Case{"xcb", false, Handover::X11}, Case{"xcb", true, Handover::WlCopy},
          Case{"wayland", true, Handover::WlCopy}, Case{"wayland-egl", false, Handover::Compositor},
          Case{"offscreen", true, Handover::None}, Case{"offscreen", false, Handover::None}}) {
        SCOPED_TRACE(::testing::Message() << c.platform << " " << c.dataControl);
        EXPECT_EQ(ChooseHandover(c.platform, c.dataControl), c.expected);
    }
}

}  // namespace
}  // namespace tintcast::platform::session
