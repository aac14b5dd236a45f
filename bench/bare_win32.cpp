// The Win32 yardstick for the Windows build's start-up: a plain window holding the
// same kinds of controls at the same places, with the program's manifest, and nothing
// else (no icon, fonts, colours or handlers).
#include <windows.h>

#include <map>
#include <string>
#include <string_view>

#include "window/layout.h"

namespace {

using tintcast::platform::ControlKind;
using tintcast::platform::ControlSpec;

int Px(int twips) {
    return tintcast::platform::TwipsToPixels(twips, 96);
}

std::wstring Wide(std::string_view text) {
    std::wstring wide(text.size(), L'\0');
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           wide.data(), static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return wide;
}

struct PlainControl {
    const wchar_t* windowClass;
    DWORD style;
};

PlainControl Plain(ControlKind kind) {
    switch (kind) {
        case ControlKind::Frame:
            return {L"BUTTON", BS_GROUPBOX};
        case ControlKind::Button:
        case ControlKind::ColorButton:
            return {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP};
        case ControlKind::Option:
            return {L"BUTTON", BS_AUTORADIOBUTTON};
        case ControlKind::CheckBox:
            return {L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP};
        case ControlKind::VScrollBar:
            return {L"SCROLLBAR", SBS_VERT | WS_TABSTOP};
        case ControlKind::TextBox:
        case ControlKind::Swatch:
            return {L"EDIT", WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP};
        case ControlKind::Label:
        case ControlKind::Image:
            break;
    }
    return {L"STATIC", SS_LEFT};
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"BareWin32Window";
    RegisterClassW(&windowClass);

    const auto spec = tintcast::window::MainFormSpec();
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT outer{0, 0, Px(spec.clientWidth), Px(spec.clientHeight)};
    AdjustWindowRect(&outer, style, FALSE);
    HWND window = CreateWindowW(windowClass.lpszClassName, L"Bare Win32 window", style,
                                CW_USEDEFAULT, CW_USEDEFAULT, outer.right - outer.left,
                                outer.bottom - outer.top, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return 1;
    }
    // Frames hold no children in Win32: a control inside one is placed from its corner.
    std::map<std::string_view, POINT> frames;
    for (const ControlSpec& control : spec.controls) {
        POINT origin{0, 0};
        if (!control.parent.empty()) {
            origin = frames.at(control.parent);
        }
        const int left = origin.x + Px(control.place.left);
        const int top = origin.y + Px(control.place.top);
        const PlainControl plain = Plain(control.kind);
        CreateWindowW(plain.windowClass, Wide(control.caption).c_str(),
                      WS_CHILD | WS_VISIBLE | plain.style, left, top, Px(control.place.width),
                      Px(control.place.height), window, nullptr, instance, nullptr);
        if (control.kind == ControlKind::Frame) {
            frames[control.name] = {left, top};
        }
    }
    ShowWindow(window, show);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
