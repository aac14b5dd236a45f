#include "platform/qt/application.h"

#include <pthread.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include <QApplication>

#include "platform/qt/clipboard_handover.h"
#include "platform/qt/conversions.h"
#include "platform/qt/lost_display.h"
#include "platform/qt/quit_on_signals.h"
#include "platform/qt/session_bus.h"

namespace tintcast::platform::qt {

namespace {

// A bus answers in milliseconds; one still silent after this may never answer.
constexpr std::chrono::milliseconds kSessionBusWait{2000};
// Ample for the threads Qt starts (X events, D-Bus).
constexpr std::size_t kThreadStack = 1024 * 1024;

// Messages Qt logs while it starts are held back: if the start fails they are
// replaced by one line, otherwise they go out as usual.
struct HeldMessage {
    QtMsgType type;
    std::string category;
    QString text;
};

struct StartupLog {
    std::string program;
    std::string displayProblem;
    std::vector<HeldMessage> held;
    QtMessageHandler previous = nullptr;
};

StartupLog* startupLog = nullptr;

void HoldStartupMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    const std::string category = context.category != nullptr ? context.category : "";
    if (type == QtFatalMsg) {
        const StartFailure failure = DescribeStartFailure(
            startupLog->program, startupLog->displayProblem, text.toStdString());
        std::fprintf(stderr, "%s\n", failure.message.c_str());
        std::_Exit(failure.status);
    }
    if (category == "qt.qpa.xcb" && text.contains(QLatin1String("connect to display"))) {
        startupLog->displayProblem = text.toStdString();
    }
    startupLog->held.push_back({type, category, text});
}

void ReleaseStartupMessages() {
    StartupLog* log = startupLog;
    qInstallMessageHandler(log->previous);
    startupLog = nullptr;
    for (const HeldMessage& message : log->held) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.c_str());
        qt_message_output(message.type, context, message.text);
    }
    delete log;
}

// Without trailing blanks: Qt names an unset display as an empty word at the end.
std::string FirstLine(std::string_view text) {
    text = text.substr(0, text.find('\n'));
    return std::string(text.substr(0, text.find_last_not_of(" \t\r") + 1));
}

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

StartFailure DescribeStartFailure(std::string_view program, std::string_view displayProblem,
                                  std::string_view fatalMessage) {
    std::string message(program);
    if (!displayProblem.empty()) {
        message += ": cannot open the display: " + FirstLine(displayProblem);
    } else {
        message += ": cannot start: " + FirstLine(fatalMessage);
    }
    return {message, 1};
}

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
    startupLog = new StartupLog{.program = std::string(identity.program)};
    startupLog->previous = qInstallMessageHandler(HoldStartupMessage);
    app_ = std::make_unique<QApplication>(argc, argv);
    ReleaseStartupMessages();
    EndQuietlyWhenDisplayIsLost(identity.program);
    signals_ = std::make_unique<QuitOnSignals>();
}

Application::~Application() = default;

Capabilities Application::capabilities() const {
    return CapabilitiesOf(QGuiApplication::platformName().toStdString());
}

int Application::Run() {
    const int status = QApplication::exec();
    KeepClipboardAfterExit(program_);
    return status;
}

}  // namespace tintcast::platform::qt
