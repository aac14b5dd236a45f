#include "platform/qt/wayland_handover.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QTimer>

#include "platform/qt/clipboard_handover.h"

namespace tintcast::platform::qt {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// wl-copy forks and its first process ends once the text is read.
constexpr auto kWlCopyWait = 2000ms;
// Until a reader gets the text back from the process that now serves it.
constexpr auto kReadBackWait = 3000ms;

constexpr std::string_view kDataControl = "zwlr_data_control_manager_v1";

int ConnectWayland() {
    const QByteArray name = qgetenv("WAYLAND_DISPLAY");
    if (name.isEmpty()) {
        return -1;
    }
    QByteArray path = name;
    if (!name.startsWith('/')) {
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        if (runtime.isEmpty()) {
            return -1;
        }
        path = runtime + '/' + name;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (static_cast<std::size_t>(path.size()) >= sizeof(address.sun_path)) {
        return -1;
    }
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// One request on the wire: object, size and opcode, one argument.
void PutRequest(std::vector<std::uint32_t>& out, std::uint32_t object, std::uint16_t opcode,
                std::uint32_t argument) {
    out.insert(out.end(), {object, (12u << 16) | opcode, argument});
}

// Starts wl-copy with the text and waits, bounded, until a Wayland reader gets the
// same text back; returns why not, or nothing when it does.
std::optional<std::string> HandToWlCopy(const std::string& text) {
    QProcess copy;
    copy.setProgram(QStringLiteral("wl-copy"));
    copy.setArguments({QStringLiteral("--type"), QStringLiteral("text/plain;charset=utf-8")});
    // What serves the clipboard must not end with the terminal or its process group.
    copy.setChildProcessModifier([] { setsid(); });
    copy.setStandardOutputFile(QProcess::nullDevice());
    copy.setStandardErrorFile(QProcess::nullDevice());
    copy.start(QIODevice::WriteOnly);
    if (!copy.waitForStarted(static_cast<int>(kWlCopyWait.count()))) {
        return "wl-copy could not be started (is wl-clipboard installed?)";
    }
    copy.write(text.data(), static_cast<qint64>(text.size()));
    copy.closeWriteChannel();
    if (!copy.waitForFinished(static_cast<int>(kWlCopyWait.count()))) {
        copy.kill();
        copy.waitForFinished(static_cast<int>(kWlCopyWait.count()));
        return "wl-copy did not answer in time";
    }
    if (copy.exitStatus() != QProcess::NormalExit || copy.exitCode() != 0) {
        return "wl-copy failed with status " + std::to_string(copy.exitCode());
    }
    // Until the compositor has told this program that its own offer was replaced, a
    // reader could be reading this program's text: its events are handled meanwhile,
    // so that such a read is answered rather than left hanging.
    QClipboard* clipboard = QGuiApplication::clipboard();
    const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
    QTimer tick;  // wakes the event loop to look at the reader again
    tick.start(10ms);
    const auto deadline = Clock::now() + kReadBackWait;
    while (Clock::now() < deadline) {
        QProcess paste;
        paste.setStandardErrorFile(QProcess::nullDevice());
        paste.start(QStringLiteral("wl-paste"), {QStringLiteral("--no-newline")},
                    QIODevice::ReadOnly);
        while (paste.state() != QProcess::NotRunning && Clock::now() < deadline) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        if (paste.state() != QProcess::NotRunning) {
            paste.kill();
            paste.waitForFinished(1000);
            break;
        }
        // Under XWayland the compositor may go on offering the X selection as well, so
        // there the text read back is what counts.
        if (paste.exitCode() == 0 && paste.readAllStandardOutput().toStdString() == text &&
            (x11 || !clipboard->ownsClipboard())) {
            return std::nullopt;
        }
    }
    return "wl-paste did not read the text back from wl-copy";
}

}  // namespace

Handover ChooseHandover(std::string_view platformName, bool waylandDataControl) {
    const bool x11 = platformName == "xcb";
    if ((x11 || platformName.starts_with("wayland")) && waylandDataControl) {
        return Handover::WlCopy;
    }
    if (x11) {
        return Handover::X11;
    }
    return platformName.starts_with("wayland") ? Handover::Compositor : Handover::None;
}

// The registry's globals are read straight off the socket: one question, answered
// within a bound, needs neither libwayland's unbounded round trip nor its headers.
bool WaylandOffersDataControl(std::chrono::milliseconds wait) {
    const int fd = ConnectWayland();
    if (fd < 0) {
        return false;
    }
    constexpr std::uint32_t kDisplay = 1, kRegistry = 2, kCallback = 3;
    std::vector<std::uint32_t> request;
    PutRequest(request, kDisplay, 1, kRegistry);  // wl_display.get_registry
    PutRequest(request, kDisplay, 0, kCallback);  // wl_display.sync: done after the globals
    const auto size = static_cast<ssize_t>(request.size() * sizeof(std::uint32_t));
    bool found = false;
    bool done = send(fd, request.data(), static_cast<std::size_t>(size), MSG_NOSIGNAL) != size;
    std::vector<char> buffer;
    const auto deadline = Clock::now() + wait;
    while (!done && !found) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd readable{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&readable, 1, static_cast<int>(left.count())) <= 0) {
            break;
        }
        char chunk[4096];
        const ssize_t got = recv(fd, chunk, sizeof chunk, 0);
        if (got <= 0) {
            break;
        }
        buffer.insert(buffer.end(), chunk, chunk + got);
        std::size_t at = 0;
        while (buffer.size() - at >= 8) {
            std::uint32_t header[2];
            std::memcpy(header, buffer.data() + at, sizeof header);
            const std::size_t length = header[1] >> 16;
            if (length < 8 || buffer.size() - at < length) {
                done = length < 8;
                break;
            }
            const std::uint16_t opcode = header[1] & 0xFFFF;
            if (header[0] == kCallback) {
                done = true;
            } else if (header[0] == kRegistry && opcode == 0 && length >= 16) {
                // wl_registry.global: name, interface (length with its NUL, bytes), version
                std::uint32_t textLength = 0;
                std::memcpy(&textLength, buffer.data() + at + 12, sizeof textLength);
                if (textLength > 0 && 16 + textLength <= length) {
                    found = found || std::string_view(buffer.data() + at + 16, textLength - 1) ==
                                         kDataControl;
                }
            }
            at += length;
        }
        buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(at));
    }
    close(fd);
    return found;
}

bool HandOverWithoutX11(std::string_view program, Handover how) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QString text = clipboard->text(QClipboard::Clipboard);
    const bool ours = clipboard->ownsClipboard() && !text.isEmpty() && ClipboardHolds(text);
    const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
    const auto say = [program](const char* what, const std::string& why) {
        std::fprintf(stderr, "%.*s: %s: %s\n", static_cast<int>(program.size()), program.data(),
                     what, why.c_str());
    };
    if (ours && how == Handover::WlCopy) {
        if (const auto failure = HandToWlCopy(text.toStdString())) {
            if (x11) {
                return false;  // the X11 hand-off may still keep it for X readers
            }
            say("the copied text could not be kept after exit", *failure);
        } else {
            // Once Qt has heard that the new owner took the clipboard, letting go of
            // what is still ours below cannot clear the new owner's text.
            QCoreApplication::processEvents();
        }
    } else if (ours && how == Handover::Compositor) {
        say("the copied text is left to the compositor after exit",
            "it offers no data-control protocol to hand it to wl-copy");
    }
    // Under X11 what is still ours is let go: Qt would otherwise offer it to a clipboard
    // manager as the application object ends, and wait for an answer without a bound.
    // A Wayland compositor that keeps the clipboard needs the selection left as it is.
    if (x11 && clipboard->ownsClipboard()) {
        clipboard->clear(QClipboard::Clipboard);
    }
    if (clipboard->ownsSelection()) {
        clipboard->clear(QClipboard::Selection);
    }
    return true;
}

}  // namespace tintcast::platform::qt
