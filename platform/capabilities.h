#pragma once

#include <string_view>

namespace tintcast::platform {

// Why the window cannot be kept on top on this window system. It is the tooltip of a
// control that would keep it there, and the failure SetTopmost reports.
inline constexpr std::string_view kNoTopmostReason =
    "This window system does not let a program keep its window above others.";

// What the window system lets a program do beyond drawing its window.
struct Capabilities {
    bool topmost = true;  // SetTopmost can keep the window above others
};

}  // namespace tintcast::platform
