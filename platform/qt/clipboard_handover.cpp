#include "platform/qt/clipboard_handover.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QAbstractNativeEventFilter>
#include <QClipboard>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>

#include "platform/qt/keeper_process.h"
#include "platform/qt/selection_conversion.h"
#include "platform/qt/serve_until.h"
#include "platform/qt/wayland_handover.h"
#include "platform/qt/wayland_registry.h"
#include "platform/qt/x11_event.h"
#include "platform/x11/selection.h"

namespace tintcast::platform::qt {

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
// The server's SelectionClear follows at once.
constexpr auto kLetGoWait = 1000ms;

// The manager's word alone is not enough: some say "saved" and keep nothing. It has
// kept the text when the clipboard's new owner serves it.
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

// The keeper lies beside the program in the build tree's layout and the installed one.
std::string KeeperPath() {
    return QFileInfo(QCoreApplication::applicationDirPath() +
                     QStringLiteral("/../libexec/tintcast/tintcast-keep-clipboard"))
        .absoluteFilePath()
        .toStdString();
}

// Returns why the keeper does not serve the text, or nothing when it does or when
// another program took the clipboard meanwhile.
std::optional<std::string> HandToKeeper(xcb_connection_t* connection, xcb_window_t owner,
                                        const std::string& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
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
        return false;  // Qt sees it too
    }

private:
    std::vector<xcb_atom_t> awaited_;
};

// Gives up the selections the program still owns. Requests that reached it before
// come ahead of the SelectionClear the server sends for this: Qt answers them, with
// the text, while the wait lasts, and the wait ends with the clear.
void LetGo(xcb_connection_t* connection) {
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
    // Qt keeps counting a selection given up this way as its own: it would offer it to
    // the manager again as the application object ends, and wait without a bound.
    QClipboard* clipboard = QGuiApplication::clipboard();
    for (const QClipboard::Mode mode : {QClipboard::Clipboard, QClipboard::Selection}) {
        if (mode == QClipboard::Clipboard ? clipboard->ownsClipboard()
                                          : clipboard->ownsSelection()) {
            clipboard->clear(mode);
        }
    }
}

}  // namespace

bool ClipboardHolds(const QString& text) {
    xcb_connection_t* connection = X11Connection();
    if (connection == nullptr) {
        return QGuiApplication::clipboard()->text(QClipboard::Clipboard) == text;
    }
    return CreatedBy(connection, SelectionOwner(connection, Intern(connection, "CLIPBOARD")));
}

void KeepClipboardAfterExit(std::string_view program) {
    const Handover how =
        ChooseHandover(QGuiApplication::platformName().toStdString(), WaylandOffersDataControl());
    if (how != Handover::X11 && HandOverWithoutX11(program, how)) {
        return;
    }
    xcb_connection_t* connection =
        QGuiApplication::platformName() == QLatin1String("xcb") ? X11Connection() : nullptr;
    if (connection == nullptr) {
        return;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    const xcb_window_t owner = SelectionOwner(connection, Intern(connection, "CLIPBOARD"));
    std::optional<std::string> failure;
    if (CreatedBy(connection, owner) && clipboard->ownsClipboard()) {
        const std::string text = clipboard->text(QClipboard::Clipboard).toStdString();
        if (!HandToManager(connection, text)) {
            failure = HandToKeeper(connection, owner, text);
        }
    }
    LetGo(connection);
    if (failure) {
        std::fprintf(stderr, "%.*s: the copied text could not be kept after exit: %s\n",
                     static_cast<int>(program.size()), program.data(), failure->c_str());
    }
}

}  // namespace tintcast::platform::qt
