#pragma once

#include <chrono>

#include <QCoreApplication>
#include <QTimer>

namespace tintcast::platform::session {

// Handles the program's events, clipboard requests among them, until done() holds
// or the deadline passes; returns done(). The hand-offs at exit wait this way so that
// no reader is left waiting meanwhile.
template <typename Done>
bool ServeUntil(std::chrono::steady_clock::time_point deadline, Done done) {
    using namespace std::chrono_literals;
    QTimer tick;  // wakes the wait to look at done() again
    tick.start(10ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

}  // namespace tintcast::platform::session
