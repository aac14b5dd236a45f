#include "platform/session/handover/x11_handover.h"

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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

// A manager answers within milliseconds; one that is stopped never does.
constexpr auto kManagerWait = 1000ms;
// The keeper answers once it has connected and checked the owner.
constexpr auto kKeeperWait = 2000ms;
// The server sends SelectionClear at once; a second is ample.
constexpr auto kLetGoWait = 1000ms;

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

// Notes the SelectionClear events of the given selections as they pass to Qt, which
// has by then handled every event the server queued before them.
class ClearWatch final : public QAbstractNativeEventFilter {
public:
    explicit ClearWatch(std::vector<xcb_atom_t> awaited) : awaited_(std::move(awaited)) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~ClearWatch() override { QCoreApplication::instance()->removeNativeEventFilter(this); }
    ClearWatch(const ClearWatch&) = delete;
    ClearWatch& operator=(const ClearWatch&) = delete;

    bool done() const { return awaited_.empty(); }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* /*result*/) override {
        if (const auto* clear =
                AsX11Event<xcb_selection_clear_event_t>(type, message, XCB_SELECTION_CLEAR)) {
            std::erase(awaited_, clear->selection);
        }
        return false;  // Qt handles the event as well
    }

private:
    std::vector<xcb_atom_t> awaited_;
};

}  // namespace

void ReleaseSelections(xcb_connection_t* connection) {
    std::vector<xcb_atom_t> released;
    // Under a grab, so that a newer copy by another program is never cleared.
    xcb_grab_server(connection);
    for (const xcb_atom_t selection :
         {Intern(connection, "CLIPBOARD"), xcb_atom_t{XCB_ATOM_PRIMARY}}) {
        if (CreatedBy(connection, SelectionOwner(connection, selection))) {
            xcb_set_selection_owner(connection, XCB_WINDOW_NONE, selection, XCB_CURRENT_TIME);
            released.push_back(selection);
        }
    }
    ClearWatch clears(std::move(released));
    xcb_ungrab_server(connection);
    xcb_flush(connection);
    ServeUntil(Clock::now() + kLetGoWait, [&clears] { return clears.done(); });
}

}  // namespace tintcast::platform::session
