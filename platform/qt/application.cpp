#include "platform/qt/application.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <utility>

#include <QApplication>

#include "platform/qt/clipboard_handover.h"
#include "platform/qt/conversions.h"
#include "platform/qt/messages.h"
#include "platform/qt/quit_on_signals.h"

namespace tintcast::platform::qt {

namespace {

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
    QCoreApplication::setOrganizationName(ToQString(identity.organization));
    QCoreApplication::setApplicationVersion(ToQString(identity.version));
    QGuiApplication::setDesktopFileName(ToQString(identity.desktopEntry));

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
