#pragma once

#include <span>

#include <windows.h>

namespace tintcast::platform::win32 {

// An icon from XPM lines with one character per pixel and "#RRGGBB" or "None"
// colours; null when the lines are not such an image.
HICON IconFromXpm(std::span<const char* const> xpm);

}  // namespace tintcast::platform::win32
