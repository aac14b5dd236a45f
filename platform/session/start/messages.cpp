#include "platform/session/start/messages.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <QGuiApplication>
#include <QString>
#include <QtGlobal>

#include <xcb/xcb.h>

#include "platform/qt/x11_event.h"

namespace tintcast::platform::session {

using qt::X11Connection;

namespace {

struct HeldMessage {
    QtMsgType type;
    std::string category;
    QString text;
};

struct MessageState {
    std::string program;
    bool starting = true;
    std::string displayProblem;
    std::string pluginProblem;
    std::vector<HeldMessage> held;
    QtMessageHandler previous = nullptr;
};

MessageState& State() {
    static MessageState state;
    return state;
}

// Without trailing blanks: Qt names an unset display as an empty word at the end.
std::string FirstLine(std::string_view text) {
    text = text.substr(0, text.find('\n'));
    return std::string(text.substr(0, text.find_last_not_of(" \t\r") + 1));
}

// Once the X server is gone, Qt may warn of requests that failed with it ("bad atom")
// before it says the connection broke: the connection itself tells first.
bool X11ConnectionBroken() {
    xcb_connection_t* connection = X11Connection();
    return connection != nullptr && xcb_connection_has_error(connection) != 0;
}

void PassOn(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (State().previous != nullptr) {
        State().previous(type, context, text);
    } else {
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
    }
}

void Handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    MessageState& state = State();
    if (!state.starting) {
        // Qt's X11 plugin says so in one of two wordings, then calls exit(1).
        if (text.startsWith(QLatin1String("The X11 connection broke")) || X11ConnectionBroken()) {
            std::fprintf(stderr, "%s: lost the connection to the display\n", state.program.c_str());
            std::_Exit(1);
        }
        PassOn(type, context, text);
        return;
    }
    const std::string category = context.category != nullptr ? context.category : "";
    if (type == QtFatalMsg) {
        const std::string fatal = text.toStdString();
        const QByteArray x11 = qgetenv("DISPLAY");
        const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
        const StartFailure failure =
            DescribeStartFailure(state.program, {.x11Display = x11.constData(),
                                                 .waylandDisplay = wayland.constData(),
                                                 .displayProblem = state.displayProblem,
                                                 .pluginProblem = state.pluginProblem,
                                                 .fatalMessage = fatal});
        std::fprintf(stderr, "%s\n", failure.message.c_str());
        std::_Exit(failure.status);
    }
    if (category == "qt.qpa.xcb" && text.contains(QLatin1String("connect to display"))) {
        state.displayProblem = text.toStdString();
    }
    if (text.contains(QLatin1String("Qt platform plugin"))) {
        state.pluginProblem = text.toStdString();
    }
    state.held.push_back({type, category, text});
}

}  // namespace

StartFailure DescribeStartFailure(std::string_view program, const StartContext& context) {
    std::string message(program);
    // Qt names the plugin it could not use in a warning before its last word.
    const std::string_view fatal =
        context.pluginProblem.empty() ? context.fatalMessage : context.pluginProblem;
    const bool waylandPlugin = fatal.find("platform plugin \"wayland") != std::string_view::npos;
    if (waylandPlugin && fatal.find("even though it was found") == std::string_view::npos) {
        message += ": cannot start: Qt's Wayland support is not installed (package qt6-wayland)";
    } else if (waylandPlugin) {
        message +=
            ": cannot open the display: could not connect to the Wayland display " +
            std::string(context.waylandDisplay.empty() ? "wayland-0" : context.waylandDisplay);
    } else if (!context.displayProblem.empty() && context.x11Display.empty() &&
               context.waylandDisplay.empty()) {
        message +=
            ": cannot open the display: no X display and no Wayland display "
            "(DISPLAY and WAYLAND_DISPLAY are not set)";
    } else if (!context.displayProblem.empty()) {
        message += ": cannot open the display: " + FirstLine(context.displayProblem);
    } else {
        message += ": cannot start: " + FirstLine(fatal);
    }
    return {message, 1};
}

void HandleQtMessages(std::string_view program) {
    MessageState& state = State();
    state.program = program;
    state.starting = true;
    state.previous = qInstallMessageHandler(Handle);
}

void StartFinished() {
    MessageState& state = State();
    state.starting = false;
    const std::vector<HeldMessage> held = std::move(state.held);
    state.held.clear();
    for (const HeldMessage& message : held) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.c_str());
        PassOn(message.type, context, message.text);
    }
}

}  // namespace tintcast::platform::session
