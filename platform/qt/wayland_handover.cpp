#include "platform/qt/wayland_handover.h"

#include <unistd.h>

#include <cstdio>
#include <optional>
#include <string>

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>

#include "platform/qt/clipboard_handover.h"
#include "platform/qt/serve_until.h"

namespace tintcast::platform::qt {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// wl-copy forks and its first process ends once the text is read.
constexpr auto kWlCopyWait = 2000ms;
// Until a reader gets the text back from the process that now serves it.
constexpr auto kReadBackWait = 3000ms;

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
    const auto deadline = Clock::now() + kReadBackWait;
    while (Clock::now() < deadline) {
        QProcess paste;
        paste.setStandardErrorFile(QProcess::nullDevice());
        paste.start(QStringLiteral("wl-paste"), {QStringLiteral("--no-newline")},
                    QIODevice::ReadOnly);
        if (!ServeUntil(deadline, [&paste] { return paste.state() == QProcess::NotRunning; })) {
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
