#pragma once

// What the clipboard keeper may still do once it has its X connection: any client on
// the display can talk to it for as long as it runs.
namespace tintcast::platform::x11 {

// Leaves the process holding only the connection and standard output (for its one
// answer; standard input and error go to /dev/null), in a session of its own, with
// no way to gain privileges, and allowed only the system calls that serving over the
// connection takes; any other ends it. False when a step failed.
bool ConfineKeeper(int connection);

}  // namespace tintcast::platform::x11
