#include "platform/win32/form.h"

#include <algorithm>
#include <stdexcept>
#include <tuple>
#include <utility>

#include <commctrl.h>

#include "platform/control_name.h"
#include "platform/win32/controls.h"
#include "platform/win32/dpi.h"
#include "platform/win32/fonts.h"
#include "platform/win32/wide.h"
#include "platform/win32/xpm_icon.h"

namespace tintcast::platform::win32 {

namespace {

constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

}  // namespace

Win32Form::Win32Form(const FormSpec& spec) : spec_(spec) {
    RegisterClasses();
    icon_ = IconFromXpm(spec.iconXpm);
    window_ =
        CreateWindowExW(0, kFormClass, Widen(spec.caption).c_str(), kFormStyle, CW_USEDEFAULT,
                        CW_USEDEFAULT, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (window_ == nullptr) {
        throw std::runtime_error("The window could not be created (error " +
                                 std::to_string(GetLastError()) + ").");
    }
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FormProc));
    if (icon_ != nullptr) {
        SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
        SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    }
    dpi_ = WindowDpi(window_);
    MakeFonts();

    controls_.reserve(spec.controls.size());
    try {
        for (const ControlSpec& control : spec.controls) {
            if (!control.parent.empty()) {
                const bool known =
                    std::any_of(controls_.begin(), controls_.end(), [&](const Control& c) {
                        return c.spec->name == control.parent && c.spec->kind == ControlKind::Frame;
                    });
                if (!known) {
                    throw std::invalid_argument(std::string(control.name) +
                                                " names no earlier frame " +
                                                std::string(control.parent));
                }
            }
            controls_.push_back({.spec = &control});
            Create(controls_.back());
        }
    } catch (...) {
        Release();  // no destructor runs for a half-built form
        throw;
    }
    Layout();
    ChainTabOrder();
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
        if (control.font != nullptr) {
            DeleteObject(control.font);
        }
        if (control.background != nullptr) {
            DeleteObject(control.background);
        }
    }
    controls_.clear();
    if (formFont_ != nullptr) {
        DeleteObject(formFont_);
        formFont_ = nullptr;
    }
    if (icon_ != nullptr) {
        DestroyIcon(icon_);
        icon_ = nullptr;
    }
}

void Win32Form::Create(Control& control) {
    const ControlSpec& spec = *control.spec;
    const wchar_t* windowClass = WC_BUTTONW;
    std::wstring text = Widen(spec.caption);
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    DWORD exStyle = 0;
    switch (spec.kind) {
        case ControlKind::Frame:
            style |= BS_GROUPBOX;
            break;
        case ControlKind::Button:
            style |= BS_PUSHBUTTON;
            break;
        case ControlKind::ColorButton:
            style |= BS_OWNERDRAW;
            // Not painted, but read out by screen readers.
            text = Widen(spec.accessibleName);
            break;
        case ControlKind::Option:
            style |= BS_AUTORADIOBUTTON;
            control.selected = spec.initiallyOn;
            break;
        case ControlKind::CheckBox:
            style |= BS_AUTOCHECKBOX;
            break;
        case ControlKind::VScrollBar:
            windowClass = WC_SCROLLBARW;
            style |= SBS_VERT;
            text = Widen(spec.accessibleName);
            control.sign = spec.bar.top > spec.bar.bottom ? -1 : 1;
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
    const auto id = static_cast<INT_PTR>(kFirstId + (&control - controls_.data()));
    control.hwnd = CreateWindowExW(exStyle, windowClass, text.c_str(), style, 0, 0, 0, 0, window_,
                                   reinterpret_cast<HMENU>(id), GetModuleHandleW(nullptr), nullptr);
    if (control.hwnd == nullptr) {
        throw std::runtime_error("The control " + ControlName({spec.name, spec.index}) +
                                 " could not be created.");
    }
    switch (spec.kind) {
        case ControlKind::Option:
        case ControlKind::CheckBox:
            SendMessageW(control.hwnd, BM_SETCHECK, spec.initiallyOn ? BST_CHECKED : BST_UNCHECKED,
                         0);
            break;
        case ControlKind::VScrollBar: {
            const int top = control.sign * spec.bar.top;
            const int bottom = control.sign * spec.bar.bottom;
            SetScrollRange(control.hwnd, SB_CTL, std::min(top, bottom), std::max(top, bottom),
                           FALSE);
            SetScrollPos(control.hwnd, SB_CTL, control.sign * spec.initialValue, TRUE);
            break;
        }
        case ControlKind::TextBox:
            SetWindowLongPtrW(control.hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
            SetPropW(control.hwnd, L"TintcastEditProc",
                     reinterpret_cast<HANDLE>(SetWindowLongPtrW(
                         control.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EditProc))));
            break;
        case ControlKind::Swatch:
            SetWindowLongPtrW(control.hwnd, GWLP_USERDATA,
                              static_cast<LONG_PTR>(ToColorRef(spec.background.value_or(Rgb{}))));
            break;
        case ControlKind::Label:
            if (spec.background) {
                control.background = CreateSolidBrush(ToColorRef(*spec.background));
            }
            break;
        case ControlKind::Image:
            SendMessageW(control.hwnd, STM_SETICON, reinterpret_cast<WPARAM>(icon_), 0);
            break;
        default:
            break;
    }
}

void Win32Form::MakeFonts() {
    if (formFont_ != nullptr) {
        DeleteObject(formFont_);
    }
    formFont_ = MakeFont(spec_.font, dpi_);
    for (Control& control : controls_) {
        if (control.font != nullptr) {
            DeleteObject(control.font);
            control.font = nullptr;
        }
    }
}

RECT Win32Form::PixelPlace(const ControlSpec& spec) const {
    const double dpi = dpi_;
    RECT place{TwipsToPixels(spec.place.left, dpi), TwipsToPixels(spec.place.top, dpi), 0, 0};
    // Controls in a frame are its siblings here: the frame's place is added.
    for (std::string_view parent = spec.parent; !parent.empty();) {
        const auto frame = std::find_if(controls_.begin(), controls_.end(),
                                        [&](const Control& c) { return c.spec->name == parent; });
        if (frame == controls_.end()) {
            break;
        }
        place.left += TwipsToPixels(frame->spec->place.left, dpi);
        place.top += TwipsToPixels(frame->spec->place.top, dpi);
        parent = frame->spec->parent;
    }
    place.right = place.left + TwipsToPixels(spec.place.width, dpi);
    place.bottom = place.top + TwipsToPixels(spec.place.height, dpi);
    return place;
}

void Win32Form::Layout() {
    const SIZE outer = OuterSize(TwipsToPixels(spec_.clientWidth, dpi_),
                                 TwipsToPixels(spec_.clientHeight, dpi_), kFormStyle, 0, dpi_);
    SetWindowPos(window_, nullptr, 0, 0, outer.cx, outer.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Where the frame is drawn at another DPI than the window's, the client area is
    // made exact by the frame's actual size.
    RECT frame;
    RECT client;
    GetWindowRect(window_, &frame);
    GetClientRect(window_, &client);
    const int width = TwipsToPixels(spec_.clientWidth, dpi_);
    const int height = TwipsToPixels(spec_.clientHeight, dpi_);
    if (client.right != width || client.bottom != height) {
        SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left + width - client.right,
                     frame.bottom - frame.top + height - client.bottom,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    for (Control& control : controls_) {
        const ControlSpec& spec = *control.spec;
        if (spec.font && control.font == nullptr) {
            control.font = MakeFont(*spec.font, dpi_);
        }
        HFONT font = control.font != nullptr ? control.font : formFont_;
        SendMessageW(control.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        RECT place = PixelPlace(spec);
        if (spec.autoSize) {
            const std::wstring text = Widen(spec.caption);
            HDC dc = GetDC(control.hwnd);
            HGDIOBJ previous = SelectObject(dc, font);
            SIZE extent{};
            GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
            // Room for one more character: a renderer may draw the text a few pixels
            // wider than measured (Wine does), and the label must not cut it.
            TEXTMETRICW metrics{};
            GetTextMetricsW(dc, &metrics);
            SelectObject(dc, previous);
            ReleaseDC(control.hwnd, dc);
            place.right = place.left + extent.cx + metrics.tmAveCharWidth;
            place.bottom = place.top + extent.cy;
        }
        SetWindowPos(control.hwnd, nullptr, place.left, place.top, place.right - place.left,
                     place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(window_, nullptr, TRUE);
}

// The window's children in keyboard order, which is also the order the dialog keys
// walk. An option group is one Tab stop, its selected option, and sits at that
// option's place in the order; the arrows move among its options in their own order.
void Win32Form::ChainTabOrder() {
    constexpr int kLast = 1 << 20;
    std::vector<std::tuple<int, int, HWND>> order;  // place, own Tab number, window
    for (const Control& control : controls_) {
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
        order.emplace_back(place, spec.tabIndex, control.hwnd);
    }
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
        return std::tie(std::get<0>(a), std::get<1>(a)) < std::tie(std::get<0>(b), std::get<1>(b));
    });
    HWND previous = HWND_TOP;
    const Control* previousControl = nullptr;
    for (const auto& entry : order) {
        HWND hwnd = std::get<2>(entry);
        const Control* control = FromHwnd(hwnd);
        const ControlSpec& spec = *control->spec;
        LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE) & ~(WS_TABSTOP | WS_GROUP);
        const bool continuesGroup = spec.kind == ControlKind::Option &&
                                    previousControl != nullptr &&
                                    previousControl->spec->kind == ControlKind::Option &&
                                    previousControl->spec->parent == spec.parent;
        if (!continuesGroup) {
            style |= WS_GROUP;
        }
        const bool takesFocus = spec.tabIndex != kNoTab && spec.kind != ControlKind::Frame &&
                                spec.kind != ControlKind::Label && spec.kind != ControlKind::Image;
        if (takesFocus && (spec.kind != ControlKind::Option || control->selected)) {
            style |= WS_TABSTOP;
        }
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
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
    if (!Inside(GetFocus())) {
        SetFocus(FirstTabStop());
    }
}

bool Win32Form::DialogKey(MSG& message) {
    return window_ != nullptr && IsDialogMessageW(window_, &message);
}

HWND Win32Form::control(const ControlRef& ref) const {
    for (const Control& candidate : controls_) {
        if (candidate.spec->name == ref.name && candidate.spec->index == ref.index) {
            return candidate.hwnd;
        }
    }
    return nullptr;
}

Win32Form::Control* Win32Form::FromHwnd(HWND hwnd) {
    for (Control& candidate : controls_) {
        if (candidate.hwnd == hwnd && hwnd != nullptr) {
            return &candidate;
        }
    }
    return nullptr;
}

const Win32Form::Control& Win32Form::Find(const ControlRef& ref, ControlKind kind) const {
    for (const Control& candidate : controls_) {
        if (candidate.spec->name == ref.name && candidate.spec->index == ref.index) {
            if (candidate.spec->kind != kind) {
                throw ServiceError("The control " + ControlName(ref) +
                                   " does not support this operation.");
            }
            if (candidate.hwnd == nullptr) {
                throw ServiceError("The window is not open.");
            }
            return candidate;
        }
    }
    throw ServiceError("The form has no control " + ControlName(ref) + ".");
}

Win32Form::Control& Win32Form::Find(const ControlRef& ref, ControlKind kind) {
    return const_cast<Control&>(std::as_const(*this).Find(ref, kind));
}

}  // namespace tintcast::platform::win32
