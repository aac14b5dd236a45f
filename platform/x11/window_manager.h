#pragma once

#include <xcb/xcb.h>

namespace tintcast::platform::x11 {

// Whether the window manager lists the hint among those it supports: the atoms of
// the root window's supported property (_NET_SUPPORTED).
bool ManagerSupports(xcb_connection_t* connection, xcb_window_t root, xcb_atom_t supported,
                     xcb_atom_t hint);

}  // namespace tintcast::platform::x11
