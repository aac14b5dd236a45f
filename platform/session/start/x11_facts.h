#pragma once

#include <string_view>

#include "platform/session/start/platform_choice.h"

namespace tintcast::platform::session {

// Asks the X server named by $DISPLAY how X11 programs are to scale (Xft.dpi) and
// whether its window manager can keep a window above others. Connecting wakes an
// XWayland that starts lazily, so this is asked only where it decides. Nothing is
// known where the server cannot be reached.
X11Facts ReadX11Facts();

// Xft.dpi as the X resources give it (the root window's RESOURCE_MANAGER, one
// "name:\tvalue" a line), as a whole number the way Qt reads it; 0 where it is
// missing or not a whole number.
int XftDpi(std::string_view resources);

}  // namespace tintcast::platform::session
