#include "platform/session/start/platform_choice.h"

namespace tintcast::platform::session {

std::string PlatformOverride(bool platformChosen, bool waylandDisplay, bool x11Display) {
    if (platformChosen || !waylandDisplay) {
        return "";
    }
    return x11Display ? "xcb" : "wayland";
}

Capabilities CapabilitiesOf(std::string_view platformName, bool managerSupportsAbove) {
    if (platformName.starts_with("wayland")) {
        return {.topmost = false};
    }
    if (platformName == "xcb") {
        return {.topmost = managerSupportsAbove};
    }
    return {.topmost = true};
}

}  // namespace tintcast::platform::session
