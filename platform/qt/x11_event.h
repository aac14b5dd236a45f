#pragma once

#include <cstdint>

#include <xcb/xcb.h>
#include <QByteArray>
#include <QGuiApplication>

namespace tintcast::platform::qt {

// The X connection Qt draws on; null without an application or on another window
// system.
inline xcb_connection_t* X11Connection() {
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                                   : nullptr;
    return x11 != nullptr ? x11->connection() : nullptr;
}

// What Qt hands a native event filter, as an X event of the given kind (an xcb
// response type such as XCB_SELECTION_NOTIFY); null for any other event, or for
// another window system's. The high bit marks an event another client sent.
template <typename Event>
const Event* AsX11Event(const QByteArray& type, void* message, std::uint8_t kind) {
    if (type != "xcb_generic_event_t") {
        return nullptr;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    return (event->response_type & 0x7F) == kind ? reinterpret_cast<const Event*>(event) : nullptr;
}

}  // namespace tintcast::platform::qt
