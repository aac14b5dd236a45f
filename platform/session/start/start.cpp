#include "platform/session/start.h"

#include <pthread.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <utility>

#include "platform/session/start/messages.h"
#include "platform/session/start/multiple_guard.h"
#include "platform/session/start/platform_choice.h"
#include "platform/session/start/quit_on_signals.h"
#include "platform/session/start/session_bus.h"
#include "platform/session/start/wayland_registry.h"
#include "platform/session/start/window_system.h"
#include "platform/session/start/x11_facts.h"

namespace tintcast::platform::session {

namespace {

// A bus answers in milliseconds; one still silent after this may never answer.
constexpr std::chrono::milliseconds kSessionBusWait{2000};
// A stack of this size is ample for the threads Qt starts (X events, D-Bus).
constexpr std::size_t kThreadStack = 1024 * 1024;

bool IsSet(const char* name) {
    return std::getenv(name) != nullptr;
}

// Qt's X11 plugin takes "-display NAME" (or "--display NAME") over $DISPLAY. The
// clipboard keeper finds the display through $DISPLAY, so the two are made to agree.
void TakeDisplayArgument(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument == "-display" || argument == "--display") {
            setenv("DISPLAY", argv[++i], 1);  // the last one counts, as in Qt
        }
    }
}

// Qt waits for ever for a thread of its own (the D-Bus connection's) that could not be
// started. Under a limit on address space (ulimit -v) the default stacks, 8 MiB each,
// use it up at once: 100,000 KiB allowed the X event thread but not the next one.
void LeaveRoomForThreads() {
    rlimit space = {};
    pthread_attr_t attributes;
    std::size_t stack = 0;
    if (getrlimit(RLIMIT_AS, &space) != 0 || space.rlim_cur == RLIM_INFINITY ||
        pthread_getattr_default_np(&attributes) != 0) {
        return;
    }
    if (pthread_attr_getstacksize(&attributes, &stack) == 0 && stack > kThreadStack) {
        pthread_attr_setstacksize(&attributes, kThreadStack);
        pthread_setattr_default_np(&attributes);
    }
    pthread_attr_destroy(&attributes);
}

}  // namespace

Prepared PrepareStart(int argc, char** argv, std::string_view program) {
    TakeDisplayArgument(argc, argv);
    LeaveRoomForThreads();
    SessionFacts facts{.platformChosen = IsSet("QT_QPA_PLATFORM"),
                       .waylandDisplay = IsSet("WAYLAND_DISPLAY"),
                       .x11Display = IsSet("DISPLAY")};
    Prepared prepared;
    if (facts.waylandDisplay) {
        const WaylandRegistry registry = ReadWaylandRegistry(OutputScalesMatter(facts));
        facts.outputScale = registry.outputScale;
        facts.serverDecorations = registry.serverDecorations;
        prepared.waylandDataControl = registry.dataControl;
    }
    const StartChoice choice =
        ChooseStart(facts, X11FactsMatter(facts) ? ReadX11Facts() : X11Facts{});
    if (!choice.platform.empty()) {
        setenv("QT_QPA_PLATFORM", choice.platform.c_str(), 1);
    }
    if (!choice.clientDecorations) {
        // Where the person has said otherwise, that stands.
        setenv("QT_WAYLAND_DISABLE_WINDOWDECORATION", "1", 0);
    }
    if (!SessionBusAnswers(kSessionBusWait)) {
        AvoidSessionBus();  // the window matters more than the accessibility bridge
    }
    HandleQtMessages(program);
    return prepared;
}

Session::Session(const Prepared& prepared) : prepared_(prepared) {
    StartFinished();
    signals_ = std::make_unique<QuitOnSignals>();
    windowSystem_ = std::make_unique<WindowSystem>();
    multipleGuard_ = std::make_unique<MultipleGuard>();
}

Session::~Session() = default;

Capabilities Session::capabilities() const {
    return windowSystem_->capabilities();
}

void Session::OnCapabilitiesChanged(Changed changed) {
    windowSystem_->OnChange(std::move(changed));
}

bool Session::WaylandOffersDataControl() const {
    return prepared_.waylandDataControl;
}

}  // namespace tintcast::platform::session
