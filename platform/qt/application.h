#pragma once

#include <memory>
#include <string>
#include <string_view>

class QApplication;

namespace tintcast::platform::qt {

struct Identity {
    std::string_view program;  // the executable's name, for messages
    std::string_view name;     // also the X11 window class
    std::string_view organization;
    std::string_view version;
    std::string_view desktopEntry;  // the desktop file's name without ".desktop"
};

// The Qt platform plugin to ask for before Qt starts, or "" to leave Qt its choice.
// Under Wayland with XWayland at hand, X11 is asked for: only there can the window
// be kept above others.
std::string PlatformOverride(bool platformChosen, bool waylandDisplay, bool x11Display);

// The one line printed, and the status returned, when Qt cannot start: no display,
// or no usable platform plugin.
struct StartFailure {
    std::string message;
    int status = 1;
};
StartFailure DescribeStartFailure(std::string_view program, std::string_view displayProblem,
                                  std::string_view fatalMessage);

// Qt's application object with the program's own ways in and out: a start without a
// display fails with one line on stderr and status 1; SIGTERM, SIGINT and SIGHUP
// leave the event loop like closing the window does; and the clipboard text outlives
// the program.
class Application {
public:
    Application(int& argc, char** argv, const Identity& identity);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Runs the event loop; returns the exit status.
    int Run();

private:
    class QuitOnSignals;
    std::string program_;
    std::unique_ptr<QApplication> app_;
    std::unique_ptr<QuitOnSignals> signals_;
};

}  // namespace tintcast::platform::qt
