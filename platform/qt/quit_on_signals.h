#pragma once

#include <memory>

class QSocketNotifier;

namespace tintcast::platform::qt {

// While it exists, SIGTERM, SIGINT and SIGHUP leave the event loop as closing the
// window does, so that the program ends in order; a second one ends it at once.
class QuitOnSignals {
public:
    QuitOnSignals();
    ~QuitOnSignals();
    QuitOnSignals(const QuitOnSignals&) = delete;
    QuitOnSignals& operator=(const QuitOnSignals&) = delete;

private:
    static void OnSignal(int signal);

    int fds_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace tintcast::platform::qt
