#include "platform/win32/controls.h"

#include <commctrl.h>

namespace tintcast::platform::win32 {

namespace {

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

}  // namespace

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

}  // namespace tintcast::platform::win32
