#pragma once

#include <string>

#include <windows.h>

namespace tintcast::platform::win32 {

// Gives a control the name a screen reader reads, whatever the label before it says;
// for a bar (barSign not 0) also its value in the form's terms: 0..255 with 255 at
// the top where the native position is negated. The system's own object answers
// everything else. Oleacc is loaded only when a reader first asks.
void MakeAccessible(HWND control, std::wstring name, int barSign);

}  // namespace tintcast::platform::win32
