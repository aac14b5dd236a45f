#pragma once

#include <chrono>

namespace tintcast::platform::session {

// Whether the session bus, where the environment names one, answers a connection
// within the bound. Qt's accessibility bridge connects to it while the first widgets
// are built and waits for each answer up to 25 s: a bus that never answers would keep
// the window from ever appearing.
bool SessionBusAnswers(std::chrono::milliseconds bound);

// Makes Qt find no session bus, at once, in this process.
void AvoidSessionBus();

}  // namespace tintcast::platform::session
