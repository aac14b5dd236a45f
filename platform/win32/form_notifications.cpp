#include "platform/win32/form.h"

#include <algorithm>
#include <utility>

#include "platform/win32/controls.h"
#include "platform/win32/dpi.h"
#include "platform/win32/wide.h"

namespace tintcast::platform::win32 {

LRESULT CALLBACK Win32Form::FormProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* form = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (form == nullptr) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return form->Handle(message, wParam, lParam);
}

LRESULT Win32Form::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = window_;
    switch (message) {
        case WM_COMMAND:
            if (Control* control = FromHwnd(reinterpret_cast<HWND>(lParam))) {
                Command(*control, HIWORD(wParam));
            }
            return 0;
        case WM_VSCROLL:
            if (Control* bar = FromHwnd(reinterpret_cast<HWND>(lParam))) {
                // The thumb's place comes as 16 bits: a negated range is negative.
                Scroll(*bar, LOWORD(wParam), static_cast<short>(HIWORD(wParam)));
            }
            return 0;
        case WM_DRAWITEM:
            Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_CTLCOLORSTATIC:
            return Colour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_NEXTDLGCTL:
            NextControl(wParam, lParam);
            return 0;
        case DM_GETDEFID: {
            // Enter presses the push button that has the focus.
            const Control* focused = FromHwnd(GetFocus());
            if (focused != nullptr && (focused->spec->kind == ControlKind::Button ||
                                       focused->spec->kind == ControlKind::ColorButton)) {
                return MAKELRESULT(GetDlgCtrlID(focused->hwnd), DC_HASDEFID);
            }
            return 0;
        }
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                savedFocus_ = Inside(GetFocus()) ? GetFocus() : nullptr;
            } else if (!IsIconic(hwnd)) {
                SetFocus(IsWindow(savedFocus_) ? savedFocus_ : FirstTabStop());
            }
            return 0;
        case WM_DPICHANGED: {
            dpi_ = HIWORD(wParam);
            MakeFonts();
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            Layout();
            return 0;
        }
        case kReportFailure:
            while (!pendingFailures_.empty()) {
                const std::wstring text = Widen(pendingFailures_.front());
                pendingFailures_.erase(pendingFailures_.begin());
                MessageBoxW(hwnd, text.c_str(), Widen(spec_.caption).c_str(),
                            MB_OK | MB_ICONWARNING);
            }
            return 0;
        case WM_DESTROY:
            if (!destroying_) {
                PostQuitMessage(0);
            }
            return 0;
        case WM_NCDESTROY:
            window_ = nullptr;
            for (Control& control : controls_) {
                control.hwnd = nullptr;
            }
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            return DefWindowProcW(hwnd, message, wParam, lParam);
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

// Tab and Shift+Tab, and a direct move, as the dialog keys ask for them.
void Win32Form::NextControl(WPARAM wParam, LPARAM lParam) {
    HWND next = LOWORD(lParam) != 0
                    ? reinterpret_cast<HWND>(wParam)
                    : GetNextDlgTabItem(window_, GetFocus(), wParam != 0 ? TRUE : FALSE);
    if (Inside(next)) {
        SetFocus(next);
    }
}

void Win32Form::Command(Control& control, int code) {
    const ControlRef ref{control.spec->name, control.spec->index};
    if (code != BN_CLICKED) {
        return;
    }
    switch (control.spec->kind) {
        case ControlKind::Button:
        case ControlKind::ColorButton:
        case ControlKind::CheckBox:
            Notify(Notification::Click, ref);
            break;
        case ControlKind::Option:
            OptionClicked(control);
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

void Win32Form::Scroll(Control& bar, int code, int thumb) {
    const BarRange& range = bar.spec->bar;
    const int now = GetScrollPos(bar.hwnd, SB_CTL);
    int lowest = 0;
    int highest = 0;
    GetScrollRange(bar.hwnd, SB_CTL, &lowest, &highest);
    switch (code) {
        case SB_LINEUP:
            MoveBar(bar, now - range.smallChange);
            break;
        case SB_LINEDOWN:
            MoveBar(bar, now + range.smallChange);
            break;
        case SB_PAGEUP:
            MoveBar(bar, now - range.largeChange);
            break;
        case SB_PAGEDOWN:
            MoveBar(bar, now + range.largeChange);
            break;
        case SB_TOP:
            MoveBar(bar, lowest);
            break;
        case SB_BOTTOM:
            MoveBar(bar, highest);
            break;
        case SB_THUMBPOSITION:
            MoveBar(bar, thumb);
            break;
        default:
            break;  // SB_THUMBTRACK: the value follows the thumb only on release
    }
}

void Win32Form::MoveBar(Control& bar, int inner) {
    int lowest = 0;
    int highest = 0;
    GetScrollRange(bar.hwnd, SB_CTL, &lowest, &highest);
    inner = std::clamp(inner, lowest, highest);
    if (inner == GetScrollPos(bar.hwnd, SB_CTL)) {
        return;
    }
    // Painted with the next paint rather than at once: the bar is set three times for
    // one preset.
    SetScrollPos(bar.hwnd, SB_CTL, inner, FALSE);
    InvalidateRect(bar.hwnd, nullptr, FALSE);
    Notify(Notification::Change, {bar.spec->name, bar.spec->index});
}

void Win32Form::Draw(const DRAWITEMSTRUCT& item) {
    const Control* button = FromHwnd(item.hwndItem);
    if (button == nullptr) {
        return;
    }
    RECT area = item.rcItem;
    HBRUSH face = CreateSolidBrush(ToColorRef(button->spec->background.value_or(Rgb{})));
    FillRect(item.hDC, &area, face);
    DeleteObject(face);
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    DrawEdge(item.hDC, &area, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    if (item.itemState & ODS_FOCUS) {
        InflateRect(&area, -4, -4);
        DrawFocusRect(item.hDC, &area);
    }
}

LRESULT Win32Form::Colour(HDC dc, HWND hwnd) {
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

LRESULT CALLBACK Win32Form::EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* form = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    const auto original = reinterpret_cast<WNDPROC>(GetPropW(hwnd, L"TintcastEditProc"));
    Control* edit = form != nullptr ? form->FromHwnd(hwnd) : nullptr;
    if (edit == nullptr) {
        if (message == WM_NCDESTROY) {
            RemovePropW(hwnd, L"TintcastEditProc");
        }
        return CallWindowProcW(original, hwnd, message, wParam, lParam);
    }
    return form->HandleEdit(*edit, message, wParam, lParam);
}

// Focus as a form reports it: entry by the mouse once the press has placed the caret,
// and neither leaving for another window nor coming back from one.
LRESULT Win32Form::HandleEdit(Control& edit, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = edit.hwnd;
    const auto original = reinterpret_cast<WNDPROC>(GetPropW(hwnd, L"TintcastEditProc"));
    const ControlRef ref{edit.spec->name, edit.spec->index};
    switch (message) {
        case WM_LBUTTONDOWN: {
            const bool entering = GetFocus() != hwnd;
            if (entering) {
                enteringByMouse_ = hwnd;
            }
            const LRESULT result = CallWindowProcW(original, hwnd, message, wParam, lParam);
            enteringByMouse_ = nullptr;
            if (entering && GetFocus() == hwnd) {
                Notify(Notification::GotFocus, ref);
            }
            return result;
        }
        case WM_SETFOCUS: {
            const LRESULT result = CallWindowProcW(original, hwnd, message, wParam, lParam);
            if (enteringByMouse_ != hwnd && Inside(reinterpret_cast<HWND>(wParam))) {
                Notify(Notification::GotFocus, ref);
            }
            return result;
        }
        case WM_KILLFOCUS: {
            const LRESULT result = CallWindowProcW(original, hwnd, message, wParam, lParam);
            if (Inside(reinterpret_cast<HWND>(wParam))) {
                Notify(Notification::LostFocus, ref);
            }
            return result;
        }
        case WM_NCDESTROY:
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
            RemovePropW(hwnd, L"TintcastEditProc");
            return CallWindowProcW(original, hwnd, message, wParam, lParam);
        default:
            return CallWindowProcW(original, hwnd, message, wParam, lParam);
    }
}

}  // namespace tintcast::platform::win32
