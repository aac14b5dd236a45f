// Which hand-off the program chooses at exit, and what it asks the compositor first.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <QByteArray>
#include <QTemporaryDir>
#include <QtGlobal>

#include "platform/session/handover/choice.h"
#include "platform/session/start/wayland_registry.h"

namespace tintcast::platform::session {
namespace {

using namespace std::chrono_literals;

TEST(ChooseHandover, WlCopyWhereverDataControlIsOfferedTheX11HandOffElseOnX11) {
    struct Case {
        const char* platform;
        bool dataControl;
        Handover expected;
    };
    for (const Case& c :
         {Case{"xcb", false, Handover::X11}, Case{"xcb", true, Handover::WlCopy},
          Case{"wayland", true, Handover::WlCopy}, Case{"wayland-egl", false, Handover::Compositor},
          Case{"offscreen", true, Handover::None}, Case{"offscreen", false, Handover::None}}) {
        SCOPED_TRACE(::testing::Message() << c.platform << " " << c.dataControl);
        EXPECT_EQ(ChooseHandover(c.platform, c.dataControl), c.expected);
    }
}

// wl_registry.global as a compositor sends it.
std::vector<char> Global(std::uint32_t name, const std::string& interface) {
    const auto textLength = static_cast<std::uint32_t>(interface.size() + 1);
    const std::uint32_t padded = (textLength + 3) & ~3U;
    std::vector<std::uint32_t> words{2, 0, name, textLength};
    words.resize(4 + padded / 4 + 1, 0);
    std::memcpy(&words[4], interface.c_str(), textLength);
    words.back() = 1;  // version
    words[1] = static_cast<std::uint32_t>(words.size() * 4) << 16;
    std::vector<char> bytes(words.size() * 4);
    std::memcpy(bytes.data(), words.data(), bytes.size());
    return bytes;
}

// A compositor of one connection: it reads the two requests, then sends the given bytes
// in pieces of the given size, then wl_callback.done unless told to stay silent.
class FakeCompositor {
public:
    FakeCompositor(std::vector<std::string> interfaces, std::size_t piece, bool answers = true) {
        path_ = dir_.path().toStdString() + "/wayland-test";
        listener_ = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path_.c_str(), sizeof address.sun_path - 1);
        EXPECT_EQ(bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(listen(listener_, 1), 0);
        std::vector<char> bytes;
        std::uint32_t name = 1;
        for (const std::string& interface : interfaces) {
            const std::vector<char> global = Global(name++, interface);
            bytes.insert(bytes.end(), global.begin(), global.end());
        }
        if (answers) {
            const std::uint32_t done[3] = {3, 12U << 16, 0};
            bytes.insert(bytes.end(), reinterpret_cast<const char*>(done),
                         reinterpret_cast<const char*>(done) + sizeof done);
        }
        server_ = std::thread([this, bytes, piece] {
            const int client = accept(listener_, nullptr, nullptr);
            char request[24];
            std::size_t got = 0;
            while (got < sizeof request) {
                const ssize_t n = read(client, request + got, sizeof request - got);
                if (n <= 0) {
                    break;
                }
                got += static_cast<std::size_t>(n);
            }
            for (std::size_t at = 0; at < bytes.size(); at += piece) {
                const std::size_t size = std::min(piece, bytes.size() - at);
                if (send(client, bytes.data() + at, size, MSG_NOSIGNAL) < 0) {
                    break;
                }
                std::this_thread::sleep_for(1ms);  // lets each piece arrive on its own
            }
            char ignored;
            while (read(client, &ignored, 1) > 0) {
            }
            close(client);
        });
        saved_ = qgetenv("WAYLAND_DISPLAY");
        qputenv("WAYLAND_DISPLAY", QByteArray::fromStdString(path_));
    }
    ~FakeCompositor() {
        server_.join();
        close(listener_);
        qputenv("WAYLAND_DISPLAY", saved_);
    }
    FakeCompositor(const FakeCompositor&) = delete;
    FakeCompositor& operator=(const FakeCompositor&) = delete;

private:
    QTemporaryDir dir_;
    std::string path_;
    int listener_ = -1;
    std::thread server_;
    QByteArray saved_;
};

TEST(WaylandOffersDataControl, FindsItAmongTheGlobalsHoweverTheyArrive) {
    const std::vector<std::string> globals{"wl_compositor", "zwlr_data_control_manager_v1",
                                           "wl_seat", "xdg_wm_base"};
    for (const std::size_t piece : {std::size_t{4096}, std::size_t{5}}) {
        SCOPED_TRACE(piece);
        FakeCompositor compositor(globals, piece);
        EXPECT_TRUE(WaylandOffersDataControl());
    }
}

TEST(WaylandOffersDataControl, NotWhereItIsMissingSilentOrUnreachable) {
    {
        // A near name is not the protocol.
        FakeCompositor compositor({"wl_compositor", "zwlr_data_control_manager", "wl_seat"}, 4096);
        EXPECT_FALSE(WaylandOffersDataControl());
    }
    {
        // A compositor that never finishes answering: the wait is bounded.
        FakeCompositor compositor({"wl_compositor"}, 4096, /*answers=*/false);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(WaylandOffersDataControl(200ms));
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    }
    const QByteArray saved = qgetenv("WAYLAND_DISPLAY");
    qputenv("WAYLAND_DISPLAY", "/nonexistent/wayland-0");
    EXPECT_FALSE(WaylandOffersDataControl());
    qunsetenv("WAYLAND_DISPLAY");
    EXPECT_FALSE(WaylandOffersDataControl());
    qputenv("WAYLAND_DISPLAY", saved);
}

}  // namespace
}  // namespace tintcast::platform::session
