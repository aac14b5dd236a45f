#include "platform/session/start/quit_on_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>
#include <QWindow>

namespace tintcast::platform::session {

namespace {

volatile std::sig_atomic_t writeEnd = -1;

}  // namespace

// Signal handlers may only write to a pipe; the event loop reads it and quits.
QuitOnSignals::QuitOnSignals() {
    if (pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(fds_[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] {
        char drained[16];
        while (read(fds_[0], drained, sizeof drained) > 0) {
        }
        QCoreApplication::quit();
    });
    QCoreApplication::instance()->installEventFilter(this);
}

QuitOnSignals::~QuitOnSignals() {
    if (installed_) {
        for (std::size_t i = 0; i < std::size(kSignals); ++i) {
            sigaction(kSignals[i], &previous_[i], nullptr);
        }
    }
    writeEnd = -1;
    notifier_.reset();
    if (fds_[0] >= 0) {
        close(fds_[0]);
        close(fds_[1]);
    }
}

bool QuitOnSignals::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Expose && watched->isWindowType() &&
        static_cast<QWindow*>(watched)->isExposed()) {
        QCoreApplication::instance()->removeEventFilter(this);
        Install();
    }
    return false;
}

void QuitOnSignals::Install() {
    writeEnd = fds_[1];
    struct sigaction action = {};
    action.sa_handler = &QuitOnSignals::OnSignal;
    sigemptyset(&action.sa_mask);
    // A second signal, while the program is already on its way out, ends it at once.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        sigaction(kSignals[i], nullptr, &previous_[i]);
        if (previous_[i].sa_handler != SIG_IGN) {
            sigaction(kSignals[i], &action, nullptr);
        }
    }
    installed_ = true;
}

void QuitOnSignals::OnSignal(int signal) {
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    if (writeEnd >= 0) {
        [[maybe_unused]] const ssize_t written = write(writeEnd, &byte, 1);
    }
    errno = saved;
}

}  // namespace tintcast::platform::session
