#include "platform/qt/quit_on_signals.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>

#include <QCoreApplication>
#include <QSocketNotifier>

namespace tintcast::platform::qt {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
volatile std::sig_atomic_t writeEnd = -1;

}  // namespace

// Signal handlers may only write to a pipe; the event loop reads it and quits.
QuitOnSignals::QuitOnSignals() {
    if (pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    writeEnd = fds_[1];
    notifier_ = std::make_unique<QSocketNotifier>(fds_[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] {
        char drained[16];
        while (read(fds_[0], drained, sizeof drained) > 0) {
        }
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = &QuitOnSignals::OnSignal;
    sigemptyset(&action.sa_mask);
    // A second signal, while the program is already on its way out, ends it at once.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int signal : kSignals) {
        sigaction(signal, &action, nullptr);
    }
}

QuitOnSignals::~QuitOnSignals() {
    for (const int signal : kSignals) {
        std::signal(signal, SIG_DFL);
    }
    writeEnd = -1;
    notifier_.reset();
    if (fds_[0] >= 0) {
        close(fds_[0]);
        close(fds_[1]);
    }
}

void QuitOnSignals::OnSignal(int signal) {
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    if (writeEnd >= 0) {
        [[maybe_unused]] const ssize_t written = write(writeEnd, &byte, 1);
    }
    errno = saved;
}

}  // namespace tintcast::platform::qt
