// What the start asks the Wayland compositor, against a compositor of one connection.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/session/start/wayland_registry.h"

namespace tintcast::platform::session {
namespace {

using namespace std::chrono_literals;

// An event as a compositor sends it: object, size and opcode, then 32-bit words.
void PutEvent(std::vector<char>& out, std::uint32_t object, std::uint16_t opcode,
              std::vector<std::uint32_t> args) {
    args.insert(args.begin(),
                {object, static_cast<std::uint32_t>((args.size() + 2) * 4) << 16 | opcode});
    const auto* bytes = reinterpret_cast<const char*>(args.data());
    out.insert(out.end(), bytes, bytes + args.size() * 4);
}

// wl_registry.global: name, interface, version.
void PutGlobal(std::vector<char>& out, std::uint32_t name, const std::string& interface,
               std::uint32_t version) {
    std::vector<std::uint32_t> args{name, static_cast<std::uint32_t>(interface.size() + 1)};
    args.resize(2 + (interface.size() + 4) / 4, 0);
    interface.copy(reinterpret_cast<char*>(&args[2]), interface.size());
    args.push_back(version);
    PutEvent(out, 2, 0, args);
}

struct Output {
    int scale;
    std::uint32_t version = 4;
};

// A compositor of one connection, on a thread of its own: it answers wl_display.sync
// and wl_registry.bind as a compositor does, first with the globals given (the outputs
// after them), each bound output then with its scale. What it sends goes out in pieces
// of the given size. Where told to be silent it never ends the first round trip.
class FakeCompositor {
public:
    FakeCompositor(std::vector<std::string> globals, std::vector<Output> outputs,
                   std::size_t piece = 4096, bool answers = true) {
        char folder[] = "/tmp/wayland-registry-test-XXXXXX";
        folder_ = mkdtemp(folder);
        path_ = folder_ + "/wayland-test";
        listener_ = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
        EXPECT_EQ(bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(listen(listener_, 1), 0);
        server_ = std::thread(
            [this, globals, outputs, piece, answers] { Serve(globals, outputs, piece, answers); });
        if (const char* saved = std::getenv("WAYLAND_DISPLAY")) {
            saved_ = saved;
        }
        setenv("WAYLAND_DISPLAY", path_.c_str(), 1);
    }
    ~FakeCompositor() {
        Finish();
        close(listener_);
        unlink(path_.c_str());
        rmdir(folder_.c_str());
        if (saved_) {
            setenv("WAYLAND_DISPLAY", saved_->c_str(), 1);
        } else {
            unsetenv("WAYLAND_DISPLAY");
        }
    }
    FakeCompositor(const FakeCompositor&) = delete;
    FakeCompositor& operator=(const FakeCompositor&) = delete;

    // Read once the client is gone (after the call that asked).
    int roundTrips() {
        Finish();
        return syncs_;
    }
    int binds() {
        Finish();
        return binds_;
    }

private:
    void Finish() {
        if (server_.joinable()) {
            server_.join();
        }
    }

    void Serve(const std::vector<std::string>& globals, const std::vector<Output>& outputs,
               std::size_t piece, bool answers) {
        const int client = accept(listener_, nullptr, nullptr);
        std::vector<char> in;
        std::map<std::uint32_t, int> bound;  // object id: scale
        char chunk[512];
        for (ssize_t got; (got = read(client, chunk, sizeof chunk)) > 0;) {
            in.insert(in.end(), chunk, chunk + got);
            std::size_t at = 0;
            while (in.size() - at >= 8) {
                std::uint32_t header[2];
                std::memcpy(header, in.data() + at, sizeof header);
                const std::size_t length = header[1] >> 16;
                if (length < 8 || in.size() - at < length) {
                    break;
                }
                std::vector<std::uint32_t> args((length - 8) / 4);
                std::memcpy(args.data(), in.data() + at + 8, args.size() * 4);
                const std::uint16_t opcode = header[1] & 0xFFFF;
                std::vector<char> out;
                if (header[0] == 1 && opcode == 0 && ++syncs_ == 1) {
                    std::uint32_t name = 1;
                    for (const std::string& interface : globals) {
                        PutGlobal(out, name++, interface, 1);
                    }
                    for (const Output& output : outputs) {
                        PutGlobal(out, name++, "wl_output", output.version);
                    }
                    if (answers) {
                        PutEvent(out, args[0], 0, {0});  // wl_callback.done
                    }
                } else if (header[0] == 1 && opcode == 0) {
                    for (const auto& [id, scale] : bound) {
                        PutEvent(out, id, 3, {static_cast<std::uint32_t>(scale)});
                        PutEvent(out, id, 2, {});  // wl_output.done
                    }
                    PutEvent(out, args[0], 0, {0});
                } else if (header[0] == 2 && opcode == 0) {
                    // wl_registry.bind: name, interface, version, new id
                    ++binds_;
                    const std::size_t index = args[0] - 1 - globals.size();
                    const std::uint32_t version = args[args.size() - 2];
                    if (index < outputs.size() && version <= outputs[index].version) {
                        bound[args.back()] = version >= 2 ? outputs[index].scale : 1;
                    }
                }
                Send(client, out, piece);
                at += length;
            }
            in.erase(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(at));
        }
        close(client);
    }

    static void Send(int client, const std::vector<char>& bytes, std::size_t piece) {
        for (std::size_t at = 0; at < bytes.size(); at += piece) {
            if (send(client, bytes.data() + at, std::min(piece, bytes.size() - at), MSG_NOSIGNAL) <
                0) {
                return;
            }
            std::this_thread::sleep_for(1ms);  // lets each piece arrive on its own
        }
    }

    std::string folder_, path_;
    int listener_ = -1;
    std::thread server_;
    std::optional<std::string> saved_;
    int syncs_ = 0, binds_ = 0;
};

const std::vector<std::string> kGlobals{"wl_compositor", "zwlr_data_control_manager_v1", "wl_seat",
                                        "zxdg_decoration_manager_v1", "xdg_wm_base"};

TEST(ReadWaylandRegistry, FindsDataControlAndDecorationsHoweverTheGlobalsArrive) {
    for (const std::size_t piece : {std::size_t{4096}, std::size_t{5}}) {
        SCOPED_TRACE(piece);
        FakeCompositor compositor(kGlobals, {{.scale = 2}}, piece);
        const WaylandRegistry registry = ReadWaylandRegistry(false);
        EXPECT_TRUE(registry.dataControl);
        EXPECT_TRUE(registry.serverDecorations);
        EXPECT_EQ(registry.outputScale, 1);  // not asked for: no output bound, one round trip
        EXPECT_EQ(compositor.binds(), 0);
        EXPECT_EQ(compositor.roundTrips(), 1);
    }
    // Near names are not the protocols.
    FakeCompositor compositor({"zwlr_data_control_manager", "zxdg_decoration_manager_v10"}, {});
    const WaylandRegistry registry = ReadWaylandRegistry(true);
    EXPECT_FALSE(registry.dataControl);
    EXPECT_FALSE(registry.serverDecorations);
}

TEST(ReadWaylandRegistry, TheLargestOutputScaleInOneMoreRoundTrip) {
    for (const std::size_t piece : {std::size_t{4096}, std::size_t{7}}) {
        SCOPED_TRACE(piece);
        // An output of version 1 has no scale to tell and is not bound.
        FakeCompositor compositor(
            kGlobals, {{.scale = 2, .version = 2}, {.scale = 1}, {.scale = 3, .version = 1}},
            piece);
        const WaylandRegistry registry = ReadWaylandRegistry(true);
        EXPECT_EQ(registry.outputScale, 2);
        EXPECT_TRUE(registry.dataControl);
        EXPECT_EQ(compositor.binds(), 2);
        EXPECT_EQ(compositor.roundTrips(), 2);
    }
    FakeCompositor compositor(kGlobals, {});  // no output yet: nothing more to ask
    EXPECT_EQ(ReadWaylandRegistry(true).outputScale, 1);
    EXPECT_EQ(compositor.roundTrips(), 1);
}

TEST(ReadWaylandRegistry, NothingWhereTheCompositorIsSilentOrUnreachable) {
    {
        // A compositor that never finishes answering: the wait is bounded.
        FakeCompositor compositor({"wl_compositor"}, {{.scale = 2}}, 4096, /*answers=*/false);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(ReadWaylandRegistry(true, 200ms).outputScale, 1);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    }
    const char* saved = std::getenv("WAYLAND_DISPLAY");
    const std::optional<std::string> before =
        saved ? std::optional<std::string>(saved) : std::nullopt;
    setenv("WAYLAND_DISPLAY", "/nonexistent/wayland-0", 1);
    EXPECT_FALSE(ReadWaylandRegistry(true).dataControl);
    unsetenv("WAYLAND_DISPLAY");
    EXPECT_FALSE(ReadWaylandRegistry(true).dataControl);
    if (before) {
        setenv("WAYLAND_DISPLAY", before->c_str(), 1);
    }
}

}  // namespace
}  // namespace tintcast::platform::session
