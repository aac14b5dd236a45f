#pragma once

#include <string_view>

namespace tintcast::platform::qt {

// From now on, when the X server goes away under the running program, it ends with
// one line on stderr and status 1, as a start without a display does. Qt's own way
// out prints its message and runs exit handlers against a connection that is gone.
void EndQuietlyWhenDisplayIsLost(std::string_view program);

}  // namespace tintcast::platform::qt
