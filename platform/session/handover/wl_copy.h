#pragma once

#include <optional>
#include <string>

namespace tintcast::platform::session {

// Starts wl-copy with the text and waits, bounded, until a Wayland reader gets the
// same text back; returns why not, or nothing when it does. Requests for the text that
// reach the program meanwhile are answered.
std::optional<std::string> HandToWlCopy(const std::string& text);

}  // namespace tintcast::platform::session
