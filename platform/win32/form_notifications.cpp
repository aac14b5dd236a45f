#include "platform/win32/form.h"

#include <algorithm>
#include <utility>

#include "platform/bar_range.h"
#include "platform/deliver.h"
#include "platform/win32/controls.h"
#include "platform/win32/edit.h"
#include "platform/win32/wide.h"

namespace tintcast::platform::win32 {

LRESULT CALLBACK Win32Form::FormProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* created =
            static_cast<Win32Form*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        created->window_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* form = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (form == nullptr) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return form->Handle(message, wParam, lParam);
}

LRESULT Win32Form::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
            return 0;
        case WM_VSCROLL:
            // The thumb's place comes as 16 bits: a negated range is negative.
            OnVScroll(reinterpret_cast<HWND>(lParam), LOWORD(wParam),
                      static_cast<short>(HIWORD(wParam)));
            return 0;
        case WM_DRAWITEM:
            OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_CTLCOLORSTATIC:
            return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_NEXTDLGCTL:
            OnNextDlgCtl(wParam, lParam);
            return 0;
        case DM_GETDEFID:
            return OnGetDefId();
        case WM_ACTIVATE:
            OnActivate(LOWORD(wParam));
            return 0;
        case WM_CHANGEUISTATE:
            OnChangeUiState(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_UPDATEUISTATE:
            OnUpdateUiState(wParam);
            return 0;
        case WM_QUERYUISTATE:
            return hideFocus_ ? UISF_HIDEFOCUS : 0;
        case WM_GETDPISCALEDSIZE:
            return OnGetDpiScaledSize(static_cast<UINT>(wParam), *reinterpret_cast<SIZE*>(lParam))
                       ? TRUE
                       : FALSE;
        case WM_DPICHANGED:
            OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        case kEditEntered:
        case kEditLeft:
            OnEditFocus(reinterpret_cast<HWND>(lParam), message == kEditEntered);
            return 0;
        case kReportFailure:
            OnReportFailure();
            return 0;
        case WM_DESTROY:
            if (!destroying_) {
                PostQuitMessage(0);
            }
            return 0;
        case WM_NCDESTROY: {
            HWND hwnd = window_;
            OnNcDestroy();
            return DefWindowProcW(hwnd, message, wParam, lParam);
        }
        default:
            return DefWindowProcW(window_, message, wParam, lParam);
    }
}

void Win32Form::OnCommand(HWND from, int code) {
    Control* control = FromHwnd(from);
    if (control == nullptr) {
        return;
    }
    const ControlKind kind = control->spec->kind;
    if (kind == ControlKind::Button && (code == BN_SETFOCUS || code == BN_KILLFOCUS)) {
        // As in a dialog: the focused push button shows the default border.
        const LONG_PTR type = code == BN_SETFOCUS ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        const LONG_PTR style = GetWindowLongPtrW(from, GWL_STYLE) & 0xFFFF & ~BS_TYPEMASK;
        SendMessageW(from, BM_SETSTYLE, static_cast<WPARAM>(style | type), TRUE);
        return;
    }
    if (code != BN_CLICKED) {
        return;
    }
    switch (kind) {
        case ControlKind::Button:
        case ControlKind::ColorButton:
        case ControlKind::CheckBox:
            Notify(Notification::Click, {control->spec->name, control->spec->index});
            break;
        case ControlKind::Option:
            OptionClicked(*control);
            break;
        default:
            break;
    }
}

// Raises Click only for the option that has just become the selected one.
void Win32Form::OptionClicked(Control& option) {
    if (SendMessageW(option.hwnd, BM_GETCHECK, 0, 0) != BST_CHECKED || option.selected) {
        return;
    }
    for (Control& other : controls_) {
        if (other.spec->kind == ControlKind::Option && other.spec->parent == option.spec->parent) {
            other.selected = &other == &option;
            if (!other.selected) {
                SendMessageW(other.hwnd, BM_SETCHECK, BST_UNCHECKED, 0);
            }
        }
    }
    ChainTabOrder();
    Notify(Notification::Click, {option.spec->name, option.spec->index});
}

void Win32Form::OnVScroll(HWND from, int code, int thumb) {
    Control* bar = FromHwnd(from);
    if (bar == nullptr) {
        return;
    }
    const BarRange& range = bar->spec->bar;
    const int now = GetScrollPos(bar->hwnd, SB_CTL);
    switch (code) {
        case SB_LINEUP:
            MoveBar(*bar, now - range.smallChange);
            break;
        case SB_LINEDOWN:
            MoveBar(*bar, now + range.smallChange);
            break;
        case SB_PAGEUP:
            MoveBar(*bar, now - range.largeChange);
            break;
        case SB_PAGEDOWN:
            MoveBar(*bar, now + range.largeChange);
            break;
        case SB_TOP:
            MoveBar(*bar, InnerMinimum(range));
            break;
        case SB_BOTTOM:
            MoveBar(*bar, InnerMaximum(range));
            break;
        case SB_THUMBPOSITION:
            MoveBar(*bar, thumb);
            break;
        default:
            break;  // SB_THUMBTRACK: the value follows the thumb only on release
    }
}

void Win32Form::MoveBar(Control& bar, int inner) {
    inner = std::clamp(inner, InnerMinimum(bar.spec->bar), InnerMaximum(bar.spec->bar));
    if (inner == GetScrollPos(bar.hwnd, SB_CTL)) {
        return;
    }
    // Painted with the next paint rather than at once: the bar is set three times for
    // one preset.
    SetScrollPos(bar.hwnd, SB_CTL, inner, FALSE);
    InvalidateRect(bar.hwnd, nullptr, FALSE);
    Notify(Notification::Change, {bar.spec->name, bar.spec->index});
}

void Win32Form::OnDrawItem(const DRAWITEMSTRUCT& item) {
    if (const Control* button = FromHwnd(item.hwndItem)) {
        DrawColorButton(item, ToColorRef(button->spec->background.value_or(Rgb{})), dpi_);
    }
}

LRESULT Win32Form::OnCtlColorStatic(HDC dc, HWND hwnd) {
    const Control* control = FromHwnd(hwnd);
    if (control == nullptr || (!control->spec->foreground && !control->spec->background)) {
        return DefWindowProcW(window_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                              reinterpret_cast<LPARAM>(hwnd));
    }
    if (control->spec->foreground) {
        SetTextColor(dc, ToColorRef(*control->spec->foreground));
    }
    if (control->background != nullptr) {
        SetBkColor(dc, ToColorRef(*control->spec->background));
        return reinterpret_cast<LRESULT>(control->background);
    }
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

// Leaving for another window and coming back keep the control that had the focus.
void Win32Form::OnActivate(WORD state) {
    if (state == WA_INACTIVE) {
        savedFocus_ = Inside(GetFocus()) ? GetFocus() : nullptr;
    } else if (!IsIconic(window_)) {
        SetFocus(IsWindow(savedFocus_) ? savedFocus_ : FirstTabStop());
    }
}

// The form keeps the keyboard cues itself, for the marks it and the swatch draw: not
// every system keeps them for a window.
void Win32Form::OnChangeUiState(WORD action, WORD flags) {
    if (action == UIS_INITIALIZE) {
        BOOL cues = FALSE;
        SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &cues, 0);
        action = cues ? UIS_CLEAR : UIS_SET;
    }
    if ((flags & UISF_HIDEFOCUS) != 0 && hideFocus_ != (action == UIS_SET)) {
        SendMessageW(window_, WM_UPDATEUISTATE, MAKEWPARAM(action, flags), 0);
    }
}

void Win32Form::OnUpdateUiState(WPARAM wParam) {
    if ((HIWORD(wParam) & UISF_HIDEFOCUS) != 0) {
        hideFocus_ = LOWORD(wParam) == UIS_SET;
    }
    DefWindowProcW(window_, WM_UPDATEUISTATE, wParam, 0);  // on to the controls
    for (const Control& control : controls_) {
        if (control.spec->kind == ControlKind::Swatch ||
            control.spec->kind == ControlKind::ColorButton) {
            InvalidateRect(control.hwnd, nullptr, FALSE);
        }
    }
}

void Win32Form::OnEditFocus(HWND edit, bool gained) {
    if (const Control* box = FromHwnd(edit)) {
        Notify(gained ? Notification::GotFocus : Notification::LostFocus,
               {box->spec->name, box->spec->index});
    }
}

void Win32Form::OnNcDestroy() {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    window_ = nullptr;
    for (Control& control : controls_) {
        control.hwnd = nullptr;
    }
}

void Win32Form::Notify(Notification notification, const ControlRef& control) {
    Deliver(events_, notification, control,
            [this](const char* failure) { ReportFailure(failure); });
}

// Shown once the notification has returned, from the message loop, in a box owned by
// the window: the program goes on when it is closed.
void Win32Form::ReportFailure(const std::string& message) {
    pendingFailures_.push_back(message);
    if (window_ != nullptr) {
        PostMessageW(window_, kReportFailure, 0, 0);
    }
}

void Win32Form::OnReportFailure() {
    while (!pendingFailures_.empty()) {
        const std::wstring text = Widen(pendingFailures_.front());
        pendingFailures_.erase(pendingFailures_.begin());
        MessageBoxW(window_, text.c_str(), Widen(spec_.caption).c_str(), MB_OK | MB_ICONWARNING);
    }
}

}  // namespace tintcast::platform::win32
