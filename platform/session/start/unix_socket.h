#pragma once

#include <chrono>
#include <string_view>

namespace tintcast::platform::session {

// The session's two services asked before Qt starts, the bus and the Wayland
// compositor, are asked over plain Unix sockets, each within a bound: their own
// libraries would wait for an answer without one.

// Connects a non-blocking stream socket to the socket at the path, or to the abstract
// name when abstract is set. Returns the descriptor, or -1 with errno set; EAGAIN means
// the listener's queue is full.
int ConnectUnixSocket(std::string_view path, bool abstract = false);

// Whether anything (data, an error, the end) comes from the socket before the deadline.
bool ReadableBefore(int fd, std::chrono::steady_clock::time_point deadline);

}  // namespace tintcast::platform::session
