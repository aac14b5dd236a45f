#pragma once

#include <windows.h>

#include "platform/form_description.h"

namespace tintcast::platform::win32 {

inline constexpr wchar_t kFormClass[] = L"TintcastForm";
// A sunken box that shows nothing but its colour.
inline constexpr wchar_t kSwatchClass[] = L"TintcastSwatch";
// The program's icon in the executable's resources.
inline constexpr int kAppIconId = 1;

// Registers the form's window class, with its procedure, and the swatch's, once.
// The form's class carries the icon at the first call's DPI, which is returned: a
// window at that DPI shows it with no icons of its own (under Wine, each icon a
// window is given costs a conversion for the window manager).
UINT RegisterClasses(WNDPROC formProc, UINT iconDpi);

// The icon sizes at a DPI: the title bar's (small) and the task switcher's (big).
int SmallIconSize(UINT dpi);
int BigIconSize(UINT dpi);

inline COLORREF ToColorRef(Rgb c) {
    return RGB(c.red, c.green, c.blue);
}

// The swatch's colour, repainted only when it changes, and the DPI its focus mark is
// drawn at.
void SetSwatchColor(HWND swatch, COLORREF color);
void SetSwatchDpi(HWND swatch, UINT dpi);

// A caption-less button filled with its colour. With the focus it shows the default
// border, as the focused push button does, and the focus mark unless the keyboard
// cues are hidden.
void DrawColorButton(const DRAWITEMSTRUCT& item, COLORREF face, UINT dpi);

// The executable's own icon at size x size pixels, or null where it has none; the
// caller destroys it.
HICON AppIcon(int size);

}  // namespace tintcast::platform::win32
