#include "platform/session/handover/wl_copy.h"

#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>

#include "platform/session/handover/serve_until.h"

namespace tintcast::platform::session {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// wl-copy forks and its first process ends once the text is read.
constexpr auto kWlCopyWait = 2000ms;
// How long a reader is given to get the text back from the process that now serves it.
constexpr auto kReadBackWait = 3000ms;

}  // namespace

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

}  // namespace tintcast::platform::session
