#pragma once

#include <string_view>

namespace tintcast::platform::qt {

// Who keeps the copied text once the program has ended.
enum class Handover {
    X11,         // the X clipboard manager, or else the program's own keeper
    WlCopy,      // wl-copy, through the compositor's data-control protocol
    Compositor,  // nobody the program can ask: only a compositor that keeps it
    None,        // no clipboard that outlives programs (offscreen and the like)
};

// With data-control, wl-copy serves Wayland readers and, through the compositor's own
// bridge, X readers too; an X keeper there is seen by X readers alone.
Handover ChooseHandover(std::string_view platformName, bool waylandDataControl);

// Hands the text the clipboard holds, if this program put it there, over as chosen
// (not Handover::X11); where nobody takes it, one line on stderr says so. Returns false
// when wl-copy failed under XWayland: the X11 hand-off is then to be tried.
bool HandOverWithoutX11(std::string_view program, Handover how);

}  // namespace tintcast::platform::qt
