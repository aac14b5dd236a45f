#include "platform/qt/clipboard_handover.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

#include <QAbstractNativeEventFilter>
#include <QClipboard>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTimer>

#include "platform/qt/keeper_process.h"
#include "platform/qt/wayland_handover.h"
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

xcb_connection_t* X11Connection() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

// Handles the program's events, clipboard requests among them, until done() holds
// or the deadline passes; returns done().
template <typename Done>
bool ServeUntil(Clock::time_point deadline, Done done) {
    QTimer tick;  // wakes the wait to look at done() again
    tick.start(10ms);
    while (!done()) {
        if (Clock::now() >= deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Asks the clipboard manager to save the clipboard (SAVE_TARGETS) and catches its
// answer, a SelectionNotify to a window of our own, before Qt sees it.
class ManagerRequest final : public QAbstractNativeEventFilter {
public:
    enum class State { Waiting, Saved, Refused };

    explicit ManagerRequest(xcb_connection_t* connection)
        : connection_(connection), manager_(Intern(connection, "CLIPBOARD_MANAGER")) {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        requestor_ = xcb_generate_id(connection);
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, requestor_, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        QCoreApplication::instance()->installNativeEventFilter(this);
        xcb_convert_selection(connection, requestor_, manager_, Intern(connection, "SAVE_TARGETS"),
                              Intern(connection, "_TINTCAST_SAVED"), XCB_CURRENT_TIME);
        xcb_flush(connection);
    }
    ~ManagerRequest() override {
        QCoreApplication::instance()->removeNativeEventFilter(this);
        xcb_destroy_window(connection_, requestor_);
        xcb_flush(connection_);
    }
    ManagerRequest(const ManagerRequest&) = delete;
    ManagerRequest& operator=(const ManagerRequest&) = delete;

    // A manager that has gone away refuses.
    State state() const {
        if (state_ == State::Waiting && SelectionOwner(connection_, manager_) == XCB_WINDOW_NONE) {
            return State::Refused;
        }
        return state_;
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* /*result*/) override {
        if (type != "xcb_generic_event_t") {
            return false;
        }
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7F) != XCB_SELECTION_NOTIFY) {
            return false;
        }
        const auto* notify = reinterpret_cast<const xcb_selection_notify_event_t*>(event);
        if (notify->requestor != requestor_) {
            return false;
        }
        state_ = notify->property == XCB_ATOM_NONE ? State::Refused : State::Saved;
        return true;
    }

private:
    xcb_connection_t* connection_;
    xcb_atom_t manager_;
    xcb_window_t requestor_ = XCB_WINDOW_NONE;
    State state_ = State::Waiting;
};

bool HandToManager(xcb_connection_t* connection) {
    if (SelectionOwner(connection, Intern(connection, "CLIPBOARD_MANAGER")) == XCB_WINDOW_NONE) {
        return false;
    }
    ManagerRequest request(connection);
    ServeUntil(Clock::now() + kManagerWait,
               [&request] { return request.state() != ManagerRequest::State::Waiting; });
    return request.state() == ManagerRequest::State::Saved;
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
std::optional<std::string> HandToKeeper(xcb_connection_t* connection, xcb_window_t owner) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    KeeperProcess keeper;
    if (auto failure = keeper.Start(KeeperPath(), owner,
                                    clipboard->text(QClipboard::Clipboard).toStdString())) {
        return failure;
    }
    // Requests that reach this program before the keeper takes over are answered
    // here; the wait ends once Qt has seen the take-over, after them.
    const bool settled = ServeUntil(Clock::now() + kKeeperWait, [&keeper, clipboard] {
        const std::optional<bool> keeping = keeper.Answer();
        return keeping.has_value() && (!*keeping || !clipboard->ownsClipboard());
    });
    if (!settled) {
        keeper.Kill();
        return "the keeper did not answer in time";
    }
    const xcb_window_t now = SelectionOwner(connection, Intern(connection, "CLIPBOARD"));
    if (*keeper.Answer() || (now != XCB_WINDOW_NONE && !CreatedBy(connection, now))) {
        return std::nullopt;
    }
    return "the keeper could not take the clipboard";
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
    if (CreatedBy(connection, owner) && clipboard->ownsClipboard() && !HandToManager(connection)) {
        if (const auto failure = HandToKeeper(connection, owner)) {
            std::fprintf(stderr, "%.*s: the copied text could not be kept after exit: %s\n",
                         static_cast<int>(program.size()), program.data(), failure->c_str());
        }
    }
    // Whatever is still ours is let go now: Qt would otherwise offer it to the manager
    // again as the application object ends, and wait for an answer without a bound.
    for (const QClipboard::Mode mode : {QClipboard::Clipboard, QClipboard::Selection}) {
        if (mode == QClipboard::Clipboard ? clipboard->ownsClipboard()
                                          : clipboard->ownsSelection()) {
            clipboard->clear(mode);
        }
    }
}

}  // namespace tintcast::platform::qt
