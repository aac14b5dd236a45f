#pragma once

#include <windows.h>

namespace tintcast::platform::win32 {

// What a form's text box tells the form: focus as a form reports it.
class EditEvents {
public:
    virtual void EditFocusChanged(HWND edit, bool gained) = 0;

protected:
    ~EditEvents() = default;
};

// Makes an edit control a form's text box. Entry by the mouse is reported once the
// press has ended, whichever button and however the pointer moved meanwhile, so that
// what the handler selects stays selected; neither leaving for another window nor
// coming back from one counts.
void SubclassEdit(HWND edit, EditEvents& events);

}  // namespace tintcast::platform::win32
