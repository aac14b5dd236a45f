#include "platform/win32/form.h"

#include <algorithm>
#include <tuple>

namespace tintcast::platform::win32 {

// The controls in keyboard order, which is also their stacking and the order the
// dialog keys walk. An option group is one Tab stop, its selected option, and sits at
// that option's place in the order; the arrows move among its options in their own
// order.
std::vector<Win32Form::Control*> Win32Form::KeyboardOrder() {
    constexpr int kLast = 1 << 20;
    std::vector<std::tuple<int, int, Control*>> order;  // place, own Tab number, control
    for (Control& control : controls_) {
        const ControlSpec& spec = *control.spec;
        int place = spec.tabIndex == kNoTab ? kLast : spec.tabIndex;
        if (spec.kind == ControlKind::Frame) {
            place = kLast + 1;  // beneath the controls drawn over them
        } else if (spec.kind == ControlKind::Option) {
            for (const Control& other : controls_) {
                if (other.spec->kind == ControlKind::Option && other.spec->parent == spec.parent &&
                    other.selected) {
                    place = other.spec->tabIndex;
                }
            }
        }
        order.emplace_back(place, spec.tabIndex, &control);
    }
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
        return std::tie(std::get<0>(a), std::get<1>(a)) < std::tie(std::get<0>(b), std::get<1>(b));
    });
    std::vector<Control*> controls;
    for (const auto& entry : order) {
        controls.push_back(std::get<2>(entry));
    }
    return controls;
}

// WS_GROUP starts each group, an option group's first option included; WS_TABSTOP
// marks what Tab stops at, of a group of options only the selected one.
LONG_PTR Win32Form::KeyboardStyle(const Control& control, const Control* previous) {
    const ControlSpec& spec = *control.spec;
    LONG_PTR style = 0;
    const bool continuesGroup = spec.kind == ControlKind::Option && previous != nullptr &&
                                previous->spec->kind == ControlKind::Option &&
                                previous->spec->parent == spec.parent;
    if (!continuesGroup) {
        style |= WS_GROUP;
    }
    const bool takesFocus = spec.tabIndex != kNoTab && spec.kind != ControlKind::Frame &&
                            spec.kind != ControlKind::Label && spec.kind != ControlKind::Image;
    if (takesFocus && (spec.kind != ControlKind::Option || control.selected)) {
        style |= WS_TABSTOP;
    }
    return style;
}

// Once an option is selected: the group's Tab stop and place in the order follow it.
void Win32Form::ChainTabOrder() {
    HWND previous = HWND_TOP;
    const Control* previousControl = nullptr;
    for (const Control* control : KeyboardOrder()) {
        HWND hwnd = control->hwnd;
        const LONG_PTR style = (GetWindowLongPtrW(hwnd, GWL_STYLE) & ~(WS_TABSTOP | WS_GROUP)) |
                               KeyboardStyle(*control, previousControl);
        // Only what changed: each change of a child's place costs the window system.
        if (style != GetWindowLongPtrW(hwnd, GWL_STYLE)) {
            SetWindowLongPtrW(hwnd, GWL_STYLE, style);
        }
        const HWND above = GetWindow(hwnd, GW_HWNDPREV);
        if (previous == HWND_TOP ? above != nullptr : above != previous) {
            SetWindowPos(hwnd, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
        previous = hwnd;
        previousControl = control;
    }
}

HWND Win32Form::FirstTabStop() const {
    return window_ != nullptr ? GetNextDlgTabItem(window_, nullptr, FALSE) : nullptr;
}

bool Win32Form::DialogKey(MSG& message) {
    if (window_ == nullptr) {
        return false;
    }
    // A typed character is no access key: only Alt with a letter (WM_SYSCHAR) is.
    if (message.message == WM_CHAR && message.wParam >= L' ') {
        return false;
    }
    if (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) {
        // The keyboard is in use: focus marks show from now on.
        SendMessageW(window_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    }
    return IsDialogMessageW(window_, &message) != FALSE;
}

// Tab and Shift+Tab, and a direct move, as the dialog keys ask for them.
void Win32Form::OnNextDlgCtl(WPARAM wParam, LPARAM lParam) {
    HWND next = LOWORD(lParam) != 0
                    ? reinterpret_cast<HWND>(wParam)
                    : GetNextDlgTabItem(window_, GetFocus(), wParam != 0 ? TRUE : FALSE);
    if (Inside(next)) {
        SetFocus(next);
    }
}

// Enter presses the push button that has the focus, which also shows the default
// border (OnCommand and the colour buttons' painting).
LRESULT Win32Form::OnGetDefId() {
    const Control* focused = FromHwnd(GetFocus());
    if (focused != nullptr && (focused->spec->kind == ControlKind::Button ||
                               focused->spec->kind == ControlKind::ColorButton)) {
        return MAKELRESULT(GetDlgCtrlID(focused->hwnd), DC_HASDEFID);
    }
    return 0;
}

}  // namespace tintcast::platform::win32
