#pragma once

#include <string>
#include <string_view>

#include "platform/capabilities.h"

namespace tintcast::platform::qt {

// The Qt platform plugin to ask for before Qt starts, or "" to leave Qt its choice.
// Under Wayland with XWayland at hand, X11 is asked for: only there can the window
// be kept above others.
std::string PlatformOverride(bool platformChosen, bool waylandDisplay, bool x11Display);

// What the window system behind a Qt platform plugin allows: no Wayland protocol lets
// a client keep its own window on top.
Capabilities CapabilitiesOf(std::string_view platformName);

}  // namespace tintcast::platform::qt
