#include "platform/session/start/wayland_registry.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "platform/session/start/unix_socket.h"

namespace tintcast::platform::session {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kDataControl = "zwlr_data_control_manager_v1";
constexpr std::string_view kDecorations = "zxdg_decoration_manager_v1";
constexpr std::string_view kOutput = "wl_output";
// wl_output.scale, and the done that ends an output's description, came in version 2.
constexpr std::uint32_t kOutputVersion = 2;
constexpr std::uint16_t kOutputScale = 3;

constexpr std::uint32_t kDisplay = 1, kRegistry = 2, kGlobalsDone = 3;

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

// Requests as they go on the wire: object, size and opcode, then 32-bit words.
class Requests {
public:
    void Put(std::uint32_t object, std::uint16_t opcode, std::initializer_list<std::uint32_t> args,
             std::string_view text = {}, std::initializer_list<std::uint32_t> after = {}) {
        const std::size_t start = words_.size();
        words_.insert(words_.end(), {object, 0});
        words_.insert(words_.end(), args);
        if (!text.empty()) {
            // A string: its length with the NUL, then its bytes padded to 32 bits.
            words_.push_back(static_cast<std::uint32_t>(text.size() + 1));
            const std::size_t at = words_.size();
            words_.resize(at + (text.size() + 4) / 4, 0);
            std::memcpy(words_.data() + at, text.data(), text.size());
        }
        words_.insert(words_.end(), after);
        const auto bytes = static_cast<std::uint32_t>((words_.size() - start) * 4);
        words_[start + 1] = (bytes << 16) | opcode;
    }

    bool Send(int fd) {
        const std::size_t size = words_.size() * sizeof(std::uint32_t);
        const bool sent = send(fd, words_.data(), size, MSG_NOSIGNAL) == static_cast<ssize_t>(size);
        words_.clear();
        return sent;
    }

private:
    std::vector<std::uint32_t> words_;
};

std::uint32_t Word(const char* at) {
    std::uint32_t word = 0;
    std::memcpy(&word, at, sizeof word);
    return word;
}

struct Global {
    std::uint32_t name = 0;
    std::string_view interface;
    std::uint32_t version = 0;
};

// wl_registry.global: name, interface (length with its NUL, bytes padded), version.
bool ReadGlobal(const char* message, std::size_t length, Global& global) {
    if (length < 16) {
        return false;
    }
    const std::uint32_t textLength = Word(message + 12);
    const std::size_t padded = (std::size_t{textLength} + 3) & ~std::size_t{3};
    if (textLength == 0 || 16 + padded + 4 > length) {
        return false;
    }
    global = {Word(message + 8), std::string_view(message + 16, textLength - 1),
              Word(message + 16 + padded)};
    return true;
}

}  // namespace

// The registry is read straight off the socket: a few questions, answered within a
// bound, need neither libwayland's unbounded round trips nor its headers.
WaylandRegistry ReadWaylandRegistry(bool outputScales, std::chrono::milliseconds wait) {
    WaylandRegistry found;
    const int fd = ConnectWayland();
    if (fd < 0) {
        return found;
    }
    Requests requests;
    requests.Put(kDisplay, 1, {kRegistry});     // wl_display.get_registry
    requests.Put(kDisplay, 0, {kGlobalsDone});  // wl_display.sync: done after the globals
    bool done = !requests.Send(fd);
    std::vector<std::uint32_t> outputs;              // the outputs' global names
    std::uint32_t firstOutput = 0, outputsDone = 0;  // object ids, once bound
    std::vector<char> buffer;
    const auto deadline = Clock::now() + wait;
    while (!done && ReadableBefore(fd, deadline)) {
        char chunk[4096];
        const ssize_t got = recv(fd, chunk, sizeof chunk, 0);
        if (got <= 0) {
            break;
        }
        buffer.insert(buffer.end(), chunk, chunk + got);
        std::size_t at = 0;
        while (!done && buffer.size() - at >= 8) {
            const char* message = buffer.data() + at;
            const std::uint32_t object = Word(message);
            const std::size_t length = Word(message + 4) >> 16;
            const auto opcode = static_cast<std::uint16_t>(Word(message + 4) & 0xFFFF);
            if (length < 8 || buffer.size() - at < length) {
                done = length < 8;
                break;
            }
            Global global;
            if (object == kDisplay && opcode == 0) {
                done = true;  // wl_display.error: the connection is over
            } else if (object == kRegistry && opcode == 0 && ReadGlobal(message, length, global)) {
                found.dataControl = found.dataControl || global.interface == kDataControl;
                found.serverDecorations =
                    found.serverDecorations || global.interface == kDecorations;
                if (outputScales && global.interface == kOutput &&
                    global.version >= kOutputVersion) {
                    outputs.push_back(global.name);
                }
            } else if (object == kGlobalsDone && outputs.empty()) {
                done = true;
            } else if (object == kGlobalsDone) {
                // Each output sends its scale as it is bound, before a second sync ends.
                firstOutput = kGlobalsDone + 1;
                outputsDone = firstOutput + static_cast<std::uint32_t>(outputs.size());
                for (std::uint32_t i = 0; i < outputs.size(); ++i) {
                    // wl_registry.bind: name, then the new object's interface, version, id.
                    requests.Put(kRegistry, 0, {outputs[i]}, kOutput,
                                 {kOutputVersion, firstOutput + i});
                }
                requests.Put(kDisplay, 0, {outputsDone});
                done = !requests.Send(fd);
            } else if (outputsDone != 0 && object >= firstOutput && object < outputsDone &&
                       opcode == kOutputScale && length >= 12) {
                found.outputScale =
                    std::max(found.outputScale, static_cast<int>(Word(message + 8)));
            } else if (outputsDone != 0 && object == outputsDone) {
                done = true;
            }
            at += length;
        }
        buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(at));
    }
    close(fd);
    return found;
}

}  // namespace tintcast::platform::session
