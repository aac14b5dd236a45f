#include "platform/session/handover/selection_conversion.h"

#include <cstdlib>

#include <QByteArray>
#include <QCoreApplication>

#include "platform/qt/x11_event.h"
#include "platform/x11/selection.h"

namespace tintcast::platform::session {

using qt::AsX11Event;

namespace {

// The clipboard holds a line of text; anything longer is not what was copied.
constexpr std::uint32_t kMaxValueWords = 1024;

}  // namespace

SelectionConversion::SelectionConversion(xcb_connection_t* connection, xcb_atom_t selection,
                                         xcb_atom_t target)
    : connection_(connection),
      selection_(selection),
      property_(x11::Intern(connection, "_TINTCAST_CONVERSION")) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    requestor_ = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, requestor_, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    QCoreApplication::instance()->installNativeEventFilter(this);
    xcb_convert_selection(connection, requestor_, selection, target, property_, XCB_CURRENT_TIME);
    xcb_flush(connection);
}

SelectionConversion::~SelectionConversion() {
    QCoreApplication::instance()->removeNativeEventFilter(this);
    xcb_destroy_window(connection_, requestor_);
    xcb_flush(connection_);
}

SelectionConversion::State SelectionConversion::state() const {
    if (state_ == State::Waiting &&
        x11::SelectionOwner(connection_, selection_) == XCB_WINDOW_NONE) {
        return State::Refused;
    }
    return state_;
}

std::optional<std::string> SelectionConversion::value() const {
    if (state_ != State::Done) {
        return std::nullopt;
    }
    auto* reply =
        xcb_get_property_reply(connection_,
                               xcb_get_property(connection_, 1, requestor_, property_,
                                                XCB_GET_PROPERTY_TYPE_ANY, 0, kMaxValueWords),
                               nullptr);
    std::optional<std::string> value;
    if (reply != nullptr && reply->format == 8 && reply->bytes_after == 0) {
        value.emplace(static_cast<const char*>(xcb_get_property_value(reply)),
                      static_cast<std::size_t>(xcb_get_property_value_length(reply)));
    }
    std::free(reply);
    return value;
}

bool SelectionConversion::nativeEventFilter(const QByteArray& type, void* message,
                                            qintptr* /*result*/) {
    const auto* notify =
        AsX11Event<xcb_selection_notify_event_t>(type, message, XCB_SELECTION_NOTIFY);
    if (notify == nullptr || notify->requestor != requestor_) {
        return false;
    }
    state_ = notify->property == XCB_ATOM_NONE ? State::Refused : State::Done;
    return true;
}

}  // namespace tintcast::platform::session
