#pragma once

#include <string>
#include <string_view>

#include "platform/capabilities.h"

namespace tintcast::platform::session {

// What the session says before Qt starts: the environment, and what the Wayland
// compositor's registry offers.
struct SessionFacts {
    bool platformChosen = false;  // QT_QPA_PLATFORM is set: the person's choice
    bool waylandDisplay = false;
    bool x11Display = false;
    int outputScale = 1;             // the largest of the outputs' scales
    bool serverDecorations = false;  // the compositor draws the windows' frames
};

// What the X server beside the compositor (XWayland) says.
struct X11Facts {
    int xftDpi = 0;  // Xft.dpi in the server's resources; 0 where there is none
    bool managerSupportsAbove = false;
};

struct StartChoice {
    std::string platform;  // the Qt platform plugin to ask for, or "" to leave Qt its choice
    bool clientDecorations = true;  // whether Qt draws the window's frame itself
};

// Whether the outputs' scales decide anything: only where Qt could be asked for
// either platform.
bool OutputScalesMatter(const SessionFacts& session);

// Whether the X side decides anything: only on a scaled output, where X11 programs
// are stretched unless the compositor lets them scale themselves. Asking X anywhere
// else would wake an XWayland that starts lazily.
bool X11FactsMatter(const SessionFacts& session);

// The one decision at start. The person's QT_QPA_PLATFORM wins. Under Wayland with
// XWayland at hand, X11 is asked for at scale 1 (there the window can be kept above
// others) and on a scaled output only where X11 programs scale themselves and the
// window manager can keep a window above: elsewhere a compositor stretches an X11
// window's 1x bitmap, while Qt draws a Wayland window at the output's resolution.
// With Wayland alone, Wayland is asked for, so that a missing plugin is named rather
// than an X display that was never there. Where the compositor draws the frames,
// Qt draws none: it would load a GL driver only to find that out.
StartChoice ChooseStart(const SessionFacts& session, const X11Facts& x11);

// What the window system behind a Qt platform plugin allows. No Wayland protocol lets
// a client keep its own window on top; under X11 only a window manager that lists
// _NET_WM_STATE_ABOVE among the hints it supports does so.
Capabilities CapabilitiesOf(std::string_view platformName, bool managerSupportsAbove);

}  // namespace tintcast::platform::session
