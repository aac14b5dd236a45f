#pragma once

#include "platform/win32/form.h"

namespace tintcast::platform::win32 {

// Runs the thread's message loop, with the form's dialog keys, until the program
// ends; returns its exit status.
int RunMessageLoop(Win32Form& form);

}  // namespace tintcast::platform::win32
