#pragma once

class QString;

namespace tintcast::platform::qt {

// Called after the event loop, while the application object still exists. Where the
// program owns the clipboard and no clipboard manager runs, starts the keeper, a
// small process that serves the text until another program takes the clipboard.
// Where a manager runs, the application object hands the text over as it ends.
void KeepClipboardAfterExit();

// Whether the clipboard now holds this text put there by this program. Under X11 the
// server is asked who owns it: QClipboard::ownsClipboard() stays true after a take
// that the server ignored because another program had copied at a later time.
// Elsewhere ownership is not reported, so the text is read back.
bool ClipboardHolds(const QString& text);

}  // namespace tintcast::platform::qt
