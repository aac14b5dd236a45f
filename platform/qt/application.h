#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/qt/window_system.h"

class QApplication;

namespace tintcast::platform::qt {

class QuitOnSignals;

struct Identity {
    std::string_view program;  // the executable's name, for messages
    std::string_view name;     // also the X11 window class
    std::string_view organization;
    std::string_view version;
    std::string_view desktopEntry;  // the desktop file's name without ".desktop"
};

// Qt's application object with the program's own ways in and out: a start without a
// display fails with one line on stderr and status 1; SIGTERM, SIGINT and SIGHUP
// leave the event loop like closing the window does; and the clipboard text outlives
// the program. Under Wayland it chooses XWayland where it can.
class Application {
public:
    Application(int& argc, char** argv, const Identity& identity);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // What the window system it started on allows; the forms it runs are given this,
    // and told of changes through OnCapabilitiesChanged.
    Capabilities capabilities() const;
    void OnCapabilitiesChanged(WindowSystem::Changed changed);

    // Runs the event loop; returns the exit status.
    int Run();

private:
    std::string program_;
    std::unique_ptr<QApplication> app_;
    std::unique_ptr<QuitOnSignals> signals_;
    std::unique_ptr<WindowSystem> windowSystem_;
};

}  // namespace tintcast::platform::qt
