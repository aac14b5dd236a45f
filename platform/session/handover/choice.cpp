#include "platform/session/handover/choice.h"

namespace tintcast::platform::session {

Handover ChooseHandover(std::string_view platformName, bool waylandDataControl) {
    const bool x11 = platformName == "xcb";
    const bool wayland = platformName.starts_with("wayland");
    if ((x11 || wayland) && waylandDataControl) {
        return Handover::WlCopy;
    }
    if (x11) {
        return Handover::X11;
    }
    return wayland ? Handover::Compositor : Handover::None;
}

}  // namespace tintcast::platform::session
