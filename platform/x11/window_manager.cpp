#include "platform/x11/window_manager.h"

#include <cstdlib>

namespace tintcast::platform::x11 {

bool ManagerSupports(xcb_connection_t* connection, xcb_window_t root, xcb_atom_t supported,
                     xcb_atom_t hint) {
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(connection, 0, root, supported, XCB_ATOM_ATOM, 0, 4096);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
    if (reply == nullptr) {
        return false;
    }
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
    const int count = reply->format == 32 ? xcb_get_property_value_length(reply) / 4 : 0;
    bool found = false;
    for (int i = 0; i < count && !found; ++i) {
        found = atoms[i] == hint;
    }
    std::free(reply);
    return found;
}

}  // namespace tintcast::platform::x11
