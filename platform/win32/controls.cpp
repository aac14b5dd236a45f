#include "platform/win32/controls.h"

#include <commctrl.h>

namespace tintcast::platform::win32 {

namespace {

// The swatch keeps its colour and DPI in its window's extra bytes.
constexpr int kSwatchColor = 0;
constexpr int kSwatchDpi = sizeof(LONG_PTR);

// Focus marks keep their distance from the edge at any DPI.
int FocusInset(int pixelsAt96, UINT dpi) {
    return MulDiv(pixelsAt96, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
}

// Asked of the form, which keeps the keyboard cues for its controls.
bool FocusMarksHidden(HWND hwnd) {
    return (SendMessageW(GetParent(hwnd), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0;
}

// The swatch: a sunken box that shows its colour and takes the focus like the other
// controls.
LRESULT CALLBACK SwatchProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
        case WM_PRINTCLIENT: {
            PAINTSTRUCT paint{};
            HDC dc = message == WM_PAINT ? BeginPaint(hwnd, &paint) : reinterpret_cast<HDC>(wParam);
            RECT area;
            GetClientRect(hwnd, &area);
            HBRUSH fill =
                CreateSolidBrush(static_cast<COLORREF>(GetWindowLongPtrW(hwnd, kSwatchColor)));
            FillRect(dc, &area, fill);
            DeleteObject(fill);
            if (GetFocus() == hwnd && !FocusMarksHidden(hwnd)) {
                const int inset =
                    FocusInset(3, static_cast<UINT>(GetWindowLongPtrW(hwnd, kSwatchDpi)));
                InflateRect(&area, -inset, -inset);
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

int SmallIconSize(UINT dpi) {
    return MulDiv(16, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
}

int BigIconSize(UINT dpi) {
    return MulDiv(32, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
}

UINT RegisterClasses(WNDPROC formProc, UINT iconDpi) {
    static const UINT registeredDpi = [formProc, iconDpi] {
        INITCOMMONCONTROLSEX common{sizeof common, ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&common);
        HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSEXW form{};
        form.cbSize = sizeof form;
        form.lpfnWndProc = formProc;
        form.hInstance = instance;
        form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        form.lpszClassName = kFormClass;
        form.hIcon = AppIcon(BigIconSize(iconDpi));
        form.hIconSm = AppIcon(SmallIconSize(iconDpi));
        RegisterClassExW(&form);
        WNDCLASSEXW swatch = form;
        swatch.lpfnWndProc = SwatchProc;
        swatch.lpszClassName = kSwatchClass;
        swatch.hbrBackground = nullptr;
        swatch.hIcon = nullptr;
        swatch.hIconSm = nullptr;
        swatch.cbWndExtra = 2 * sizeof(LONG_PTR);
        RegisterClassExW(&swatch);
        return iconDpi;
    }();
    return registeredDpi;
}

void SetSwatchColor(HWND swatch, COLORREF color) {
    if (static_cast<COLORREF>(GetWindowLongPtrW(swatch, kSwatchColor)) != color) {
        SetWindowLongPtrW(swatch, kSwatchColor, static_cast<LONG_PTR>(color));
        InvalidateRect(swatch, nullptr, FALSE);
    }
}

void SetSwatchDpi(HWND swatch, UINT dpi) {
    SetWindowLongPtrW(swatch, kSwatchDpi, static_cast<LONG_PTR>(dpi));
}

void DrawColorButton(const DRAWITEMSTRUCT& item, COLORREF face, UINT dpi) {
    RECT area = item.rcItem;
    HBRUSH fill = CreateSolidBrush(face);
    FillRect(item.hDC, &area, fill);
    DeleteObject(fill);
    const bool focused = (item.itemState & ODS_FOCUS) != 0;
    if (focused) {
        FrameRect(item.hDC, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        InflateRect(&area, -1, -1);
    }
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    DrawEdge(item.hDC, &area, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    if (focused && (item.itemState & ODS_NOFOCUSRECT) == 0 && !FocusMarksHidden(item.hwndItem)) {
        area = item.rcItem;
        const int inset = FocusInset(4, dpi);
        InflateRect(&area, -inset, -inset);
        DrawFocusRect(item.hDC, &area);
    }
}

HICON AppIcon(int size) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kAppIconId),
                                         IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

}  // namespace tintcast::platform::win32
