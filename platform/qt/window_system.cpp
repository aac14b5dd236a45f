#include "platform/qt/window_system.h"

namespace tintcast::platform::qt {

std::string PlatformOverride(bool platformChosen, bool waylandDisplay, bool x11Display) {
    return !platformChosen && waylandDisplay && x11Display ? "xcb" : "";
}

Capabilities CapabilitiesOf(std::string_view platformName) {
    return {.topmost = !platformName.starts_with("wayland")};
}

}  // namespace tintcast::platform::qt
