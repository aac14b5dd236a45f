#pragma once

#include <string_view>

namespace tintcast::platform::session {

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

}  // namespace tintcast::platform::session
