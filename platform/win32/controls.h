#pragma once

#include <windows.h>

#include "platform/form_description.h"

namespace tintcast::platform::win32 {

inline constexpr wchar_t kFormClass[] = L"TintcastForm";
// A sunken box that shows nothing but its colour, held as a COLORREF in its user data.
inline constexpr wchar_t kSwatchClass[] = L"TintcastSwatch";

// Registers the form's and the swatch's window classes, once.
void RegisterClasses();

inline COLORREF ToColorRef(Rgb c) {
    return RGB(c.red, c.green, c.blue);
}

}  // namespace tintcast::platform::win32
