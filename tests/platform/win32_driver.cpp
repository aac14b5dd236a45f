#include "win32_driver.h"

#include <gtest/gtest.h>

#include <cctype>
#include <stdexcept>
#include <vector>

#include "platform/control_lookup.h"
#include "platform/control_name.h"
#include "platform/win32/wide.h"

namespace tintcast::testing {

namespace {

using platform::ControlRef;

// A press on a bar takes the focus to it, as the scroll bar control does with a
// Tab stop, before any scroll request arrives.
void PressOn(HWND bar) {
    if ((GetWindowLongW(bar, GWL_STYLE) & WS_TABSTOP) != 0) {
        SetFocus(bar);
    }
}

LPARAM Centre(HWND hwnd) {
    RECT area;
    GetClientRect(hwnd, &area);
    return MAKELPARAM(area.right / 2, area.bottom / 2);
}

void Send(MSG message) {
    message.time = GetTickCount();
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

}  // namespace

Win32Driver::Win32Driver(const platform::FormSpec& spec)
    : spec_(spec), form_(spec, platform::Capabilities{}) {}

// The tests share one thread: a quit that this form's handlers asked for must not
// reach the next test's form.
Win32Driver::~Win32Driver() {
    if (other_ != nullptr) {
        DestroyWindow(other_);
    }
    MSG quit;
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

void Win32Driver::Load(platform::FormEvents& events) {
    form_.Load(events);
    if (form_.window() == nullptr) {
        return;  // a handler unloaded the form while loading
    }
    SetForegroundWindow(form_.window());
    if (GetActiveWindow() != form_.window()) {
        ADD_FAILURE() << "the form's window did not become active";
    }
}

HWND Win32Driver::Hwnd(const ControlRef& control) const {
    HWND found = form_.control(control);
    if (found == nullptr) {
        ADD_FAILURE() << "the form has no control " << platform::ControlName(control);
        throw std::invalid_argument("no control " + platform::ControlName(control));
    }
    return found;
}

void Win32Driver::Key(FormKey key, char letter) {
    switch (key) {
        case FormKey::Tab:
            VirtualKey(VK_TAB);
            break;
        case FormKey::BackTab:
            VirtualKey(VK_TAB, false, true);
            break;
        case FormKey::Up:
            VirtualKey(VK_UP);
            break;
        case FormKey::Down:
            VirtualKey(VK_DOWN);
            break;
        case FormKey::Left:
            VirtualKey(VK_LEFT);
            break;
        case FormKey::Right:
            VirtualKey(VK_RIGHT);
            break;
        case FormKey::Return:
            VirtualKey(VK_RETURN);
            break;
        case FormKey::Space:
            VirtualKey(VK_SPACE);
            break;
        case FormKey::Alt:
            VirtualKey(static_cast<UINT>(std::toupper(static_cast<unsigned char>(letter))), true);
            break;
    }
}

std::string Win32Driver::Focused() {
    HWND focus = GetFocus();
    for (const platform::ControlSpec& spec : spec_.controls) {
        const ControlRef control{spec.name, spec.index};
        if (focus != nullptr && form_.control(control) == focus) {
            return platform::ControlName(control);
        }
    }
    return "";
}

void Win32Driver::VirtualKey(UINT key, bool alt, bool shift) {
    HWND target = GetFocus() != nullptr ? GetFocus() : form_.window();
    // The dialog keys read Shift from the thread's keyboard state.
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    const BYTE shiftWas = keys[VK_SHIFT];
    if (shift) {
        keys[VK_SHIFT] = 0x80;
        SetKeyboardState(keys);
    }
    const UINT down = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
    const UINT up = alt ? WM_SYSKEYUP : WM_KEYUP;
    const LPARAM context = alt ? (1 << 29) : 0;  // Alt held
    for (const UINT message : {down, up}) {
        MSG msg{target, message, key, 1 | context | (message == up ? (3u << 30) : 0)};
        if (!form_.DialogKey(msg)) {
            Send(msg);
        }
        // The character a key-down makes is queued: deliver it the same way.
        MSG queued;
        while (PeekMessageW(&queued, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
            if (queued.message == WM_QUIT) {
                // Taken whatever the filter says: left for whoever runs the loop.
                PostQuitMessage(static_cast<int>(queued.wParam));
                break;
            }
            if (!form_.DialogKey(queued)) {
                DispatchMessageW(&queued);
            }
        }
    }
    if (shift) {
        keys[VK_SHIFT] = shiftWas;
        SetKeyboardState(keys);
    }
}

void Win32Driver::Bar(const ControlRef& control, BarAction action) {
    HWND bar = Hwnd(control);
    const auto scroll = [this, bar](WORD request) {
        PressOn(bar);
        SendMessageW(form_.window(), WM_VSCROLL, MAKEWPARAM(request, 0),
                     reinterpret_cast<LPARAM>(bar));
        SendMessageW(form_.window(), WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0),
                     reinterpret_cast<LPARAM>(bar));
    };
    const auto press = [this, bar](UINT key) {
        if (GetFocus() != bar) {
            SetFocus(bar);
        }
        VirtualKey(key);
    };
    switch (action) {
        case BarAction::ArrowUp:
            scroll(SB_LINEUP);
            break;
        case BarAction::ArrowDown:
            scroll(SB_LINEDOWN);
            break;
        case BarAction::TrackAbove:
            scroll(SB_PAGEUP);
            break;
        case BarAction::TrackBelow:
            scroll(SB_PAGEDOWN);
            break;
        case BarAction::KeyUp:
            press(VK_UP);
            break;
        case BarAction::KeyDown:
            press(VK_DOWN);
            break;
        case BarAction::KeyPageUp:
            press(VK_PRIOR);
            break;
        case BarAction::KeyPageDown:
            press(VK_NEXT);
            break;
        case BarAction::KeyHome:
            press(VK_HOME);
            break;
        case BarAction::KeyEnd:
            press(VK_END);
            break;
    }
}

void Win32Driver::DragBar(const ControlRef& control, std::span<const std::int16_t> through) {
    HWND bar = Hwnd(control);
    const platform::ControlSpec* spec = platform::FindControl(spec_.controls, control);
    const platform::BarRange range = spec != nullptr ? spec->bar : platform::BarRange{};
    const auto scroll = [this, bar](WORD request, int inner) {
        SendMessageW(form_.window(), WM_VSCROLL, MAKEWPARAM(request, static_cast<WORD>(inner)),
                     reinterpret_cast<LPARAM>(bar));
    };
    PressOn(bar);
    for (const std::int16_t value : through) {
        scroll(SB_THUMBTRACK, platform::ToInner(range, value));
    }
    if (!through.empty()) {
        scroll(SB_THUMBPOSITION, platform::ToInner(range, through.back()));
    }
    scroll(SB_ENDSCROLL, 0);
}

void Win32Driver::Click(const ControlRef& control) {
    HWND target = Hwnd(control);
    const LPARAM at = Centre(target);
    SendMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(target, WM_LBUTTONUP, 0, at);
}

void Win32Driver::FocusByTab(const ControlRef& box) {
    HWND target = Hwnd(box);
    // Bounded: a control outside the Tab chain is never reached.
    for (int presses = 0; presses < 64 && GetFocus() != target; ++presses) {
        VirtualKey(VK_TAB);
    }
    if (GetFocus() != target) {
        ADD_FAILURE() << "Tab never reached " << platform::ControlName(box);
    }
}

void Win32Driver::FocusByMouse(const ControlRef& box) {
    Click(box);
}

void Win32Driver::FocusOn(const ControlRef& other) {
    SetFocus(Hwnd(other));
}

std::int32_t Win32Driver::BackColor(const ControlRef& control) {
    RECT area;
    GetClientRect(Hwnd(control), &area);
    const COLORREF centre = Pixel(control, area.right / 2, area.bottom / 2);
    return platform::PackRgb({GetRValue(centre), GetGValue(centre), GetBValue(centre)});
}

COLORREF Win32Driver::Pixel(const ControlRef& control, int x, int y) {
    HWND target = Hwnd(control);
    RECT area;
    GetClientRect(target, &area);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP picture = CreateCompatibleBitmap(screen, area.right, area.bottom);
    ReleaseDC(nullptr, screen);
    HGDIOBJ previous = SelectObject(memory, picture);
    PrintWindow(target, memory, PW_CLIENTONLY);
    const COLORREF pixel = GetPixel(memory, x, y);
    SelectObject(memory, previous);
    DeleteObject(picture);
    DeleteDC(memory);
    return pixel;
}

std::string Win32Driver::SelectedText(const ControlRef& box) {
    HWND edit = Hwnd(box);
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
    if (end <= start || start >= text.size()) {
        return {};
    }
    return platform::win32::Narrow(std::wstring_view(text).substr(start, end - start));
}

std::string Win32Driver::ClipboardText() {
    // Reading goes through Wine's clipboard manager: read again only after a change.
    const DWORD sequence = GetClipboardSequenceNumber();
    if (sequence != 0 && sequence == clipboardSequence_) {
        return clipboardText_;
    }
    if (!OpenClipboard(nullptr)) {
        ADD_FAILURE() << "the clipboard could not be opened";
        return {};
    }
    std::string text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = platform::win32::Narrow(wide);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    clipboardSequence_ = sequence;
    clipboardText_ = text;
    return text;
}

bool Win32Driver::Topmost() {
    HWND window = form_.window();
    return window != nullptr && (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

void Win32Driver::ActivateAnotherWindow() {
    if (other_ == nullptr) {
        other_ =
            CreateWindowExW(0, L"STATIC", L"Another window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                            200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    SetForegroundWindow(other_);
    if (other_ == nullptr || GetActiveWindow() != other_) {
        ADD_FAILURE() << "the other window did not become active";
    }
}

bool Win32Driver::AnotherWindowActive() {
    return other_ != nullptr && GetActiveWindow() == other_;
}

std::int16_t DragTarget(FormDriver& /*driver*/, const ControlRef& /*bar*/, std::int16_t value) {
    return value;
}

}  // namespace tintcast::testing
