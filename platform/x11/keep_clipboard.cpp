// Keeps serving a program's clipboard text after the program has ended, as X11
// clipboard tools do, until another program takes the clipboard.
//
// Usage: tintcast-keep-clipboard OWNER-WINDOW < text
// Takes the clipboard over only if OWNER-WINDOW still owns it, checked and done
// under a server grab so that no newer copy can be overwritten. The program asks for
// a keeper only where no clipboard manager took the text. Answers 'k' (keeping) or
// 'n' on stdout. It serves holding nothing but its X connection, and allowed only
// the system calls that takes (keeper_confinement.h).

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <xcb/xcb.h>

#include "platform/x11/keeper_confinement.h"
#include "platform/x11/selection.h"

namespace {

using tintcast::platform::x11::ConfineKeeper;
using tintcast::platform::x11::Intern;
using tintcast::platform::x11::SelectionOwner;
using tintcast::platform::x11::SendSelectionNotify;

constexpr std::size_t kMaxText = 64 * 1024;  // served in one piece, without INCR

struct Atoms {
    xcb_atom_t clipboard, targets, timestamp, utf8, text, plain, plainUtf8, pid;
};

bool ReadAll(int fd, std::string& out) {
    // The longest text fits, and one byte more tells that the text is too long.
    static char text[kMaxText + 1];
    std::size_t size = 0;
    for (;;) {
        const ssize_t got = read(fd, text + size, sizeof text - size);
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            out.assign(text, size);
            return true;
        }
        size += static_cast<std::size_t>(got);
        if (size > kMaxText) {
            return false;
        }
    }
}

// Latin-1 for STRING; false when the text has characters Latin-1 lacks.
bool ToLatin1(const std::string& utf8, std::string& out) {
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte < 0x80) {
            out.push_back(static_cast<char>(byte));
        } else if ((byte == 0xC2 || byte == 0xC3) && i + 1 < utf8.size()) {
            const auto next = static_cast<unsigned char>(utf8[++i]);
            out.push_back(static_cast<char>(((byte & 0x03) << 6) | (next & 0x3F)));
        } else {
            return false;
        }
    }
    return true;
}

// A server timestamp, from the PropertyNotify that an empty append produces.
xcb_timestamp_t ServerTime(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property) {
    xcb_change_property(c, XCB_PROP_MODE_APPEND, window, property, XCB_ATOM_CARDINAL, 32, 0,
                        nullptr);
    xcb_flush(c);
    while (xcb_generic_event_t* event = xcb_wait_for_event(c)) {
        const bool found = (event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY;
        const xcb_timestamp_t time =
            found ? reinterpret_cast<xcb_property_notify_event_t*>(event)->time : XCB_CURRENT_TIME;
        std::free(event);
        if (found) {
            return time;
        }
    }
    return XCB_CURRENT_TIME;
}

void Answer(xcb_connection_t* c, const Atoms& atoms, const xcb_selection_request_event_t& request,
            const std::string& text, xcb_timestamp_t owned) {
    const xcb_atom_t property =
        request.property != XCB_ATOM_NONE ? request.property : request.target;
    bool served = true;
    if (request.target == atoms.targets) {
        const xcb_atom_t list[] = {atoms.targets, atoms.timestamp, atoms.utf8,     XCB_ATOM_STRING,
                                   atoms.text,    atoms.plain,     atoms.plainUtf8};
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_ATOM,
                            32, sizeof list / sizeof list[0], list);
    } else if (request.target == atoms.timestamp) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property, XCB_ATOM_INTEGER,
                            32, 1, &owned);
    } else if (request.target == atoms.utf8 || request.target == atoms.plainUtf8) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property, request.target,
                            8, static_cast<std::uint32_t>(text.size()), text.data());
    } else if (request.target == XCB_ATOM_STRING || request.target == atoms.text ||
               request.target == atoms.plain) {
        std::string latin1;
        served = ToLatin1(text, latin1);
        if (served) {
            const xcb_atom_t type =
                request.target == atoms.plain ? atoms.plain : xcb_atom_t{XCB_ATOM_STRING};
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, request.requestor, property, type, 8,
                                static_cast<std::uint32_t>(latin1.size()), latin1.data());
        }
    } else {
        served = false;
    }
    SendSelectionNotify(c, request, served ? property : xcb_atom_t{XCB_ATOM_NONE});
    xcb_flush(c);
}

bool WindowExists(xcb_connection_t* c, xcb_window_t window) {
    xcb_generic_error_t* error = nullptr;
    auto* reply = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), &error);
    const bool exists = reply != nullptr;
    std::free(reply);
    std::free(error);
    return exists;
}

// A standard stream that came closed would leave its number to the X connection,
// which would then be put on /dev/null with the streams.
void OpenStandardStreams() {
    int fd = open("/dev/null", O_RDWR);
    while (fd >= 0 && fd <= STDERR_FILENO) {
        fd = open("/dev/null", O_RDWR);
    }
    if (fd >= 0) {
        close(fd);
    }
}

void Report(bool keeping) {
    const char answer = keeping ? 'k' : 'n';
    [[maybe_unused]] const ssize_t written = write(STDOUT_FILENO, &answer, 1);
}

}  // namespace

int main(int argc, char** argv) {
    OpenStandardStreams();
    if (argc != 2) {
        Report(false);
        return 2;
    }
    char* end = nullptr;
    const unsigned long expected = std::strtoul(argv[1], &end, 10);
    std::string text;
    if (end == argv[1] || *end != '\0' || !ReadAll(STDIN_FILENO, text)) {
        Report(false);
        return 2;
    }

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c) != 0) {
        Report(false);
        return 1;
    }
    const std::uint32_t pid = static_cast<std::uint32_t>(getpid());
    // From here on it only talks X, and answers once.
    if (!ConfineKeeper(xcb_get_file_descriptor(c))) {
        Report(false);
        xcb_disconnect(c);
        return 1;
    }
    const Atoms atoms{Intern(c, "CLIPBOARD"),
                      Intern(c, "TARGETS"),
                      Intern(c, "TIMESTAMP"),
                      Intern(c, "UTF8_STRING"),
                      Intern(c, "TEXT"),
                      Intern(c, "text/plain"),
                      Intern(c, "text/plain;charset=utf-8"),
                      Intern(c, "_NET_WM_PID")};
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    // Structure events tell when another client destroys the window.
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atoms.pid, XCB_ATOM_CARDINAL, 32, 1,
                        &pid);
    const xcb_timestamp_t owned = ServerTime(c, window, atoms.pid);

    // Check and take in one step: nobody can change the owner in between.
    xcb_grab_server(c);
    bool keeping = SelectionOwner(c, atoms.clipboard) == expected;
    if (keeping) {
        xcb_set_selection_owner(c, window, atoms.clipboard, owned);
        keeping = SelectionOwner(c, atoms.clipboard) == window;
    }
    xcb_ungrab_server(c);
    xcb_flush(c);
    Report(keeping);
    close(STDOUT_FILENO);  // the program reads the answer; nothing more is written there
    if (!keeping) {
        xcb_disconnect(c);
        return 0;
    }

    // Any client can send a SelectionClear or a DestroyNotify, and the bit that marks
    // a sent event is not to be trusted: the server is asked whether it is so.
    bool serving = true;
    while (serving) {
        xcb_generic_event_t* event = xcb_wait_for_event(c);
        if (event == nullptr) {
            break;  // the display is gone
        }
        const std::uint8_t type = event->response_type & 0x7F;
        if (type == XCB_SELECTION_REQUEST) {
            Answer(c, atoms, *reinterpret_cast<xcb_selection_request_event_t*>(event), text, owned);
        } else if (type == XCB_SELECTION_CLEAR) {
            serving = SelectionOwner(c, atoms.clipboard) == window;
        } else if (type == XCB_DESTROY_NOTIFY) {
            serving = WindowExists(c, window);
        }
        std::free(event);
    }
    xcb_disconnect(c);
    return 0;
}
