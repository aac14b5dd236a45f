#include "platform/session/start/session_bus.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "platform/session/start/unix_socket.h"

namespace tintcast::platform::session {

namespace {

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

struct BusSocket {
    std::string path;
    bool abstract = false;
};

// The socket of the first address if it is a Unix one, as libdbus would choose it:
// the environment's address, or else the runtime directory's "bus".
std::optional<BusSocket> FindBusSocket() {
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
    std::string_view keys = std::string_view(address).substr(5);
    while (!keys.empty()) {
        const std::string_view pair = keys.substr(0, keys.find(','));
        keys.remove_prefix(std::min(keys.size(), pair.size() + 1));
        const std::size_t equals = pair.find('=');
        const std::string_view key = pair.substr(0, equals);
        if (equals == std::string_view::npos || (key != "path" && key != "abstract")) {
            continue;
        }
        return BusSocket{Unescape(pair.substr(equals + 1)), key == "abstract"};
    }
    return std::nullopt;
}

}  // namespace

bool SessionBusAnswers(std::chrono::milliseconds bound) {
    const auto bus = FindBusSocket();
    if (!bus) {
        return true;  // nothing for Qt to wait for, or nothing known about it
    }
    const auto deadline = std::chrono::steady_clock::now() + bound;
    const int fd = ConnectUnixSocket(bus->path, bus->abstract);
    if (fd < 0) {
        // A full queue of connections means nobody reads them; a bus that refuses the
        // connection fails Qt's at once too.
        return errno != EAGAIN;
    }
    const std::string line = AuthLine();
    const bool answers =
        send(fd, line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size()) ||
        ReadableBefore(fd, deadline);
    close(fd);
    return answers;
}

void AvoidSessionBus() {
    // An address of no known kind: libdbus refuses it without trying anything else.
    setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
}

}  // namespace tintcast::platform::session
