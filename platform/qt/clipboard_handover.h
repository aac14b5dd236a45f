#pragma once

#include <string_view>

class QString;

namespace tintcast::platform::qt {

// Called after the event loop, while the application object still exists. Where the
// program owns the clipboard, hands the text to the clipboard manager, or where none
// takes it, to the keeper, a small process that serves it until another program
// takes the clipboard. Clipboard requests are answered throughout. The time is
// bounded; if neither takes the text, one line on stderr says so.
void KeepClipboardAfterExit(std::string_view program);

// Whether the clipboard now holds this text put there by this program. Under X11 the
// server is asked who owns it: QClipboard::ownsClipboard() stays true after a take
// that the server ignored because another program had copied at a later time.
// Elsewhere ownership is not reported, so the text is read back.
bool ClipboardHolds(const QString& text);

}  // namespace tintcast::platform::qt
