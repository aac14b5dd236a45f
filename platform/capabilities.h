#pragma once

#include <string_view>

namespace tintcast::platform {

// Said where the window system cannot keep a window on top: the tooltip of a control
// that would, and the failure of SetTopmost.
inline constexpr std::string_view kNoTopmostReason =
    "This window system does not let a program keep its window above others.";

// What the window system lets a program do beyond drawing its window.
struct Capabilities {
    bool topmost = true;  // SetTopmost can keep the window above others
};

}  // namespace tintcast::platform
