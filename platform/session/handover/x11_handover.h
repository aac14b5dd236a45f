#pragma once

#include <optional>
#include <string>

#include <xcb/xcb.h>

namespace tintcast::platform::session {

// The X11 ways to keep the copied text. Each answers the requests that reach the
// program while it waits, and each wait is bounded.

// Hands the text to the clipboard manager that owns CLIPBOARD_MANAGER. Its word alone
// is not enough, since some answer "saved" and keep nothing: true once the clipboard's
// new owner serves the same text.
bool HandToManager(xcb_connection_t* connection, const std::string& text);

// Starts the keeper, which takes the clipboard over from the program's window and
// serves the text until another program copies. Returns why it does not, or nothing
// when it does or when another program took the clipboard meanwhile.
std::optional<std::string> HandToKeeper(xcb_connection_t* connection, const std::string& text);

// Gives up the selections the program still owns, on the server and in Qt alike, once
// the requests that came before are answered.
void ReleaseSelections(xcb_connection_t* connection);

}  // namespace tintcast::platform::session
