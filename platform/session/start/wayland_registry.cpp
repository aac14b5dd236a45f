#include "platform/session/start/wayland_registry.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/session/start/unix_socket.h"

namespace tintcast::platform::session {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kDataControl = "zwlr_data_control_manager_v1";

int ConnectWayland() {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    if (name == nullptr || *name == '\0') {
        return -1;
    }
    if (name[0] == '/') {
        return ConnectUnixSocket(name);
    }
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || *runtime == '\0') {
        return -1;
    }
    return ConnectUnixSocket(std::string(runtime) + '/' + name);
}

// One request on the wire: object, size and opcode, one argument.
void PutRequest(std::vector<std::uint32_t>& out, std::uint32_t object, std::uint16_t opcode,
                std::uint32_t argument) {
    out.insert(out.end(), {object, (12u << 16) | opcode, argument});
}

}  // namespace

// The registry's globals are read straight off the socket: one question, answered
// within a bound, needs neither libwayland's unbounded round trip nor its headers.
bool WaylandOffersDataControl(std::chrono::milliseconds wait) {
    const int fd = ConnectWayland();
    if (fd < 0) {
        return false;
    }
    constexpr std::uint32_t kDisplay = 1, kRegistry = 2, kCallback = 3;
    std::vector<std::uint32_t> request;
    PutRequest(request, kDisplay, 1, kRegistry);  // wl_display.get_registry
    PutRequest(request, kDisplay, 0, kCallback);  // wl_display.sync: done after the globals
    const auto size = static_cast<ssize_t>(request.size() * sizeof(std::uint32_t));
    bool found = false;
    bool done = send(fd, request.data(), static_cast<std::size_t>(size), MSG_NOSIGNAL) != size;
    std::vector<char> buffer;
    const auto deadline = Clock::now() + wait;
    while (!done && !found) {
        if (!ReadableBefore(fd, deadline)) {
            break;
        }
        char chunk[4096];
        const ssize_t got = recv(fd, chunk, sizeof chunk, 0);
        if (got <= 0) {
            break;
        }
        buffer.insert(buffer.end(), chunk, chunk + got);
        std::size_t at = 0;
        while (buffer.size() - at >= 8) {
            std::uint32_t header[2];
            std::memcpy(header, buffer.data() + at, sizeof header);
            const std::size_t length = header[1] >> 16;
            if (length < 8 || buffer.size() - at < length) {
                done = length < 8;
                break;
            }
            const std::uint16_t opcode = header[1] & 0xFFFF;
            if (header[0] == kCallback) {
                done = true;
            } else if (header[0] == kRegistry && opcode == 0 && length >= 16) {
                // wl_registry.global: name, interface (length with its NUL, bytes), version
                std::uint32_t textLength = 0;
                std::memcpy(&textLength, buffer.data() + at + 12, sizeof textLength);
                if (textLength > 0 && 16 + textLength <= length) {
                    found = found || std::string_view(buffer.data() + at + 16, textLength - 1) ==
                                         kDataControl;
                }
            }
            at += length;
        }
        buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(at));
    }
    close(fd);
    return found;
}

}  // namespace tintcast::platform::session
