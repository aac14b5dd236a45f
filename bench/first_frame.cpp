// Starts a program and reports, from X events alone, when its window was mapped and
// when it was first painted, in milliseconds from the start. The program then runs on
// until this helper's standard input closes, and is ended.
//
//   first_frame TIMEOUT_SECONDS PROGRAM [ARGUMENT...]
//
// Prints one line: "pid=P window=W mapped_ms=M painted_ms=D".
// The program's window is the first window mapped whose _NET_WM_PID is the program's;
// its first paint is the first DAMAGE the server reports on it after the map.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <string_view>

extern char** environ;

namespace {

double NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

int Fail(const char* message) {
    std::fprintf(stderr, "first_frame: %s\n", message);
    return 1;
}

xcb_atom_t Intern(xcb_connection_t* connection, std::string_view name) {
    auto* reply = xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.data()),
        nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

std::uint32_t WindowPid(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t netWmPid) {
    auto* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, netWmPid, XCB_ATOM_CARDINAL, 0, 1),
        nullptr);
    std::uint32_t pid = 0;
    if (reply != nullptr && reply->format == 32 && xcb_get_property_value_length(reply) == 4) {
        std::memcpy(&pid, xcb_get_property_value(reply), 4);
    }
    std::free(reply);
    return pid;
}

bool IsMapped(xcb_connection_t* connection, xcb_window_t window) {
    auto* reply = xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, window), nullptr);
    const bool mapped = reply != nullptr && reply->map_state != XCB_MAP_STATE_UNMAPPED;
    std::free(reply);
    return mapped;
}

// Ends the program: TERM, then KILL if it is still there after a grace period.
void End(pid_t pid) {
    kill(pid, SIGTERM);
    const double deadline = NowMs() + 5000;
    while (waitpid(pid, nullptr, WNOHANG) == 0) {
        if (NowMs() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            return;
        }
        poll(nullptr, 0, 10);  // waits for the exit; bounded by the deadline above
    }
}

class Observer {
public:
    Observer(xcb_connection_t* connection, pid_t pid, std::uint8_t damageEvent)
        : connection_(connection),
          pid_(pid),
          damageEvent_(damageEvent),
          netWmPid_(Intern(connection, "_NET_WM_PID")) {}

    bool Painted() const { return painted_ >= 0; }
    xcb_window_t Window() const { return window_; }
    double Mapped() const { return mapped_; }
    double FirstPaint() const { return painted_; }

    void Handle(const xcb_generic_event_t* event) {
        const std::uint8_t type = event->response_type & 0x7F;
        if (type == XCB_CREATE_NOTIFY) {
            const auto* created = reinterpret_cast<const xcb_create_notify_event_t*>(event);
            if (!created->override_redirect) {
                Watch(created->window);
            }
        } else if (type == XCB_MAP_NOTIFY) {
            const auto* mapped = reinterpret_cast<const xcb_map_notify_event_t*>(event);
            if (watched_.contains(mapped->window)) {
                OnMapped(mapped->window);
            }
        } else if (type == XCB_DESTROY_NOTIFY) {
            watched_.erase(reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window);
        } else if (type == damageEvent_ + XCB_DAMAGE_NOTIFY) {
            const auto* damaged = reinterpret_cast<const xcb_damage_notify_event_t*>(event);
            // Reports come again only once the damage is emptied.
            xcb_damage_subtract(connection_, damaged->damage, XCB_NONE, XCB_NONE);
            xcb_flush(connection_);
            if (window_ != XCB_NONE && damaged->drawable == window_ && painted_ < 0) {
                painted_ = NowMs();
            }
        }
    }

private:
    void Watch(xcb_window_t window) {
        const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, window, XCB_CW_EVENT_MASK, &mask);
        const xcb_damage_damage_t damage = xcb_generate_id(connection_);
        xcb_damage_create(connection_, damage, window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
        watched_[window] = damage;
        // A map that came before the selection took effect would go unseen.
        if (IsMapped(connection_, window)) {
            OnMapped(window);
        }
    }

    void OnMapped(xcb_window_t window) {
        if (window_ == XCB_NONE &&
            WindowPid(connection_, window, netWmPid_) == static_cast<std::uint32_t>(pid_)) {
            window_ = window;
            mapped_ = NowMs();
        }
    }

    xcb_connection_t* connection_;
    pid_t pid_;
    std::uint8_t damageEvent_;
    xcb_atom_t netWmPid_;
    std::map<xcb_window_t, xcb_damage_damage_t> watched_;
    xcb_window_t window_ = XCB_NONE;
    double mapped_ = -1;
    double painted_ = -1;
};

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        return Fail("usage: first_frame TIMEOUT_SECONDS PROGRAM [ARGUMENT...]");
    }
    const double timeoutMs = std::atof(argv[1]) * 1000;
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        return Fail("cannot open the display");
    }
    const xcb_query_extension_reply_t* damage = xcb_get_extension_data(connection, &xcb_damage_id);
    if (damage == nullptr || !damage->present) {
        return Fail("the X server has no DAMAGE extension");
    }
    std::free(xcb_damage_query_version_reply(connection, xcb_damage_query_version(connection, 1, 1),
                                             nullptr));
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber; ++i) {
        xcb_screen_next(&screens);
    }
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_generic_error_t* error = xcb_request_check(
        connection, xcb_change_window_attributes_checked(connection, screens.data->root,
                                                         XCB_CW_EVENT_MASK, &mask));
    if (error != nullptr) {
        std::free(error);
        return Fail("cannot watch the root window");
    }

    // The program writes its output to our standard error and reads nothing.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
    pid_t pid = -1;
    const double start = NowMs();
    const int spawned = posix_spawnp(&pid, argv[2], &actions, nullptr, argv + 2, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return Fail("cannot start the program");
    }

    Observer observer(connection, pid, damage->first_event);
    const int fd = xcb_get_file_descriptor(connection);
    while (!observer.Painted()) {
        xcb_generic_event_t* event = xcb_poll_for_event(connection);
        if (event != nullptr) {
            observer.Handle(event);
            std::free(event);
            continue;
        }
        if (xcb_connection_has_error(connection)) {
            End(pid);
            return Fail("lost the display");
        }
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            return Fail("the program ended before its window was painted");
        }
        const double left = start + timeoutMs - NowMs();
        if (left <= 0) {
            End(pid);
            return Fail("timed out waiting for the window to be mapped and painted");
        }
        // Wakes for the next X event; at most every 100 ms to notice an early exit.
        pollfd ready{fd, POLLIN, 0};
        poll(&ready, 1, static_cast<int>(left < 100 ? left : 100));
    }
    std::printf("pid=%d window=0x%x mapped_ms=%.2f painted_ms=%.2f\n", pid, observer.Window(),
                observer.Mapped() - start, observer.FirstPaint() - start);
    std::fflush(stdout);
    xcb_disconnect(connection);

    char buffer[64];
    while (read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
    }
    End(pid);
    return 0;
}
