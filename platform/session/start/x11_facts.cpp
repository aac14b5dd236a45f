#include "platform/session/start/x11_facts.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <xcb/xcb.h>

#include "platform/x11/selection.h"
#include "platform/x11/window_manager.h"

namespace tintcast::platform::session {

namespace {

// Ample for the resources a desktop sets; Xft.dpi is among the first of them.
constexpr std::uint32_t kResourceWords = 16384;

std::string Resources(xcb_connection_t* connection, xcb_window_t root) {
    const xcb_get_property_cookie_t cookie = xcb_get_property(
        connection, 0, root, XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING, 0, kResourceWords);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
    if (reply == nullptr) {
        return {};
    }
    std::string text(static_cast<const char*>(xcb_get_property_value(reply)),
                     static_cast<std::size_t>(xcb_get_property_value_length(reply)));
    std::free(reply);
    return text;
}

}  // namespace

int XftDpi(std::string_view resources) {
    constexpr std::string_view kName = "Xft.dpi:";
    while (!resources.empty()) {
        const std::size_t end = resources.find('\n');
        std::string_view line = resources.substr(0, end);
        resources = end == std::string_view::npos ? std::string_view{} : resources.substr(end + 1);
        if (!line.starts_with(kName)) {
            continue;
        }
        line.remove_prefix(kName.size());
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
            line.remove_prefix(1);
        }
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) {
            line.remove_suffix(1);
        }
        int dpi = 0;
        const auto [last, error] = std::from_chars(line.data(), line.data() + line.size(), dpi);
        return error == std::errc{} && last == line.data() + line.size() && dpi > 0 ? dpi : 0;
    }
    return 0;
}

X11Facts ReadX11Facts() {
    X11Facts facts;
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection) == 0) {
        xcb_screen_iterator_t screen = xcb_setup_roots_iterator(xcb_get_setup(connection));
        for (int i = 0; i < screenNumber && screen.rem > 0; ++i) {
            xcb_screen_next(&screen);
        }
        if (screen.rem > 0) {
            const xcb_window_t root = screen.data->root;
            facts.xftDpi = XftDpi(Resources(connection, root));
            facts.managerSupportsAbove =
                x11::ManagerSupports(connection, root, x11::Intern(connection, "_NET_SUPPORTED"),
                                     x11::Intern(connection, "_NET_WM_STATE_ABOVE"));
        }
    }
    xcb_disconnect(connection);
    return facts;
}

}  // namespace tintcast::platform::session
