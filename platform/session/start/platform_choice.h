#pragma once

#include <string>
#include <string_view>

#include "platform/capabilities.h"

namespace tintcast::platform::session {

// The Qt platform plugin to ask for before Qt starts, or "" to leave Qt its choice.
// Under Wayland with XWayland at hand, X11 is asked for: only there can the window
// be kept above others. With Wayland alone, Wayland is asked for, so that a missing
// plugin is named rather than an X display that was never there.
std::string PlatformOverride(bool platformChosen, bool waylandDisplay, bool x11Display);

// What the window system behind a Qt platform plugin allows. No Wayland protocol lets
// a client keep its own window on top; under X11 only a window manager that lists
// _NET_WM_STATE_ABOVE among the hints it supports does so.
Capabilities CapabilitiesOf(std::string_view platformName, bool managerSupportsAbove);

}  // namespace tintcast::platform::session
