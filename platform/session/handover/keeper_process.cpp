#include "platform/session/handover/keeper_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>

extern char** environ;

namespace tintcast::platform::session {

namespace {

// SIGKILL ends a process at once, unless it is stuck in the kernel.
constexpr auto kReapWait = std::chrono::milliseconds(1000);

bool WriteAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t written = write(fd, data.data() + done, data.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

KeeperProcess::~KeeperProcess() {
    if (answer_ >= 0) {
        close(answer_);
    }
    // A keeper that keeps the text outlives the program; any other is ended and
    // collected, without waiting for it longer than a moment.
    if (keeping_ != true) {
        Kill();
    }
    if (killed_) {
        const auto deadline = std::chrono::steady_clock::now() + kReapWait;
        while (waitpid(pid_, nullptr, WNOHANG) == 0 &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
}

std::optional<std::string> KeeperProcess::Start(const std::string& path, std::uint32_t owner,
                                                const std::string& text) {
    int input[2];
    int answer[2];
    if (pipe2(input, O_CLOEXEC) != 0) {
        return std::strerror(errno);
    }
    if (pipe2(answer, O_CLOEXEC) != 0) {
        const int error = errno;
        close(input[0]);
        close(input[1]);
        return std::strerror(error);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, answer[1], STDOUT_FILENO);
    const std::string ownerArgument = std::to_string(owner);
    char* const argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>(ownerArgument.c_str()),
                          nullptr};
    const int spawned = posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(input[0]);
    close(answer[1]);
    if (spawned != 0) {
        pid_ = -1;
        close(input[1]);
        close(answer[0]);
        return path + ": " + std::strerror(spawned);
    }
    answer_ = answer[0];
    fcntl(answer_, F_SETFL, O_NONBLOCK);
    // The program is on its way out: a keeper that ends before reading must not end
    // it through SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    WriteAll(input[1], text);  // a keeper that misses the text refuses, and says so
    close(input[1]);
    return std::nullopt;
}

std::optional<bool> KeeperProcess::Answer() {
    if (!keeping_ && answer_ >= 0) {
        char decision = 0;
        const ssize_t got = read(answer_, &decision, 1);
        if (got == 1) {
            keeping_ = decision == 'k';
        } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
            keeping_ = false;  // ended without an answer
        }
    }
    return keeping_;
}

void KeeperProcess::Kill() {
    if (pid_ > 0 && !killed_) {
        kill(pid_, SIGKILL);
        killed_ = true;
    }
    keeping_ = false;
}

}  // namespace tintcast::platform::session
