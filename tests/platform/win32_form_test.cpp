// What the Win32 binding adds to the shared contract: places at the window's DPI, the
// dialog keys, the preset buttons' names, and failures that leave the program running.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "event_log.h"
#include "platform/control_name.h"
#include "platform/win32/wide.h"
#include "platform/win32/xpm_icon.h"
#include "win32_driver.h"
#include "window/main_window.h"

namespace tintcast::testing {
namespace {

using platform::ControlRef;
using ::testing::ElementsAre;
using window::cmdExit;
using window::cmdStandard;
using window::Command1;
using window::optType;
using window::sclColor;
using window::txtHex;

class Win32FormTest : public ::testing::Test {
protected:
    Win32FormTest() {
        log.ForwardTo(&handlers);
        driver.Load(log);
        log.Clear();
    }

    // Where the control is, in the client area's pixels: left, top, right, bottom.
    std::array<LONG, 4> Place(const ControlRef& control) {
        RECT place;
        GetWindowRect(driver.Hwnd(control), &place);
        MapWindowPoints(nullptr, driver.Form().window(), reinterpret_cast<POINT*>(&place), 2);
        return {place.left, place.top, place.right, place.bottom};
    }
    SIZE Client() {
        RECT client;
        GetClientRect(driver.Form().window(), &client);
        return {client.right, client.bottom};
    }
    std::string Focused() { return driver.Focused(); }
    // The exit status the thread's message loop would end with, or -1 while it would
    // go on.
    static int QuitStatus() {
        MSG quit;
        return PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)
                   ? static_cast<int>(quit.wParam)
                   : -1;
    }

    Win32Driver driver{window::MainFormSpec()};
    EventLog log{driver.View()};
    window::frmMain handlers{driver.View()};
};

TEST_F(Win32FormTest, PlacesFollowTheWindowsDpi) {
    ASSERT_EQ(driver.Form().dpi(), 96u) << "the checks below are worked out at 96 dpi";
    EXPECT_EQ(Client().cx, 255);
    EXPECT_EQ(Client().cy, 326);
    // In a frame: the frame's place plus the control's own; the one taller preset.
    EXPECT_EQ(Place(cmdStandard(7)), (std::array<LONG, 4>{8, 20, 33, 44}));
    EXPECT_EQ(Place(cmdStandard(6)), (std::array<LONG, 4>{8, 48, 33, 73}));
    EXPECT_EQ(Place(sclColor(0)), (std::array<LONG, 4>{44, 27, 65, 248}));

    const RECT suggested{100, 100, 500, 600};
    SendMessageW(driver.Form().window(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                 reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(Client().cx, 383);  // 382.5 rounded away from zero
    EXPECT_EQ(Client().cy, 489);
    EXPECT_EQ(Place(sclColor(0)), (std::array<LONG, 4>{66, 41, 98, 373}));
}

// The window's icon and Image1 come from the form's XPM lines, at their size, with
// the transparent pixels masked.
TEST(XpmIcon, KeepsSizeColoursAndTransparency) {
    const char* const picture[] = {"3 2 3 1",     ". c None", "R c #FF0000",
                                   "b c #0000FF", "R.b",      "bR."};
    HICON icon = platform::win32::IconFromXpm(picture);
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    HDC screen = GetDC(nullptr);
    BITMAPINFO format{};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), 3, -2, 1, 32, BI_RGB};
    std::array<std::uint32_t, 6> colour{};
    std::array<std::uint32_t, 6> mask{};
    EXPECT_EQ(GetDIBits(screen, info.hbmColor, 0, 2, colour.data(), &format, DIB_RGB_COLORS), 2);
    EXPECT_EQ(GetDIBits(screen, info.hbmMask, 0, 2, mask.data(), &format, DIB_RGB_COLORS), 2);
    ReleaseDC(nullptr, screen);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
    EXPECT_EQ(colour[0] & 0xFFFFFF, 0xFF0000u);  // red, as 0x00RRGGBB
    EXPECT_EQ(colour[2] & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(colour[3] & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(mask[1] & 0xFFFFFF, 0xFFFFFFu);  // transparent
    EXPECT_EQ(mask[5] & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(mask[0] & 0xFFFFFF, 0u);

    const char* const wrongRow[] = {"2 1 1 1", "R c #FF0000", "RRR"};
    const char* const unknownColour[] = {"1 1 1 1", "R c red", "R"};
    EXPECT_EQ(platform::win32::IconFromXpm(wrongRow), nullptr);
    EXPECT_EQ(platform::win32::IconFromXpm(unknownColour), nullptr);
}

TEST(Win32FormBuild, AControlInAMissingFrameFailsAndLeavesNoWindow) {
    constexpr std::array<platform::ControlSpec, 1> kOrphan{{
        {.name = "txtOrphan", .kind = platform::ControlKind::TextBox, .parent = "fraNone"},
    }};
    const platform::FormSpec spec{.name = "frmOrphan", .caption = "Orphan", .controls = kOrphan};
    EXPECT_THROW(platform::win32::Win32Form{spec}, std::invalid_argument);
    EXPECT_EQ(FindWindowW(nullptr, L"Orphan"), nullptr);
}

TEST_F(Win32FormTest, PresetButtonsCarryTheirColourNames) {
    const char* names[] = {"Black", "Red", "Green", "Yellow", "Blue", "Magenta", "Cyan", "White"};
    for (std::int16_t i = 0; i < 8; ++i) {
        wchar_t text[32] = {};
        GetWindowTextW(driver.Hwnd(cmdStandard(i)), text, 32);
        EXPECT_EQ(platform::win32::Narrow(text), names[i]);
    }
}

// Tab, Return, Space and the access keys are in the contract; the arrows here walk the
// group in its keyboard order, as a dialog does, where Qt goes by place.
TEST_F(Win32FormTest, ArrowsWalkTheOptionGroupInItsKeyboardOrder) {
    SetFocus(driver.Hwnd(optType(0)));
    log.Clear();
    driver.Key(FormKey::Down);
    driver.Key(FormKey::Down);
    EXPECT_EQ(Focused(), "optType(2)");
    EXPECT_THAT(log.Lines(), ElementsAre("Click optType(1)", "Click optType(2)"));
    driver.Key(FormKey::Up);
    EXPECT_EQ(Focused(), "optType(1)");
    EXPECT_TRUE(driver.View().OptionValue(optType(1)));
    EXPECT_EQ(driver.View().Text(txtHex), "#000000");
}

TEST_F(Win32FormTest, EnterOnAPresetAndAltXEndTheProgramByTheMessageLoop) {
    SetFocus(driver.Hwnd(cmdStandard(1)));
    driver.Key(FormKey::Return);
    ASSERT_FALSE(log.Lines().empty());
    EXPECT_EQ(log.Lines().front(), "Click cmdStandard(1)");
    log.Clear();
    driver.Key(FormKey::Alt, 'X');
    EXPECT_THAT(log.Lines(), ElementsAre("Click cmdExit"));
    EXPECT_EQ(driver.Form().window(), nullptr);
    EXPECT_EQ(QuitStatus(), 0);
}

TEST_F(Win32FormTest, StayOnTopKeepsPlaceSizeAndActivation) {
    HWND window = driver.Form().window();
    RECT outer;
    GetWindowRect(window, &outer);
    const std::array<LONG, 4> before{outer.left, outer.top, outer.right, outer.bottom};
    const platform::NativeWindow handle = driver.View().WindowHandle();
    EXPECT_EQ(handle, reinterpret_cast<platform::NativeWindow>(window));
    for (const bool topmost : {true, false}) {
        driver.View().SetTopmost(handle, topmost);
        EXPECT_EQ(driver.Topmost(), topmost);
        GetWindowRect(window, &outer);
        EXPECT_EQ((std::array<LONG, 4>{outer.left, outer.top, outer.right, outer.bottom}), before);
        EXPECT_EQ(GetActiveWindow(), window);
    }
}

TEST_F(Win32FormTest, ClipboardHeldElsewhereFailsTheCopyAndTheProgramGoesOn) {
    std::promise<void> held;
    std::promise<void> release;
    std::thread other([&] {
        const BOOL open = OpenClipboard(nullptr);
        held.set_value();
        release.get_future().wait();  // until the copies below have failed
        if (open) {
            CloseClipboard();
        }
    });
    held.get_future().wait();  // until the other thread has the clipboard open
    EXPECT_THROW(driver.View().SetClipboardText("&H0"), platform::ServiceError);
    driver.Click(Command1);  // the handler's failure is reported, not thrown
    EXPECT_THAT(log.Lines(), ElementsAre("Click Command1"));
    release.set_value();
    other.join();
    EXPECT_NE(driver.Form().window(), nullptr);
    EXPECT_EQ(QuitStatus(), -1);

    driver.Click(cmdStandard(6));
    driver.Click(Command1);
    EXPECT_EQ(driver.ClipboardText(), "&HFFFF00");
}

}  // namespace
}  // namespace tintcast::testing
