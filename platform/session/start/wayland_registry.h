#pragma once

#include <chrono>

namespace tintcast::platform::session {

// Whether the Wayland compositor named by $WAYLAND_DISPLAY offers the wlr data-control
// protocol, which lets a process without a window own the clipboard. False without a
// Wayland display or when it does not answer in time.
bool WaylandOffersDataControl(std::chrono::milliseconds wait = std::chrono::milliseconds(1000));

}  // namespace tintcast::platform::session
