#include "platform/session/handover/x11_handover.h"

#include <chrono>
#include <optional>
#include <string>
#include <utility>

#include <QAbstractNativeEventFilter>
#include <QClipboard>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>

#include "platform/qt/x11_event.h"
#include "platform/session/handover/keeper_process.h"
#include "platform/session/handover/selection_conversion.h"
#include "platform/session/handover/serve_until.h"
#include "platform/x11/selection.h"

namespace tintcast::platform::session {

using qt::AsX11Event;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using x11::CreatedBy;
using x11::Intern;
using x11::SelectionOwner;

// Each wait is some ten times what it takes on a loaded machine, or under valgrind.
// A manager answers within milliseconds; one that is stopped never does, and the
// keeper is tried next.
constexpr auto kManagerWait = 500ms;
// The keeper answers once it has started, connected and checked the owner; past this
// the text is lost, so it has the longer wait.
constexpr auto kKeeperWait = 1000ms;
// The program's own message comes back at once; the display is grabbed meanwhile.
constexpr auto kLetGoWait = 500ms;

}  // namespace

bool HandToManager(xcb_connection_t* connection, const std::string& text) {
    const xcb_atom_t manager = Intern(connection, "CLIPBOARD_MANAGER");
    if (SelectionOwner(connection, manager) == XCB_WINDOW_NONE) {
        return false;
    }
    {
        SelectionConversion save(connection, manager, Intern(connection, "SAVE_TARGETS"));
        ServeUntil(Clock::now() + kManagerWait,
                   [&save] { return save.state() != SelectionConversion::State::Waiting; });
        if (save.state() != SelectionConversion::State::Done) {
            return false;
        }
    }
    const xcb_atom_t clipboard = Intern(connection, "CLIPBOARD");
    const xcb_window_t owner = SelectionOwner(connection, clipboard);
    if (owner == XCB_WINDOW_NONE || CreatedBy(connection, owner)) {
        return false;
    }
    SelectionConversion check(connection, clipboard, Intern(connection, "UTF8_STRING"));
    ServeUntil(Clock::now() + kManagerWait,
               [&check] { return check.state() != SelectionConversion::State::Waiting; });
    return check.value() == text;
}

namespace {

// The keeper lies beside the program in the build tree's layout and the installed one.
std::string KeeperPath() {
    return QFileInfo(QCoreApplication::applicationDirPath() +
                     QStringLiteral("/../libexec/tintcast/tintcast-keep-clipboard"))
        .absoluteFilePath()
        .toStdString();
}

}  // namespace

std::optional<std::string> HandToKeeper(xcb_connection_t* connection, const std::string& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    const xcb_window_t owner = SelectionOwner(connection, Intern(connection, "CLIPBOARD"));
    KeeperProcess keeper;
    if (auto failure = keeper.Start(KeeperPath(), owner, text)) {
        return failure;
    }
    // Requests that reach this program before the keeper takes over are answered
    // here; the wait ends once Qt has seen the take-over, after them.
    const bool settled = ServeUntil(Clock::now() + kKeeperWait, [&keeper, clipboard] {
        const std::optional<bool> keeping = keeper.Answer();
        return keeping.has_value() && (!*keeping || !clipboard->ownsClipboard());
    });
    if (!settled) {
        const bool answered = keeper.Answer().has_value();
        keeper.Kill();
        return answered ? "the keeper did not take the clipboard in time"
                        : "the keeper did not answer in time";
    }
    const xcb_window_t now = SelectionOwner(connection, Intern(connection, "CLIPBOARD"));
    if (*keeper.Answer() || (now != XCB_WINDOW_NONE && !CreatedBy(connection, now))) {
        return std::nullopt;
    }
    return "the keeper could not take the clipboard";
}

namespace {

// A message the program sends to its own window: when it passes to Qt, Qt has handled
// every event the server queued before it.
class Marker final : public QAbstractNativeEventFilter {
public:
    Marker(xcb_connection_t* connection, xcb_window_t window)
        : window_(window), type_(Intern(connection, "_TINTCAST_SERVED")) {
        QCoreApplication::instance()->installNativeEventFilter(this);
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = type_;
        // Without an event mask the server delivers it to the window's creator.
        xcb_send_event(connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(connection);
    }
    ~Marker() override { QCoreApplication::instance()->removeNativeEventFilter(this); }
    Marker(const Marker&) = delete;
    Marker& operator=(const Marker&) = delete;

    bool seen() const { return seen_; }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* /*result*/) override {
        const auto* event =
            AsX11Event<xcb_client_message_event_t>(type, message, XCB_CLIENT_MESSAGE);
        if (event == nullptr || event->window != window_ || event->type != type_) {
            return false;
        }
        seen_ = true;
        return true;  // the program's own, of no use to Qt
    }

private:
    xcb_window_t window_;
    xcb_atom_t type_;
    bool seen_ = false;
};

}  // namespace

void ReleaseSelections(xcb_connection_t* connection) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    const std::pair<xcb_atom_t, QClipboard::Mode> selections[] = {
        {Intern(connection, "CLIPBOARD"), QClipboard::Clipboard},
        {XCB_ATOM_PRIMARY, QClipboard::Selection}};
    // Under a grab no other program can copy, so a newer copy is never cleared, and no
    // request can come in once Qt has dropped its text.
    xcb_grab_server(connection);
    xcb_window_t owner = XCB_WINDOW_NONE;
    for (const auto& [selection, mode] : selections) {
        if (const xcb_window_t window = SelectionOwner(connection, selection);
            CreatedBy(connection, window)) {
            owner = window;
        }
    }
    if (owner != XCB_WINDOW_NONE) {
        // The requests that came before the grab are answered with the text first.
        {
            Marker marker(connection, owner);
            ServeUntil(Clock::now() + kLetGoWait, [&marker] { return marker.seen(); });
        }
        // Given up through Qt, which then no longer counts them as its own: it would
        // offer them to a clipboard manager as the application object ends, and wait.
        for (const auto& [selection, mode] : selections) {
            if (!CreatedBy(connection, SelectionOwner(connection, selection))) {
                continue;
            }
            clipboard->clear(mode);
            // Qt lets go only of what it still counts as its own: the server is told
            // in any case, so that no reader waits for an answer that never comes.
            if (CreatedBy(connection, SelectionOwner(connection, selection))) {
                xcb_set_selection_owner(connection, XCB_WINDOW_NONE, selection, XCB_CURRENT_TIME);
            }
        }
    }
    xcb_ungrab_server(connection);
    xcb_flush(connection);
}

}  // namespace tintcast::platform::session
