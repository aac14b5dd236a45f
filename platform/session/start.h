#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "platform/capabilities.h"

namespace tintcast::platform::session {

class MultipleGuard;
class QuitOnSignals;
class WindowSystem;

// What the start learnt of the session that the program needs again later.
struct Prepared {
    // Whether the Wayland compositor, if any, lets a process without a window own the
    // clipboard (the wlr data-control protocol), which is how the copy can outlive
    // the program there.
    bool waylandDataControl = false;
};

// Prepares the Linux desktop session for Qt, before the application object exists:
// the window system to ask Qt for (under Wayland, XWayland where it is at hand and
// sharp, and whether Qt draws the window's frame), a session bus that does not answer
// kept from holding the start back, and Qt's messages taken over, so that a start
// without a display ends with one line naming what is missing and status 1. The
// Wayland compositor is asked once, here.
Prepared PrepareStart(int argc, char** argv, std::string_view program);

// The session once the application object exists: Qt's messages go out as usual, a
// lost display ends the program with one line, SIGTERM, SIGINT and SIGHUP leave the
// event loop in order, what the window system allows is followed as it changes, and
// under X11 a reader's request for several targets at once is checked before Qt
// answers it.
class Session {
public:
    using Changed = std::function<void(const Capabilities&)>;

    explicit Session(const Prepared& prepared);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Capabilities capabilities() const;
    // Called after each change of the capabilities, with the new ones.
    void OnCapabilitiesChanged(Changed changed);

    // As the start found it: see Prepared.
    bool WaylandOffersDataControl() const;

private:
    Prepared prepared_;
    std::unique_ptr<QuitOnSignals> signals_;
    std::unique_ptr<WindowSystem> windowSystem_;
    std::unique_ptr<MultipleGuard> multipleGuard_;
};

}  // namespace tintcast::platform::session
