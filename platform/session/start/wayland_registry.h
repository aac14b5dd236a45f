#pragma once

#include <chrono>

namespace tintcast::platform::session {

// What the Wayland compositor named by $WAYLAND_DISPLAY offers that the program asks
// about.
struct WaylandRegistry {
    // The wlr data-control protocol, which lets a process without a window own the
    // clipboard.
    bool dataControl = false;
    // The xdg-decoration protocol: the compositor draws the windows' frames.
    bool serverDecorations = false;
    // The largest of the outputs' scales (wl_output.scale); 1 unless asked for.
    int outputScale = 1;
};

// Asks the compositor, within the bound: one round trip for its globals and, where
// outputScales is set, one more to bind each output and hear its scale. Without a
// Wayland display, or where the answer does not come in time, what was heard by then.
WaylandRegistry ReadWaylandRegistry(
    bool outputScales, std::chrono::milliseconds wait = std::chrono::milliseconds(1000));

}  // namespace tintcast::platform::session
