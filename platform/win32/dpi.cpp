#include "platform/win32/dpi.h"

#include <algorithm>
#include <tuple>
#include <utility>

#include "platform/control_lookup.h"
#include "platform/win32/controls.h"
#include "platform/win32/form.h"
#include "platform/win32/wide.h"

namespace tintcast::platform::win32 {

namespace {

// Looked up at run time, so that the program still starts where they are missing.
template <typename Function>
Function User32Function(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 == nullptr
               ? nullptr
               : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

}  // namespace

UINT WindowDpi(HWND window) {
    static const auto forWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (forWindow != nullptr && window != nullptr) {
        if (const UINT dpi = forWindow(window); dpi != 0) {
            return dpi;
        }
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

SIZE OuterSize(int width, int height, DWORD style, DWORD exStyle, UINT dpi) {
    static const auto adjust =
        User32Function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
    RECT rect{0, 0, width, height};
    if (adjust == nullptr || !adjust(&rect, style, FALSE, exStyle, dpi)) {
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    }
    return {rect.right - rect.left, rect.bottom - rect.top};
}

// The form's places, fonts and icons at its DPI.

RECT Win32Form::PixelPlace(const ControlSpec& spec) const {
    const double dpi = dpi_;
    RECT place{TwipsToPixels(spec.place.left, dpi), TwipsToPixels(spec.place.top, dpi), 0, 0};
    // Controls in a frame are its siblings here: the frame's place is added.
    for (std::string_view parent = spec.parent; !parent.empty();) {
        const ControlSpec* frame = FindControl(spec_.controls, {parent});
        if (frame == nullptr) {
            break;
        }
        place.left += TwipsToPixels(frame->place.left, dpi);
        place.top += TwipsToPixels(frame->place.top, dpi);
        parent = frame->parent;
    }
    place.right = place.left + TwipsToPixels(spec.place.width, dpi);
    place.bottom = place.top + TwipsToPixels(spec.place.height, dpi);
    return place;
}

// A label sized to its caption takes the caption's size in its font.
RECT Win32Form::FinalPlace(const Control& control) const {
    RECT place = PixelPlace(*control.spec);
    if (control.spec->autoSize) {
        const SIZE size = LabelSize(fonts_.For(IndexOf(control)), Widen(control.spec->caption));
        place.right = place.left + size.cx;
        place.bottom = place.top + size.cy;
    }
    return place;
}

// Where the frame is drawn at another DPI than the window's, the client area is made
// exact by the frame's actual size.
void Win32Form::FitClientArea() {
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
}

void Win32Form::PlaceControls() {
    HDWP moves = BeginDeferWindowPos(static_cast<int>(controls_.size()));
    for (const Control& control : controls_) {
        const RECT place = FinalPlace(control);
        if (moves != nullptr) {
            moves = DeferWindowPos(moves, control.hwnd, nullptr, place.left, place.top,
                                   place.right - place.left, place.bottom - place.top,
                                   SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    if (moves != nullptr) {
        EndDeferWindowPos(moves);
    }
}

// The executable's own icon, loaded at each size this DPI asks for rather than
// stretched; the icons in use are replaced before they are destroyed. A window that
// never had icons of its own shows the class's while they fit its DPI.
void Win32Form::LoadIcons() {
    if (bigIcon_ != nullptr || dpi_ != classIconDpi_) {
        for (const auto& [icon, type, size] :
             {std::tuple{&bigIcon_, ICON_BIG, BigIconSize(dpi_)},
              std::tuple{&smallIcon_, ICON_SMALL, SmallIconSize(dpi_)}}) {
            HICON loaded = AppIcon(size);
            SendMessageW(window_, WM_SETICON, static_cast<WPARAM>(type),
                         reinterpret_cast<LPARAM>(loaded));
            if (*icon != nullptr) {
                DestroyIcon(*icon);
            }
            *icon = loaded;
        }
    }
    for (Control& control : controls_) {
        if (control.spec->kind != ControlKind::Image) {
            continue;
        }
        HICON loaded = AppIcon(TwipsToPixels(control.spec->place.width, dpi_));
        if (control.hwnd != nullptr) {
            SendMessageW(control.hwnd, STM_SETICON, reinterpret_cast<WPARAM>(loaded), 0);
        }
        if (control.icon != nullptr) {
            DestroyIcon(control.icon);
        }
        control.icon = loaded;
    }
}

bool Win32Form::OnGetDpiScaledSize(UINT dpi, SIZE& size) const {
    size = OuterSize(TwipsToPixels(spec_.clientWidth, dpi), TwipsToPixels(spec_.clientHeight, dpi),
                     kFormStyle, 0, dpi);
    return true;
}

// New fonts are made and handed to the controls before the old ones are deleted; the
// window takes the rectangle the system suggests.
void Win32Form::OnDpiChanged(UINT dpi, const RECT& suggested) {
    dpi_ = dpi;
    FormFonts retired = std::move(fonts_);
    fonts_ = FormFonts(spec_, dpi_);
    for (const Control& control : controls_) {
        SendMessageW(control.hwnd, WM_SETFONT,
                     reinterpret_cast<WPARAM>(fonts_.For(IndexOf(control))), FALSE);
        if (control.spec->kind == ControlKind::Swatch) {
            SetSwatchDpi(control.hwnd, dpi_);
        }
    }
    LoadIcons();
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    FitClientArea();
    PlaceControls();
    InvalidateRect(window_, nullptr, TRUE);
}

}  // namespace tintcast::platform::win32
