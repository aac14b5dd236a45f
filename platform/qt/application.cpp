#include "platform/qt/application.h"

#include <pthread.h>
#include <sys/resource.h>

#include <chrono>
#include <string>
#include <string_view>
#include <utility>

#include <QApplication>

#include "platform/qt/clipboard_handover.h"
#include "platform/qt/conversions.h"
#include "platform/qt/messages.h"
#include "platform/qt/quit_on_signals.h"
#include "platform/qt/session_bus.h"

namespace tintcast::platform::qt {

namespace {

// A bus answers in milliseconds; one still silent after this may never answer.
constexpr std::chrono::milliseconds kSessionBusWait{2000};
// Ample for the threads Qt starts (X events, D-Bus).
constexpr std::size_t kThreadStack = 1024 * 1024;

// Qt's X11 plugin takes "-display NAME" (or "--display NAME") over $DISPLAY. The
// clipboard keeper finds the display through $DISPLAY, so the two are made to agree.
void TakeDisplayArgument(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument == "-display" || argument == "--display") {
            qputenv("DISPLAY", QByteArray(argv[++i]));  // the last one counts, as in Qt
        }
    }
}

// Qt waits for ever for a thread of its own (the D-Bus connection's) that could not be
// started. Under a limit on address space (ulimit -v) the default stacks, 8 MiB each,
// use it up at once: 100,000 KiB allowed the X event thread but not the next one.
void LeaveRoomForThreads() {
    rlimit space = {};
    pthread_attr_t attributes;
    std::size_t stack = 0;
    if (getrlimit(RLIMIT_AS, &space) != 0 || space.rlim_cur == RLIM_INFINITY ||
        pthread_getattr_default_np(&attributes) != 0) {
        return;
    }
    if (pthread_attr_getstacksize(&attributes, &stack) == 0 && stack > kThreadStack) {
        pthread_attr_setstacksize(&attributes, kThreadStack);
        pthread_setattr_default_np(&attributes);
    }
    pthread_attr_destroy(&attributes);
}

}  // namespace

Application::Application(int& argc, char** argv, const Identity& identity)
    : program_(identity.program) {
    TakeDisplayArgument(argc, argv);
    LeaveRoomForThreads();
    const std::string platform = PlatformOverride(qEnvironmentVariableIsSet("QT_QPA_PLATFORM"),
                                                  qEnvironmentVariableIsSet("WAYLAND_DISPLAY"),
                                                  qEnvironmentVariableIsSet("DISPLAY"));
    if (!platform.empty()) {
        qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(platform));
    }
    // The window class and the window manager's grouping come from these, so they
    // are set before the first window exists.
    QCoreApplication::setApplicationName(ToQString(identity.name));
    QCoreApplication::setOrganizationName(ToQString(identity.organization));
    QCoreApplication::setApplicationVersion(ToQString(identity.version));
    QGuiApplication::setDesktopFileName(ToQString(identity.desktopEntry));

    if (!SessionBusAnswers(kSessionBusWait)) {
        AvoidSessionBus();  // the window matters more than the accessibility bridge
    }
    HandleQtMessages(identity.program);
    app_ = std::make_unique<QApplication>(argc, argv);
    StartFinished();
    signals_ = std::make_unique<QuitOnSignals>();
    windowSystem_ = std::make_unique<WindowSystem>();
}

Application::~Application() = default;

Capabilities Application::capabilities() const {
    return windowSystem_->capabilities();
}

void Application::OnCapabilitiesChanged(WindowSystem::Changed changed) {
    windowSystem_->OnChange(std::move(changed));
}

int Application::Run() {
    const int status = QApplication::exec();
    KeepClipboardAfterExit(program_);
    return status;
}

}  // namespace tintcast::platform::qt
