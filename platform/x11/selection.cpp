#include "platform/x11/selection.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace tintcast::platform::x11 {

xcb_atom_t Intern(xcb_connection_t* connection, std::string_view name) {
    const auto cookie =
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.data());
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

xcb_window_t SelectionOwner(xcb_connection_t* connection, xcb_atom_t selection) {
    auto* reply = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, selection), nullptr);
    const xcb_window_t owner = reply != nullptr ? reply->owner : xcb_window_t{XCB_WINDOW_NONE};
    std::free(reply);
    return owner;
}

bool CreatedBy(xcb_connection_t* connection, xcb_window_t window) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    return window != XCB_WINDOW_NONE &&
           (window & ~setup->resource_id_mask) == setup->resource_id_base;
}

void SendSelectionNotify(xcb_connection_t* connection, const xcb_selection_request_event_t& request,
                         xcb_atom_t property) {
    xcb_selection_notify_event_t notify = {};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = property;
    // xcb_send_event always sends 32 bytes; the struct has 24.
    char event[32] = {};
    static_assert(sizeof notify <= sizeof event);
    std::memcpy(event, &notify, sizeof notify);
    xcb_send_event(connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT, event);
}

}  // namespace tintcast::platform::x11
