#include "platform/qt/application.h"

#include <QApplication>

#include "platform/qt/conversions.h"

namespace tintcast::platform::qt {

Application::Application(int& argc, char** argv, const Identity& identity) {
    // The window class and the window manager's grouping come from these, so they
    // are set before the first window exists.
    QCoreApplication::setApplicationName(ToQString(identity.name));
    QCoreApplication::setOrganizationName(ToQString(identity.organization));
    QCoreApplication::setApplicationVersion(ToQString(identity.version));
    QGuiApplication::setDesktopFileName(ToQString(identity.desktopEntry));
    app_ = std::make_unique<QApplication>(argc, argv);
}

Application::~Application() = default;

int Application::Run() {
    return QApplication::exec();
}

}  // namespace tintcast::platform::qt
