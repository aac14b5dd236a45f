#pragma once

namespace tintcast::platform::qt {

// Called after the event loop, while the application object still exists. Where the
// program owns the clipboard and no clipboard manager runs, starts the keeper, a
// small process that serves the text until another program takes the clipboard.
// Where a manager runs, the application object hands the text over as it ends.
void KeepClipboardAfterExit();

// Whether the X server names a window of this program as the clipboard's owner.
// QClipboard::ownsClipboard() cannot tell: it stays true after a take that the
// server ignored because another program had taken the clipboard at a later time.
// Elsewhere than under X11, QClipboard::ownsClipboard().
bool ClipboardOwnedOnServer();

}  // namespace tintcast::platform::qt
