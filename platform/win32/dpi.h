#pragma once

#include <windows.h>

namespace tintcast::platform::win32 {

// The window's own dots per inch: per monitor where the system knows it (Windows 10
// and later), else the system's.
UINT WindowDpi(HWND window);

// The outer size of a window whose client area is width x height pixels at dpi.
SIZE OuterSize(int width, int height, DWORD style, DWORD exStyle, UINT dpi);

}  // namespace tintcast::platform::win32
