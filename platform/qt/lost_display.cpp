#include "platform/qt/lost_display.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include <QString>
#include <QtGlobal>

namespace tintcast::platform::qt {

namespace {

std::string& Program() {
    static std::string program;
    return program;
}

QtMessageHandler previousHandler = nullptr;

void EndOnLostDisplay(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    // Qt's X11 plugin says so in one of two wordings, then calls exit(1).
    if (text.startsWith(QLatin1String("The X11 connection broke"))) {
        std::fprintf(stderr, "%s: lost the connection to the display\n", Program().c_str());
        std::_Exit(1);
    }
    if (previousHandler != nullptr) {
        previousHandler(type, context, text);
    } else {
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
    }
}

}  // namespace

void EndQuietlyWhenDisplayIsLost(std::string_view program) {
    Program() = program;
    previousHandler = qInstallMessageHandler(EndOnLostDisplay);
}

}  // namespace tintcast::platform::qt
