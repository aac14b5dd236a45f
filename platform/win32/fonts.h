#pragma once

#include <windows.h>

#include "platform/form_description.h"

namespace tintcast::platform::win32 {

// The font of a description at a DPI: the first of its families that is installed.
HFONT MakeFont(const FontSpec& spec, UINT dpi);

}  // namespace tintcast::platform::win32
