#include "platform/qt/clipboard_handover.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <QClipboard>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <xcb/xcb.h>

extern char** environ;

namespace tintcast::platform::qt {

namespace {

constexpr auto kDecisionWait = std::chrono::milliseconds(2000);

xcb_atom_t Intern(xcb_connection_t* connection, std::string_view name) {
    const auto cookie =
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.data());
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

xcb_window_t SelectionOwner(xcb_connection_t* connection, xcb_atom_t selection) {
    auto* reply = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, selection), nullptr);
    const xcb_window_t owner = reply != nullptr ? reply->owner : xcb_window_t{XCB_WINDOW_NONE};
    std::free(reply);
    return owner;
}

// True when the window was created by this connection.
bool CreatedBy(xcb_connection_t* connection, xcb_window_t window) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    return window != XCB_WINDOW_NONE &&
           (window & ~setup->resource_id_mask) == setup->resource_id_base;
}

// The keeper lies beside the program in the build tree's layout and the installed one.
std::string KeeperPath() {
    return QFileInfo(QCoreApplication::applicationDirPath() +
                     QStringLiteral("/../libexec/tintcast/tintcast-keep-clipboard"))
        .absoluteFilePath()
        .toStdString();
}

void WriteAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t written = write(fd, data.data() + done, data.size() - done);
        if (written <= 0) {
            return;
        }
        done += static_cast<std::size_t>(written);
    }
}

// Hands the text to a new keeper, which takes the clipboard over only while it is
// still this program's. Waits, bounded, for its answer so that the clipboard is not
// released before the keeper has decided.
void StartKeeper(xcb_window_t owner, const std::string& text) {
    const std::string path = KeeperPath();
    int input[2];
    int answer[2];
    if (pipe2(input, O_CLOEXEC) != 0) {
        return;
    }
    if (pipe2(answer, O_CLOEXEC) != 0) {
        close(input[0]);
        close(input[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, answer[1], STDOUT_FILENO);
    const std::string ownerArgument = std::to_string(owner);
    char* const argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>(ownerArgument.c_str()),
                          nullptr};
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(input[0]);
    close(answer[1]);
    if (spawned != 0) {
        std::fprintf(stderr, "tintcast: cannot keep the clipboard after exit: %s: %s\n",
                     path.c_str(), std::strerror(spawned));
        close(input[1]);
        close(answer[0]);
        return;
    }
    WriteAll(input[1], text);
    close(input[1]);

    pollfd ready{answer[0], POLLIN, 0};
    const bool answered = poll(&ready, 1, static_cast<int>(kDecisionWait.count())) > 0;
    char decision = 'n';
    if (answered && read(answer[0], &decision, 1) != 1) {
        decision = 'n';
    }
    close(answer[0]);
    if (answered && decision != 'k') {
        // The keeper has nothing to do and is ending; collect it.
        waitpid(pid, nullptr, 0);
    }
}

}  // namespace

bool ClipboardHolds(const QString& text) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr) {
        return QGuiApplication::clipboard()->text(QClipboard::Clipboard) == text;
    }
    return CreatedBy(connection, SelectionOwner(connection, Intern(connection, "CLIPBOARD")));
}

void KeepClipboardAfterExit() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard->ownsClipboard()) {
        return;
    }
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr) {
        return;
    }
    const xcb_window_t owner = SelectionOwner(connection, Intern(connection, "CLIPBOARD"));
    if (!CreatedBy(connection, owner) ||
        SelectionOwner(connection, Intern(connection, "CLIPBOARD_MANAGER")) != XCB_WINDOW_NONE) {
        return;
    }
    StartKeeper(owner, clipboard->text(QClipboard::Clipboard).toStdString());
}

}  // namespace tintcast::platform::qt
