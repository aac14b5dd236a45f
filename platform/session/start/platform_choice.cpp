#include "platform/session/start/platform_choice.h"

namespace tintcast::platform::session {

namespace {

constexpr int kBaseDpi = 96;

// A compositor that lets X11 programs scale themselves tells them its scale through
// Xft.dpi, 96 per unit; it reports the same scale on wl_output rounded up to a whole
// number (150 % as 2).
bool X11ProgramsScaleThemselves(int xftDpi, int outputScale) {
    return xftDpi > kBaseDpi * (outputScale - 1);
}

}  // namespace

bool OutputScalesMatter(const SessionFacts& session) {
    return !session.platformChosen && session.waylandDisplay && session.x11Display;
}

bool X11FactsMatter(const SessionFacts& session) {
    return OutputScalesMatter(session) && session.outputScale > 1;
}

StartChoice ChooseStart(const SessionFacts& session, const X11Facts& x11) {
    StartChoice choice{.clientDecorations = !session.serverDecorations};
    if (session.platformChosen || !session.waylandDisplay) {
        return choice;
    }
    // On a scaled output X11 is worth it only where it is sharp and buys Stay On Top.
    const bool x11Worth =
        session.outputScale <= 1 ||
        (X11ProgramsScaleThemselves(x11.xftDpi, session.outputScale) && x11.managerSupportsAbove);
    choice.platform = session.x11Display && x11Worth ? "xcb" : "wayland";
    return choice;
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
