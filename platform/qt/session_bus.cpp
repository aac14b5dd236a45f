#include "platform/qt/session_bus.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace tintcast::platform::qt {

namespace {

using Clock = std::chrono::steady_clock;

// "%2f" and the like, as bus addresses escape their values.
std::string Unescape(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        unsigned byte = 0;
        if (value[i] == '%' && i + 2 < value.size() &&
            std::from_chars(value.data() + i + 1, value.data() + i + 3, byte, 16).ptr ==
                value.data() + i + 3) {
            out.push_back(static_cast<char>(byte));
            i += 2;
        } else {
            out.push_back(value[i]);
        }
    }
    return out;
}

// The first step of the bus's handshake, which a live bus answers at once.
std::string AuthLine() {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string line(1, '\0');
    line += "AUTH EXTERNAL ";
    for (const char digit : std::to_string(getuid())) {
        line += kHex[static_cast<unsigned char>(digit) >> 4];
        line += kHex[static_cast<unsigned char>(digit) & 0xF];
    }
    return line + "\r\n";
}

// Whether anything comes back (a line, an error, the end) before the deadline.
bool Answers(int fd, Clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd waiting = {fd, POLLIN, 0};
        if (left.count() <= 0) {
            return false;
        }
        const int ready = poll(&waiting, 1, static_cast<int>(left.count()));
        if (ready > 0) {
            return true;
        }
        if (ready < 0 && errno != EINTR) {
            return true;  // nothing to wait for
        }
    }
}

// The socket of the first address if it is a Unix one, as libdbus would choose it:
// the environment's address, or else the runtime directory's "bus".
std::optional<sockaddr_un> BusSocket() {
    const char* variable = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    std::string address = variable != nullptr ? variable : "";
    if (address.empty()) {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        struct stat info = {};
        if (runtime == nullptr || stat((std::string(runtime) + "/bus").c_str(), &info) != 0 ||
            !S_ISSOCK(info.st_mode)) {
            return std::nullopt;
        }
        address = "unix:path=" + std::string(runtime) + "/bus";
    }
    address = address.substr(0, address.find(';'));
    if (address.rfind("unix:", 0) != 0) {
        return std::nullopt;
    }
    sockaddr_un socket = {};
    socket.sun_family = AF_UNIX;
    std::string_view keys = std::string_view(address).substr(5);
    while (!keys.empty()) {
        const std::string_view pair = keys.substr(0, keys.find(','));
        keys.remove_prefix(std::min(keys.size(), pair.size() + 1));
        const std::size_t equals = pair.find('=');
        const std::string_view key = pair.substr(0, equals);
        if (equals == std::string_view::npos || (key != "path" && key != "abstract")) {
            continue;
        }
        const std::string value = Unescape(pair.substr(equals + 1));
        const std::size_t offset = key == "abstract" ? 1 : 0;
        if (value.size() + offset >= sizeof socket.sun_path) {
            return std::nullopt;
        }
        std::memcpy(socket.sun_path + offset, value.data(), value.size());
        return socket;
    }
    return std::nullopt;
}

}  // namespace

bool SessionBusAnswers(std::chrono::milliseconds bound) {
    const auto address = BusSocket();
    if (!address) {
        return true;  // nothing for Qt to wait for, or nothing known about it
    }
    const auto deadline = Clock::now() + bound;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return true;
    }
    socklen_t length = sizeof *address;
    if (address->sun_path[0] == '\0') {  // abstract: the name's length counts
        length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 +
                                        std::strlen(address->sun_path + 1));
    }
    bool answers = true;  // a bus that refuses the connection fails Qt's at once too
    if (connect(fd, reinterpret_cast<const sockaddr*>(&*address), length) == 0) {
        const std::string line = AuthLine();
        answers =
            send(fd, line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size()) ||
            Answers(fd, deadline);
    } else if (errno == EAGAIN) {
        answers = false;  // its queue of connections is full: it is not reading them
    }
    close(fd);
    return answers;
}

void AvoidSessionBus() {
    // An address of no known kind: libdbus refuses it without trying anything else.
    setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
}

}  // namespace tintcast::platform::qt
