#include "platform/session/start/multiple_guard.h"

#include <cstdlib>

#include <QCoreApplication>
#include <QGuiApplication>

#include "platform/qt/x11_event.h"
#include "platform/x11/selection.h"

namespace tintcast::platform::session {

using qt::AsX11Event;
using qt::X11Connection;

namespace {

// A list of atom pairs as Qt reads it: format 32, whole pairs only.
bool HoldsWholePairs(xcb_connection_t* connection, const xcb_selection_request_event_t& request) {
    if (request.property == XCB_ATOM_NONE) {
        return false;
    }
    const xcb_get_property_cookie_t cookie = xcb_get_property(
        connection, 0, request.requestor, request.property, XCB_GET_PROPERTY_TYPE_ANY, 0, 0);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
    const bool whole = reply != nullptr && reply->type != XCB_ATOM_NONE && reply->format == 32 &&
                       reply->bytes_after % (2 * sizeof(xcb_atom_t)) == 0;
    std::free(reply);
    return whole;
}

}  // namespace

MultipleGuard::MultipleGuard() {
    connection_ = QGuiApplication::platformName() == "xcb" ? X11Connection() : nullptr;
    if (connection_ == nullptr) {
        return;
    }
    multiple_ = x11::Intern(connection_, "MULTIPLE");
    // The next event releases the server; the timer does when none comes.
    release_.setSingleShot(true);
    release_.setInterval(0);
    QObject::connect(&release_, &QTimer::timeout, &release_, [this] { Release(); });
    QCoreApplication::instance()->installNativeEventFilter(this);
}

MultipleGuard::~MultipleGuard() {
    if (connection_ != nullptr && QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeNativeEventFilter(this);
    }
    Release();
}

bool MultipleGuard::nativeEventFilter(const QByteArray& type, void* message, qintptr* /*result*/) {
    // Qt handles one event before the filters see the next.
    Release();
    const auto* request =
        AsX11Event<xcb_selection_request_event_t>(type, message, XCB_SELECTION_REQUEST);
    if (request == nullptr || request->target != multiple_ || multiple_ == XCB_ATOM_NONE) {
        return false;
    }
    xcb_grab_server(connection_);
    if (!HoldsWholePairs(connection_, *request)) {
        x11::SendSelectionNotify(connection_, *request, XCB_ATOM_NONE);
        xcb_ungrab_server(connection_);
        xcb_flush(connection_);
        return true;  // refused: Qt never sees it
    }
    grabbed_ = true;
    release_.start();
    return false;
}

void MultipleGuard::Release() {
    if (grabbed_) {
        xcb_ungrab_server(connection_);
        xcb_flush(connection_);
        grabbed_ = false;
    }
}

}  // namespace tintcast::platform::session
