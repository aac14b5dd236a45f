#include "platform/session/handover.h"

#include <cstdio>
#include <optional>
#include <string>

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>

#include "platform/qt/x11_event.h"
#include "platform/session/handover/choice.h"
#include "platform/session/handover/wl_copy.h"
#include "platform/session/handover/x11_handover.h"
#include "platform/x11/selection.h"

namespace tintcast::platform::session {

namespace {

// The text to keep: what the clipboard holds, if this program put it there. Under X11
// the server is asked who owns it: QClipboard::ownsClipboard() stays true after a take
// that the server ignored because another program had copied at a later time.
std::optional<std::string> CopiedText(xcb_connection_t* x11) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard->ownsClipboard() ||
        (x11 != nullptr &&
         !x11::CreatedBy(x11, x11::SelectionOwner(x11, x11::Intern(x11, "CLIPBOARD"))))) {
        return std::nullopt;
    }
    const QString text = clipboard->text(QClipboard::Clipboard);
    return text.isEmpty() ? std::nullopt : std::optional(text.toStdString());
}

void Say(std::string_view program, const char* what, const std::string& why) {
    std::fprintf(stderr, "%.*s: %s: %s\n", static_cast<int>(program.size()), program.data(), what,
                 why.c_str());
}

}  // namespace

void KeepClipboardAfterExit(std::string_view program, bool waylandDataControl) {
    const std::string platform = QGuiApplication::platformName().toStdString();
    const Handover how = ChooseHandover(platform, waylandDataControl);
    xcb_connection_t* x11 = platform == "xcb" ? qt::X11Connection() : nullptr;
    const std::optional<std::string> text = CopiedText(x11);

    std::optional<std::string> failure;
    bool x11Ways = how == Handover::X11;
    if (text && how == Handover::WlCopy) {
        failure = HandToWlCopy(*text);
        // Under XWayland the X11 ways may still keep the text for X readers.
        x11Ways = failure && x11 != nullptr;
        if (!failure) {
            // Under XWayland Qt hears here that the new owner took the clipboard, and no
            // longer counts it as its own.
            QCoreApplication::processEvents();
        }
    }
    if (x11Ways && x11 != nullptr) {
        failure = text && !HandToManager(x11, *text) ? HandToKeeper(x11, *text) : std::nullopt;
    }
    if (x11 != nullptr) {
        ReleaseSelections(x11);
    } else if (QGuiApplication::clipboard()->ownsSelection()) {
        // Under Wayland the clipboard is left as it is, for a compositor that keeps it.
        QGuiApplication::clipboard()->clear(QClipboard::Selection);
    }

    if (failure) {
        Say(program, "the copied text could not be kept after exit", *failure);
    } else if (text && how == Handover::Compositor) {
        Say(program, "the copied text is left to the compositor after exit",
            "it offers no data-control protocol to hand it to wl-copy");
    }
}

}  // namespace tintcast::platform::session
