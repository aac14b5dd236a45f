#pragma once

#include <csignal>
#include <iterator>
#include <memory>

#include <QObject>

class QSocketNotifier;

namespace tintcast::platform::session {

// Once the first window is on screen, SIGTERM, SIGINT and SIGHUP leave the event loop
// as closing the window does, so that the program ends in order; a second one ends it
// at once. Before that they keep their usual effect and end the program: a start that
// stalls must not swallow them. A signal ignored when the program started (nohup, or a
// shell's background job) stays ignored.
class QuitOnSignals final : public QObject {
public:
    QuitOnSignals();
    ~QuitOnSignals() override;
    QuitOnSignals(const QuitOnSignals&) = delete;
    QuitOnSignals& operator=(const QuitOnSignals&) = delete;

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static void OnSignal(int signal);
    void Install();

    int fds_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
    bool installed_ = false;
    static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
    struct sigaction previous_[std::size(kSignals)] = {};
};

}  // namespace tintcast::platform::session
