#pragma once

#include <functional>
#include <memory>

#include "platform/capabilities.h"

namespace tintcast::platform::session {

// The capabilities of the running application's window system, kept up to date: under
// X11 a window manager that starts or restarts changes what it supports.
class WindowSystem {
public:
    using Changed = std::function<void(const Capabilities&)>;

    WindowSystem();
    ~WindowSystem();
    WindowSystem(const WindowSystem&) = delete;
    WindowSystem& operator=(const WindowSystem&) = delete;

    Capabilities capabilities() const;
    // Called after each change, with the new capabilities.
    void OnChange(Changed changed);

private:
    class RootWatch;
    std::unique_ptr<RootWatch> watch_;
};

}  // namespace tintcast::platform::session
