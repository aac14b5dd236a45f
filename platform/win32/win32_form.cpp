#include "platform/win32/win32_form.h"

#include <algorithm>
#include <stdexcept>
#include <tuple>
#include <utility>

#include <commctrl.h>

#include "platform/control_name.h"
#include "platform/win32/dpi.h"
#include "platform/win32/wide.h"
#include "platform/win32/xpm_icon.h"

namespace tintcast::platform::win32 {

namespace {

constexpr wchar_t kFormClass[] = L"TintcastForm";
constexpr wchar_t kSwatchClass[] = L"TintcastSwatch";
constexpr UINT kReportFailure = WM_APP + 1;
constexpr int kFirstId = 100;  // clear of IDOK and IDCANCEL, which the dialog keys send
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
// How long Copy waits for another program to close the clipboard.
constexpr int kClipboardAttempts = 10;
constexpr DWORD kClipboardRetryMs = 20;

COLORREF ToColorRef(Rgb c) {
    return RGB(c.red, c.green, c.blue);
}

bool FamilyInstalled(const std::wstring& family) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    family.copy(wanted.lfFaceName, LF_FACESIZE - 1);
    bool found = false;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(
        screen, &wanted,
        [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM seen) -> int {
            *reinterpret_cast<bool*>(seen) = true;
            return 0;
        },
        reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

HFONT MakeFont(const FontSpec& spec, UINT dpi) {
    LOGFONTW font{};
    font.lfHeight = -MulDiv(spec.pointSize > 0 ? spec.pointSize : 8, static_cast<int>(dpi), 72);
    font.lfWeight = spec.weight;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    for (const std::string_view family : spec.families) {
        const std::wstring name = Widen(family);
        if (name.size() < LF_FACESIZE && FamilyInstalled(name)) {
            name.copy(font.lfFaceName, LF_FACESIZE - 1);
            break;
        }
    }
    return CreateFontIndirectW(&font);
}

// The swatch: a sunken box that shows its colour, kept in its user data, and takes
// the focus like the other controls.
LRESULT CALLBACK SwatchProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
        case WM_PRINTCLIENT: {
            PAINTSTRUCT paint{};
            HDC dc = message == WM_PAINT ? BeginPaint(hwnd, &paint) : reinterpret_cast<HDC>(wParam);
            RECT area;
            GetClientRect(hwnd, &area);
            HBRUSH fill =
                CreateSolidBrush(static_cast<COLORREF>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)));
            FillRect(dc, &area, fill);
            DeleteObject(fill);
            if (GetFocus() == hwnd) {
                InflateRect(&area, -3, -3);
                DrawFocusRect(dc, &area);
            }
            if (message == WM_PAINT) {
                EndPaint(hwnd, &paint);
            }
            return 0;
        }
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        case WM_LBUTTONDOWN:
            SetFocus(hwnd);
            return 0;
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

void RegisterClasses() {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX common{sizeof common, ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&common);
        HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSEXW form{};
        form.cbSize = sizeof form;
        form.lpfnWndProc = DefWindowProcW;  // replaced once the form is known
        form.hInstance = instance;
        form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        form.lpszClassName = kFormClass;
        RegisterClassExW(&form);
        WNDCLASSEXW swatch = form;
        swatch.lpfnWndProc = SwatchProc;
        swatch.lpszClassName = kSwatchClass;
        swatch.hbrBackground = nullptr;
        RegisterClassExW(&swatch);
        return true;
    }();
    (void)registered;
}

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
            style |= SS_LEFT | SS_NOPREFIX;
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
            SelectObject(dc, previous);
            ReleaseDC(control.hwnd, dc);
            place.right = place.left + extent.cx;
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

void Win32Form::Notify(Notification notification, const ControlRef& control) {
    if (events_ == nullptr) {
        return;
    }
    try {
        events_->Notify(notification, control);
    } catch (const std::exception& failure) {
        ReportFailure(failure.what());
    }
}

// Shown once the notification has returned, from the message loop, in a box owned by
// the window: the program goes on when it is closed.
void Win32Form::ReportFailure(const std::string& message) {
    pendingFailures_.push_back(message);
    if (window_ != nullptr) {
        PostMessageW(window_, kReportFailure, 0, 0);
    }
}

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

std::int16_t Win32Form::BarValue(const ControlRef& ref) const {
    const Control& bar = Find(ref, ControlKind::VScrollBar);
    return static_cast<std::int16_t>(bar.sign * GetScrollPos(bar.hwnd, SB_CTL));
}

void Win32Form::SetBarValue(const ControlRef& ref, std::int16_t value) {
    Control& bar = Find(ref, ControlKind::VScrollBar);
    MoveBar(bar, bar.sign * value);
}

bool Win32Form::OptionValue(const ControlRef& ref) const {
    return SendMessageW(Find(ref, ControlKind::Option).hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

CheckState Win32Form::CheckValue(const ControlRef& ref) const {
    switch (SendMessageW(Find(ref, ControlKind::CheckBox).hwnd, BM_GETCHECK, 0, 0)) {
        case BST_CHECKED:
            return CheckState::Checked;
        case BST_INDETERMINATE:
            return CheckState::Grayed;
        default:
            return CheckState::Unchecked;
    }
}

void Win32Form::SetBackColor(const ControlRef& ref, std::int32_t color) {
    HWND swatch = Find(ref, ControlKind::Swatch).hwnd;
    const COLORREF wanted = ToColorRef(UnpackRgb(color));
    if (static_cast<COLORREF>(GetWindowLongPtrW(swatch, GWLP_USERDATA)) != wanted) {
        SetWindowLongPtrW(swatch, GWLP_USERDATA, static_cast<LONG_PTR>(wanted));
        InvalidateRect(swatch, nullptr, FALSE);
    }
}

namespace {

std::wstring WindowText(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace

std::string Win32Form::Text(const ControlRef& ref) const {
    return Narrow(WindowText(Find(ref, ControlKind::TextBox).hwnd));
}

void Win32Form::SetText(const ControlRef& ref, std::string_view text) {
    HWND edit = Find(ref, ControlKind::TextBox).hwnd;
    const std::wstring wide = Widen(text);
    SetWindowTextW(edit, wide.c_str());
    // The caret after the new text, as where a person's typing would have left it.
    SendMessageW(edit, EM_SETSEL, wide.size(), static_cast<LPARAM>(wide.size()));
}

void Win32Form::SetSelStart(const ControlRef& ref, std::int32_t start) {
    HWND edit = Find(ref, ControlKind::TextBox).hwnd;
    const int at = AdvanceCharacters(WindowText(edit), 0, start);
    SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(at), at);
}

void Win32Form::SetSelLength(const ControlRef& ref, std::int32_t length) {
    HWND edit = Find(ref, ControlKind::TextBox).hwnd;
    DWORD start = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    const int end = AdvanceCharacters(WindowText(edit), static_cast<int>(start), length);
    SendMessageW(edit, EM_SETSEL, start, end);
}

NativeWindow Win32Form::WindowHandle() const {
    return reinterpret_cast<NativeWindow>(window_);
}

void Win32Form::SetTopmost(NativeWindow window, bool topmost) {
    if (window_ == nullptr || window != reinterpret_cast<NativeWindow>(window_)) {
        throw ServiceError("The window is not open.");
    }
    // The result is not examined: the stacking state is all this asks for.
    SetWindowPos(reinterpret_cast<HWND>(window), topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0,
                 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Win32Form::UnloadForm() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

void Win32Form::EndProgram() {
    PostQuitMessage(0);
}

void Win32Form::SetClipboardText(std::string_view text) {
    const std::wstring wide = Widen(text);
    const std::size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    // Another program may hold the clipboard open for a moment.
    bool open = false;
    for (int attempt = 0; attempt < kClipboardAttempts && !open; ++attempt) {
        if (attempt > 0) {
            Sleep(kClipboardRetryMs);
        }
        open = OpenClipboard(window_) != FALSE;
    }
    if (!open) {
        throw ServiceError("Another program is using the clipboard. The text was not copied.");
    }
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    bool placed = false;
    if (memory != nullptr && EmptyClipboard()) {
        if (void* target = GlobalLock(memory)) {
            std::copy_n(wide.c_str(), wide.size() + 1, static_cast<wchar_t*>(target));
            GlobalUnlock(memory);
            placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        }
    }
    CloseClipboard();
    if (!placed) {
        if (memory != nullptr) {
            GlobalFree(memory);
        }
        throw ServiceError("The text could not be put on the clipboard.");
    }
}

}  // namespace tintcast::platform::win32
