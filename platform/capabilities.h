#pragma once

namespace tintcast::platform {

// What the window system lets a program do beyond drawing its window.
struct Capabilities {
    bool topmost = true;  // SetTopmost can keep the window above others
};

}  // namespace tintcast::platform
