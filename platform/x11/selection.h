#pragma once

#include <string_view>

#include <xcb/xcb.h>

// Small X11 protocol helpers shared by the Qt binding and the clipboard keeper.
namespace tintcast::platform::x11 {

// The atom of a name, interned if new; XCB_ATOM_NONE when the server does not answer.
xcb_atom_t Intern(xcb_connection_t* connection, std::string_view name);

// The window that owns a selection, or XCB_WINDOW_NONE.
xcb_window_t SelectionOwner(xcb_connection_t* connection, xcb_atom_t selection);

// True when the window was created by this connection.
bool CreatedBy(xcb_connection_t* connection, xcb_window_t window);

// Answers a SelectionRequest: the value is in property, or XCB_ATOM_NONE refuses. The
// event goes out as the full 32 bytes the server sends, zeroed beyond its fields.
void SendSelectionNotify(xcb_connection_t* connection, const xcb_selection_request_event_t& request,
                         xcb_atom_t property);

}  // namespace tintcast::platform::x11
