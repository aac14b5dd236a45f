#pragma once

#include <string_view>

namespace tintcast::platform::session {

// Called after the event loop, while the application object still exists. Where the
// program still holds the clipboard, hands the copied text to whoever can keep it once
// the program has ended: wl-copy where the Wayland compositor offers data-control;
// otherwise, under X11, the clipboard manager or else the keeper, a small process that
// serves the text until another program takes the clipboard. Requests for the text are
// answered throughout, the time is bounded, and where nobody takes the text one line on
// stderr says why.
void KeepClipboardAfterExit(std::string_view program, bool waylandDataControl);

}  // namespace tintcast::platform::session
