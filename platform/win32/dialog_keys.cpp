#include "platform/win32/form.h"

#include "platform/tab_order.h"

namespace tintcast::platform::win32 {

// The controls in keyboard order, which is also their stacking and the order the
// dialog keys walk. An option group is one Tab stop, its selected option, and sits at
// that option's place in the order; the arrows move among its options in their own
// order.
std::vector<Win32Form::Control*> Win32Form::KeyboardOrder() {
    const auto selected = [this](std::size_t i) { return controls_[i].selected; };
    std::vector<Control*> controls;
    for (const KeyboardPlace& entry : platform::KeyboardOrder(spec_.controls, selected)) {
        controls.push_back(&controls_[entry.control]);
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
    if (TakesFocus(spec) && (spec.kind != ControlKind::Option || control.selected)) {
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
