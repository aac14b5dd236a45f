// What the Win32 binding adds to the shared contract: places at the window's DPI, the
// dialog keys, the preset buttons' names, and failures that leave the program running.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <oleacc.h>

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "event_log.h"
#include "platform/control_name.h"
#include "platform/win32/application.h"
#include "platform/win32/wide.h"
#include "win32_driver.h"
#include "window/main_window.h"

namespace tintcast::testing {
namespace {

using platform::ControlRef;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using window::chkTop;
using window::cmdExit;
using window::cmdStandard;
using window::Command1;
using window::optType;
using window::sclColor;
using window::txtColor;
using window::txtHex;

constexpr ControlRef Image1{window::name::Image1};

// Another program's hold on the clipboard, from a thread of its own: open once the
// constructor returns, closed when the moment has passed or at Release().
class ClipboardHeldElsewhere {
public:
    explicit ClipboardHeldElsewhere(DWORD moment) : moment_(moment) {
        thread_ = CreateThread(nullptr, 0, &Hold, this, 0, nullptr);
        EXPECT_EQ(WaitForSingleObject(held_, 10'000), WAIT_OBJECT_0);
    }
    ~ClipboardHeldElsewhere() {
        Release();
        CloseHandle(thread_);
        CloseHandle(held_);
        CloseHandle(release_);
    }
    void Release() {
        SetEvent(release_);
        EXPECT_EQ(WaitForSingleObject(thread_, 10'000), WAIT_OBJECT_0);
    }

private:
    static DWORD WINAPI Hold(void* self) {
        auto& hold = *static_cast<ClipboardHeldElsewhere*>(self);
        const BOOL open = OpenClipboard(nullptr);
        SetEvent(hold.held_);
        WaitForSingleObject(hold.release_, hold.moment_);
        if (open) {
            CloseClipboard();
        }
        return 0;
    }

    DWORD moment_;
    HANDLE held_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread_ = nullptr;
};

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

// Every font a control is given while the DPI changes: the one it held until then
// must still exist.
LRESULT CALLBACK WatchFonts(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                            DWORD_PTR freedSeen) {
    if (message == WM_SETFONT) {
        const auto held = reinterpret_cast<HGDIOBJ>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
        if (held != nullptr && GetObjectType(held) != OBJ_FONT) {
            ++*reinterpret_cast<int*>(freedSeen);
        }
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

TEST_F(Win32FormTest, ADpiChangeHandsOverFontsAndKeepsStackingAndTabOrder) {
    HWND window = driver.Form().window();
    const auto stacking = [&] {
        std::vector<HWND> order;
        for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            order.push_back(child);
        }
        return order;
    };
    const std::vector<HWND> stackedBefore = stacking();
    const std::vector<std::string> tabBefore = Walk(driver, FormKey::Tab, 19);
    int freedSeen = 0;
    for (HWND child : stackedBefore) {
        SetWindowSubclass(child, WatchFonts, 1, reinterpret_cast<DWORD_PTR>(&freedSeen));
    }

    SIZE scaled{};
    ASSERT_TRUE(SendMessageW(window, WM_GETDPISCALEDSIZE, 144, reinterpret_cast<LPARAM>(&scaled)));
    const RECT suggested{40, 30, 40 + scaled.cx, 30 + scaled.cy};
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    for (HWND child : stackedBefore) {
        RemoveWindowSubclass(child, WatchFonts, 1);
    }
    EXPECT_EQ(freedSeen, 0) << "controls were handed a font while holding a deleted one";
    RECT outer;
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.left, 40);
    EXPECT_EQ(outer.top, 30);
    EXPECT_EQ(Client().cx, 383);
    EXPECT_EQ(Client().cy, 489);

    int fonts = 0;
    for (HWND child : stackedBefore) {
        const auto font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
        if (font == nullptr) {
            continue;  // bars and the swatch draw no text
        }
        LOGFONTW described{};
        ASSERT_EQ(GetObjectW(font, sizeof described, &described), int{sizeof described});
        EXPECT_TRUE(described.lfHeight == -MulDiv(8, 144, 72) ||
                    described.lfHeight == -MulDiv(12, 144, 72))
            << described.lfHeight;
        ++fonts;
    }
    EXPECT_GE(fonts, 20);
    EXPECT_EQ(stacking(), stackedBefore);
    SetFocus(driver.Hwnd(txtColor));
    EXPECT_EQ(Walk(driver, FormKey::Tab, 19), tabBefore);

    // The icons are loaded afresh at their new sizes: Image1's and the window's own,
    // where it had shown its class's at 96 dpi.
    const auto width = [](LRESULT handle) {
        ICONINFO info{};
        if (handle == 0 || !GetIconInfo(reinterpret_cast<HICON>(handle), &info)) {
            return 0L;
        }
        BITMAP picture{};
        GetObjectW(info.hbmMask, sizeof picture, &picture);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        return picture.bmWidth;
    };
    EXPECT_EQ(width(SendMessageW(driver.Hwnd(Image1), STM_GETICON, 0, 0)), 48);
    EXPECT_EQ(width(SendMessageW(window, WM_GETICON, ICON_BIG, 0)), 48);
    EXPECT_EQ(width(SendMessageW(window, WM_GETICON, ICON_SMALL, 0)), 24);
}

TEST(Win32FormBuild, AControlInAMissingFrameFailsAndLeavesNoWindow) {
    constexpr std::array<platform::ControlSpec, 1> kOrphan{{
        {.name = "txtOrphan", .kind = platform::ControlKind::TextBox, .parent = "fraNone"},
    }};
    const platform::FormSpec spec{.name = "frmOrphan", .caption = "Orphan", .controls = kOrphan};
    EXPECT_THROW((platform::win32::Win32Form{spec, platform::Capabilities{}}),
                 std::invalid_argument);
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
    EXPECT_EQ(driver.Focused(), "optType(2)");
    EXPECT_THAT(log.Lines(), ElementsAre("Click optType(1)", "Click optType(2)"));
    driver.Key(FormKey::Up);
    EXPECT_EQ(driver.Focused(), "optType(1)");
    EXPECT_TRUE(driver.View().OptionValue(optType(1)));
    EXPECT_EQ(driver.View().Text(txtHex), "#000000");
}

TEST_F(Win32FormTest, ABareLetterIsNoAccessKey) {
    for (const ControlRef& at : {txtColor, cmdExit}) {
        SetFocus(driver.Hwnd(at));
        driver.VirtualKey('X');
        driver.VirtualKey('C');
    }
    EXPECT_THAT(log.Lines(), IsEmpty());
    ASSERT_NE(driver.Form().window(), nullptr);
    EXPECT_EQ(QuitStatus(), -1);
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
    ClipboardHeldElsewhere other(INFINITE);  // until the copies below have failed
    EXPECT_THROW(driver.View().SetClipboardText("&H0"), platform::ServiceError);
    driver.Click(Command1);  // the handler's failure is reported, not thrown
    EXPECT_THAT(log.Lines(), ElementsAre("Click Command1"));
    other.Release();
    EXPECT_NE(driver.Form().window(), nullptr);
    EXPECT_EQ(QuitStatus(), -1);

    driver.Click(cmdStandard(6));
    driver.Click(Command1);
    EXPECT_EQ(driver.ClipboardText(), "&HFFFF00");
}

TEST_F(Win32FormTest, CopyWaitsForAProgramThatHoldsTheClipboardForAMoment) {
    driver.View().SetClipboardText("before");
    ClipboardHeldElsewhere other(60);  // the other program's moment
    EXPECT_NO_THROW(driver.View().SetClipboardText("&H0"));
    other.Release();
    EXPECT_EQ(driver.ClipboardText(), "&H0");
}

TEST_F(Win32FormTest, MouseEntrySelectsTheWholeTextWhenThePressEnds) {
    driver.Click(cmdStandard(7));
    HWND edit = driver.Hwnd(txtHex);
    // Pressed near the start and moved a little before the release.
    SendMessageW(edit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 5));
    SendMessageW(edit, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(7, 5));
    SendMessageW(edit, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(30, 5));
    SendMessageW(edit, WM_LBUTTONUP, 0, MAKELPARAM(30, 5));
    EXPECT_EQ(GetFocus(), edit);
    EXPECT_EQ(driver.SelectedText(txtHex), "&HFFFFFF");
}

TEST_F(Win32FormTest, SwitchingToAnotherWindowAndBackIsNoEntry) {
    driver.FocusByTab(txtHex);
    log.Clear();
    HWND other = CreateWindowExW(0, L"STATIC", L"Another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(other);
    ASSERT_EQ(GetActiveWindow(), other);
    SetForegroundWindow(driver.Form().window());
    ASSERT_EQ(GetActiveWindow(), driver.Form().window());
    DestroyWindow(other);
    EXPECT_EQ(GetFocus(), driver.Hwnd(txtHex));
    EXPECT_THAT(log.Lines(), IsEmpty());
    EXPECT_EQ(driver.SelectedText(txtHex), "&H0");
}

TEST_F(Win32FormTest, TheDefaultBorderFollowsTheFocusedButton) {
    const auto isDefault = [&](const ControlRef& button) {
        return (SendMessageW(driver.Hwnd(button), WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) != 0;
    };
    driver.FocusByTab(cmdExit);
    EXPECT_TRUE(isDefault(cmdExit));
    EXPECT_FALSE(isDefault(Command1));
    driver.FocusByTab(Command1);
    EXPECT_TRUE(isDefault(Command1));
    EXPECT_FALSE(isDefault(cmdExit));
    driver.FocusByTab(cmdStandard(7));  // a colour button draws its own border
    EXPECT_FALSE(isDefault(Command1));
    EXPECT_EQ(driver.Pixel(cmdStandard(7), 0, 0), RGB(0, 0, 0));
    EXPECT_NE(driver.Pixel(cmdStandard(6), 0, 0), RGB(0, 0, 0));
    driver.FocusByTab(chkTop);
    EXPECT_NE(driver.Pixel(cmdStandard(7), 0, 0), RGB(0, 0, 0));
    log.Clear();
    driver.FocusByTab(cmdExit);
    driver.VirtualKey(VK_RETURN);
    EXPECT_THAT(log.Lines(), ElementsAre("Click cmdExit"));
    EXPECT_EQ(QuitStatus(), 0);
}

TEST_F(Win32FormTest, FocusMarksFollowTheKeyboardCuesAndTheDpi) {
    ASSERT_EQ(driver.Focused(), "txtColor");
    HWND window = driver.Form().window();
    // The swatch is black: a mark shows as lighter pixels along its row.
    const auto markedAt = [&](int inset) {
        for (int x = inset; x < inset + 8; ++x) {
            if (driver.Pixel(txtColor, x, inset) != RGB(0, 0, 0)) {
                return true;
            }
        }
        return false;
    };
    SendMessageW(window, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    EXPECT_TRUE(markedAt(3));
    SendMessageW(window, WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
    EXPECT_FALSE(markedAt(3));
    SetFocus(driver.Hwnd(cmdStandard(0)));  // black too
    EXPECT_EQ(driver.Pixel(cmdStandard(0), 4, 10), RGB(0, 0, 0));

    SendMessageW(window, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    EXPECT_NE(driver.Pixel(cmdStandard(0), 4, 10), RGB(0, 0, 0));
    SetFocus(driver.Hwnd(txtColor));
    const RECT suggested{0, 0, 800, 900};
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_TRUE(markedAt(6));
    EXPECT_FALSE(markedAt(3));
}

// What a screen reader reads through the accessibility objects of the controls.
TEST_F(Win32FormTest, ScreenReadersGetTheLayoutsNamesAndTheBarsValues) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    const auto read = [&](const ControlRef& control, bool value) -> std::string {
        IAccessible* object = nullptr;
        const HRESULT found =
            AccessibleObjectFromWindow(driver.Hwnd(control), OBJID_CLIENT, __uuidof(IAccessible),
                                       reinterpret_cast<void**>(&object));
        if (FAILED(found)) {
            return "(no object " + std::to_string(static_cast<unsigned long>(found)) + ")";
        }
        BSTR text = nullptr;
        const HRESULT result =
            value ? object->get_accValue(self, &text) : object->get_accName(self, &text);
        std::string said = result == S_OK && text != nullptr ? platform::win32::Narrow(text) : "";
        SysFreeString(text);
        object->Release();
        return said;
    };
    EXPECT_EQ(read(txtHex, false), "Value");
    EXPECT_EQ(read(txtColor, false), "Color swatch");
    EXPECT_EQ(read(Image1, false), "Tintcast icon");
    EXPECT_EQ(read(cmdStandard(6), false), "Cyan");
    EXPECT_EQ(read(Command1, false), "Copy To Clipboard");
    EXPECT_EQ(read(sclColor(2), false), "Blue");
    driver.View().SetBarValue(sclColor(2), 200);
    EXPECT_EQ(read(sclColor(2), true), "200");
    EXPECT_EQ(read(sclColor(1), true), "0");
    CoUninitialize();
}

// Keys posted to the thread one at a time, each once the loop has dealt with the one
// before (a timer fires only when nothing else is queued), to whichever control has
// the focus then, as typing arrives; bounded by a timer that ends the loop.
struct Typing {
    static inline std::vector<std::pair<UINT, bool>> keys;  // key, with Alt
    static inline std::size_t next = 0;

    static void CALLBACK Type(HWND, UINT, UINT_PTR, DWORD) {
        if (next == keys.size()) {
            return;
        }
        const auto [key, alt] = keys[next++];
        const LPARAM context = alt ? (1 << 29) : 0;
        PostMessageW(GetFocus(), alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, 1 | context);
        PostMessageW(GetFocus(), alt ? WM_SYSKEYUP : WM_KEYUP, key, 1 | context | (3u << 30));
    }
};

TEST_F(Win32FormTest, TheMessageLoopDeliversKeysUntilTheProgramEnds) {
    ASSERT_EQ(driver.Focused(), "txtColor");
    ASSERT_EQ(QuitStatus(), -1);
    // A letter that is no access key, then Copy and Exit by theirs.
    Typing::keys = {{'X', false}, {'C', true}, {'X', true}};
    Typing::next = 0;
    const UINT_PTR typing = SetTimer(nullptr, 0, 1, &Typing::Type);
    const UINT_PTR bound =
        SetTimer(nullptr, 0, 10000, [](HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(99); });
    EXPECT_EQ(platform::win32::RunMessageLoop(driver.Form()), 0);
    KillTimer(nullptr, typing);
    KillTimer(nullptr, bound);
    EXPECT_THAT(log.Lines(), ElementsAre("Click Command1", "Click cmdExit"));
    EXPECT_EQ(driver.ClipboardText(), "&H0");
}

}  // namespace
}  // namespace tintcast::testing
