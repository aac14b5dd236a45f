#pragma once

#include <windows.h>

namespace tintcast::platform::win32 {

// Sent by a form's text box to its parent, with the box as lParam: focus as a form
// reports it.
inline constexpr UINT kEditEntered = WM_APP + 2;
inline constexpr UINT kEditLeft = WM_APP + 3;

// Makes an edit control a form's text box. Entry by the mouse is reported once the
// press has ended, whichever button and however the pointer moved meanwhile, so that
// what the handler selects stays selected; neither leaving for another window nor
// coming back from one counts.
void SubclassEdit(HWND edit);

}  // namespace tintcast::platform::win32
