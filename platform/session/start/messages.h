#pragma once

#include <string>
#include <string_view>

namespace tintcast::platform::session {

// What was known when Qt could not start.
struct StartContext {
    std::string_view x11Display;      // $DISPLAY, or ""
    std::string_view waylandDisplay;  // $WAYLAND_DISPLAY, or ""
    std::string_view displayProblem;  // what Qt's X11 plugin said about the display
    std::string_view pluginProblem;   // what Qt said about the platform plugin it wanted
    std::string_view fatalMessage;    // the fatal message Qt ended with
};

// The one line printed, and the status returned, when Qt cannot start: it names what
// is missing (an X display, a Wayland display, or Qt's Wayland support).
struct StartFailure {
    std::string message;
    int status = 1;
};
StartFailure DescribeStartFailure(std::string_view program, const StartContext& context);

// Takes over Qt's messages for the life of the program. While Qt starts they are held
// back: a failed start is replaced by one line on stderr and status 1. Once
// StartFinished() is called they go out as usual, except that losing the X server ends
// the program with one line and status 1 rather than Qt's exit handlers running against
// a connection that is gone.
void HandleQtMessages(std::string_view program);
void StartFinished();

}  // namespace tintcast::platform::session
