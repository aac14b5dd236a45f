#pragma once

#include <memory>
#include <string_view>

class QApplication;

namespace tintcast::platform::qt {

struct Identity {
    std::string_view name;  // also the X11 window class
    std::string_view organization;
    std::string_view version;
    std::string_view desktopEntry;  // the desktop file's name without ".desktop"
};

// Qt's application object, named after the program, and its event loop.
class Application {
public:
    Application(int& argc, char** argv, const Identity& identity);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Runs the event loop until the program ends; returns its exit status.
    int Run();

private:
    std::unique_ptr<QApplication> app_;
};

}  // namespace tintcast::platform::qt
