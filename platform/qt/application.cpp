#include "platform/qt/application.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <string_view>
#include <vector>

#include <QApplication>
#include <QSocketNotifier>

#include "platform/qt/clipboard_handover.h"
#include "platform/qt/lost_display.h"
#include "platform/qt/qt_strings.h"

namespace tintcast::platform::qt {

namespace {

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
        const StartFailure failure =
            DescribeStartFailure(startupLog->program, startupLog->displayProblem, text.toStdString());
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

}  // namespace

std::string PlatformOverride(bool platformChosen, bool waylandDisplay, bool x11Display) {
    return !platformChosen && waylandDisplay && x11Display ? "xcb" : "";
}

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

// Signal handlers may only write to a pipe; the event loop reads it and quits.
class Application::QuitOnSignals {
public:
    QuitOnSignals() {
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
    ~QuitOnSignals() {
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
    QuitOnSignals(const QuitOnSignals&) = delete;
    QuitOnSignals& operator=(const QuitOnSignals&) = delete;

private:
    static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
    static inline volatile std::sig_atomic_t writeEnd = -1;

    static void OnSignal(int signal) {
        const int saved = errno;
        const char byte = static_cast<char>(signal);
        if (writeEnd >= 0) {
            [[maybe_unused]] const ssize_t written = write(writeEnd, &byte, 1);
        }
        errno = saved;
    }

    int fds_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
};

Application::Application(int& argc, char** argv, const Identity& identity)
    : program_(identity.program) {
    TakeDisplayArgument(argc, argv);
    const std::string platform = PlatformOverride(qEnvironmentVariableIsSet("QT_QPA_PLATFORM"),
                                                  qEnvironmentVariableIsSet("WAYLAND_DISPLAY"),
                                                  qEnvironmentVariableIsSet("DISPLAY"));
    if (!platform.empty()) {
        qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(platform));
    }
    // The window class and the window manager's grouping come from these, so they
    // are set before the first window exists.
    QCoreApplication::setApplicationName(ToQString(identity.name));
    QCoreApplication::setOrganizationName(
        ToQString(identity.organization));
    QCoreApplication::setApplicationVersion(
        ToQString(identity.version));
    QGuiApplication::setDesktopFileName(
        ToQString(identity.desktopEntry));

    startupLog = new StartupLog{.program = std::string(identity.program)};
    startupLog->previous = qInstallMessageHandler(HoldStartupMessage);
    app_ = std::make_unique<QApplication>(argc, argv);
    ReleaseStartupMessages();
    EndQuietlyWhenDisplayIsLost(identity.program);
    signals_ = std::make_unique<QuitOnSignals>();
}

Application::~Application() = default;

int Application::Run() {
    const int status = QApplication::exec();
    KeepClipboardAfterExit(program_);
    return status;
}

}  // namespace tintcast::platform::qt
