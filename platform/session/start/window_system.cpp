#include "platform/session/start/window_system.h"

#include <string>
#include <utility>

#include <xcb/xcb.h>
#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>

#include "platform/qt/x11_event.h"
#include "platform/session/start/platform_choice.h"
#include "platform/x11/selection.h"
#include "platform/x11/window_manager.h"

namespace tintcast::platform::session {

using qt::AsX11Event;
using qt::X11Connection;

// Under X11, reads _NET_SUPPORTED from the root window and reads it again whenever a
// window manager sets it anew. Qt listens to the root window's property changes
// itself (it follows the same list), so its events are only looked at, on their way.
class WindowSystem::RootWatch final : public QAbstractNativeEventFilter {
public:
    RootWatch() : platform_(QGuiApplication::platformName().toStdString()) {
        connection_ = platform_ == "xcb" ? X11Connection() : nullptr;
        if (connection_ != nullptr) {
            root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
            supported_ = x11::Intern(connection_, "_NET_SUPPORTED");
            above_ = x11::Intern(connection_, "_NET_WM_STATE_ABOVE");
            QCoreApplication::instance()->installNativeEventFilter(this);
        }
        Read();
    }
    ~RootWatch() override {
        if (connection_ != nullptr && QCoreApplication::instance() != nullptr) {
            QCoreApplication::instance()->removeNativeEventFilter(this);
        }
    }
    RootWatch(const RootWatch&) = delete;
    RootWatch& operator=(const RootWatch&) = delete;

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* /*result*/) override {
        // Deletions are left alone: a server that ends deletes every property on its way
        // out, and a window manager that starts sets the list anew.
        const auto* notify =
            AsX11Event<xcb_property_notify_event_t>(type, message, XCB_PROPERTY_NOTIFY);
        if (notify != nullptr && notify->window == root_ && notify->atom == supported_ &&
            notify->state == XCB_PROPERTY_NEW_VALUE) {
            const bool before = capabilities_.topmost;
            Read();
            if (capabilities_.topmost != before && changed_) {
                changed_(capabilities_);
            }
        }
        return false;  // Qt handles the event as well
    }

    Capabilities capabilities_;
    Changed changed_;

private:
    void Read() {
        const bool above =
            connection_ != nullptr && x11::ManagerSupports(connection_, root_, supported_, above_);
        capabilities_ = CapabilitiesOf(platform_, above);
    }

    std::string platform_;
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = XCB_WINDOW_NONE;
    xcb_atom_t supported_ = XCB_ATOM_NONE;
    xcb_atom_t above_ = XCB_ATOM_NONE;
};

WindowSystem::WindowSystem() : watch_(std::make_unique<RootWatch>()) {}

WindowSystem::~WindowSystem() = default;

Capabilities WindowSystem::capabilities() const {
    return watch_->capabilities_;
}

void WindowSystem::OnChange(Changed changed) {
    watch_->changed_ = std::move(changed);
}

}  // namespace tintcast::platform::session
