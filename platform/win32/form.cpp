#include "platform/win32/form.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include <commctrl.h>

#include "platform/bar_range.h"
#include "platform/control_lookup.h"
#include "platform/control_name.h"
#include "platform/form_check.h"
#include "platform/win32/accessibility.h"
#include "platform/win32/controls.h"
#include "platform/win32/dpi.h"
#include "platform/win32/edit.h"
#include "platform/win32/wide.h"

namespace tintcast::platform::win32 {

// Each control is made at its final place and in its final stacking, which is also
// the keyboard order: nothing is moved or re-stacked before the window shows.
Win32Form::Win32Form(const FormSpec& spec, const Capabilities& capabilities)
    : spec_(spec), capabilities_(capabilities) {
    CheckForm(spec);
    dpi_ = WindowDpi(nullptr);
    classIconDpi_ = RegisterClasses(&FormProc, dpi_);
    fonts_ = FormFonts(spec_, dpi_);
    const SIZE outer = OuterSize(TwipsToPixels(spec_.clientWidth, dpi_),
                                 TwipsToPixels(spec_.clientHeight, dpi_), kFormStyle, 0, dpi_);
    // Bound to this form in WM_NCCREATE.
    CreateWindowExW(0, kFormClass, Widen(spec.caption).c_str(), kFormStyle, CW_USEDEFAULT,
                    CW_USEDEFAULT, outer.cx, outer.cy, nullptr, nullptr, GetModuleHandleW(nullptr),
                    this);
    if (window_ == nullptr) {
        throw std::runtime_error("The window could not be created (error " +
                                 std::to_string(GetLastError()) + ").");
    }
    try {
        if (const UINT own = WindowDpi(window_); own != dpi_) {
            dpi_ = own;  // a monitor of its own: the fonts of that DPI
            fonts_ = FormFonts(spec_, dpi_);
        }
        FitClientArea();
        controls_.reserve(spec.controls.size());
        for (const ControlSpec& control : spec.controls) {
            controls_.push_back(
                {.spec = &control,
                 .selected = control.kind == ControlKind::Option && control.initiallyOn});
        }
        LoadIcons();
        const Control* previous = nullptr;
        for (Control* control : KeyboardOrder()) {
            Create(*control, previous);
            previous = control;
        }
    } catch (...) {
        Release();  // no destructor runs for a half-built form
        throw;
    }
}

Win32Form::~Win32Form() {
    Release();
}

void Win32Form::Release() {
    destroying_ = true;
    events_ = nullptr;  // the handlers may be gone; tearing down moves the focus
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
    for (Control& control : controls_) {
        if (control.background != nullptr) {
            DeleteObject(control.background);
        }
        if (control.icon != nullptr) {
            DestroyIcon(control.icon);
        }
    }
    controls_.clear();
    for (HICON* icon : {&bigIcon_, &smallIcon_}) {
        if (*icon != nullptr) {
            DestroyIcon(std::exchange(*icon, nullptr));
        }
    }
}

void Win32Form::Create(Control& control, const Control* previous) {
    const ControlSpec& spec = *control.spec;
    const wchar_t* windowClass = WC_BUTTONW;
    std::wstring text = Widen(spec.caption);
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS |
                  static_cast<DWORD>(KeyboardStyle(control, previous));
    DWORD exStyle = 0;
    switch (spec.kind) {
        case ControlKind::Frame:
            style |= BS_GROUPBOX;
            break;
        case ControlKind::Button:
            style |= BS_PUSHBUTTON | BS_NOTIFY;  // focus reported: the default border follows it
            break;
        case ControlKind::ColorButton:
            style |= BS_OWNERDRAW;
            text = Widen(spec.accessibleName);  // not painted; the standard name for a reader
            break;
        case ControlKind::Option:
            style |= BS_AUTORADIOBUTTON;
            break;
        case ControlKind::CheckBox:
            style |= BS_AUTOCHECKBOX;
            if (spec.setsTopmost && !capabilities_.topmost) {
                style |= WS_DISABLED;
            }
            break;
        case ControlKind::VScrollBar:
            windowClass = WC_SCROLLBARW;
            style |= SBS_VERT;
            text = Widen(spec.accessibleName);
            break;
        case ControlKind::TextBox:
            windowClass = WC_EDITW;
            style |= ES_AUTOHSCROLL | (spec.readOnly ? ES_READONLY : 0);
            exStyle |= WS_EX_CLIENTEDGE;
            break;
        case ControlKind::Swatch:
            windowClass = kSwatchClass;
            text = Widen(spec.accessibleName);
            exStyle |= WS_EX_CLIENTEDGE;
            break;
        case ControlKind::Label:
            windowClass = WC_STATICW;
            // A label sized to its text must not wrap: a pixel of rounding between the
            // measured and the drawn width would push its last word out of sight.
            style |= (spec.autoSize ? SS_LEFTNOWORDWRAP : SS_LEFT) | SS_NOPREFIX;
            break;
        case ControlKind::Image:
            windowClass = WC_STATICW;
            style |= SS_ICON | SS_REALSIZECONTROL;
            text.clear();
            break;
    }
    const RECT place = FinalPlace(control);
    control.hwnd =
        CreateWindowExW(exStyle, windowClass, text.c_str(), style, place.left, place.top,
                        place.right - place.left, place.bottom - place.top, window_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstId + IndexOf(control))),
                        GetModuleHandleW(nullptr), nullptr);
    if (control.hwnd == nullptr) {
        throw std::runtime_error("The control " + ControlName({spec.name, spec.index}) +
                                 " could not be created.");
    }
    SendMessageW(control.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.For(IndexOf(control))),
                 FALSE);
    switch (spec.kind) {
        case ControlKind::Option:
        case ControlKind::CheckBox:
            if (spec.initiallyOn) {
                SendMessageW(control.hwnd, BM_SETCHECK, BST_CHECKED, 0);
            }
            break;
        case ControlKind::VScrollBar: {
            SCROLLINFO range{sizeof range,
                             SIF_RANGE | SIF_POS,
                             InnerMinimum(spec.bar),
                             InnerMaximum(spec.bar),
                             0,
                             ToInner(spec.bar, spec.initialValue),
                             0};
            SetScrollInfo(control.hwnd, SB_CTL, &range, FALSE);
            break;
        }
        case ControlKind::TextBox:
            SubclassEdit(control.hwnd);
            break;
        case ControlKind::Swatch:
            SetSwatchColor(control.hwnd, ToColorRef(spec.background.value_or(Rgb{})));
            SetSwatchDpi(control.hwnd, dpi_);
            break;
        case ControlKind::Label:
            if (spec.background) {
                control.background = CreateSolidBrush(ToColorRef(*spec.background));
            }
            break;
        case ControlKind::Image:
            SendMessageW(control.hwnd, STM_SETICON, reinterpret_cast<WPARAM>(control.icon), 0);
            break;
        default:
            break;
    }
    // What a screen reader says: the layout's name, else the caption the control shows.
    if (!spec.accessibleName.empty()) {
        MakeAccessible(control.hwnd, Widen(spec.accessibleName),
                       spec.kind == ControlKind::VScrollBar ? BarSign(spec.bar) : 0);
    }
}

bool Win32Form::Inside(HWND hwnd) const {
    return hwnd != nullptr && window_ != nullptr && IsChild(window_, hwnd);
}

void Win32Form::Load(FormEvents& events) {
    if (events_ != nullptr) {
        return;
    }
    events_ = &events;
    Notify(Notification::Load, {spec_.name});
    if (window_ == nullptr) {
        return;  // a handler unloaded the form while loading
    }
    // Focus marks hidden until the keyboard is used, as in a dialog.
    SendMessageW(window_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, UISF_HIDEFOCUS), 0);
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
    if (!Inside(GetFocus())) {
        SetFocus(FirstTabStop());
    }
}

HWND Win32Form::control(const ControlRef& ref) const {
    const std::optional<std::size_t> place = ControlPlace(spec_.controls, ref);
    return place && *place < controls_.size() ? controls_[*place].hwnd : nullptr;
}

// A control's id is its place in creation order after kFirstId.
Win32Form::Control* Win32Form::FromHwnd(HWND hwnd) {
    if (hwnd == nullptr) {
        return nullptr;
    }
    const auto place = static_cast<std::size_t>(GetDlgCtrlID(hwnd) - kFirstId);
    return place < controls_.size() && controls_[place].hwnd == hwnd ? &controls_[place] : nullptr;
}

const Win32Form::Control& Win32Form::Find(const ControlRef& ref, ControlKind kind) const {
    const std::size_t place = RequireControl(spec_.controls, ref, kind);
    if (place >= controls_.size() || controls_[place].hwnd == nullptr) {
        throw ServiceError("The window is not open.");
    }
    return controls_[place];
}

Win32Form::Control& Win32Form::Find(const ControlRef& ref, ControlKind kind) {
    return const_cast<Control&>(std::as_const(*this).Find(ref, kind));
}

}  // namespace tintcast::platform::win32
