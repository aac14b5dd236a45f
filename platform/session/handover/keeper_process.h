#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>

namespace tintcast::platform::session {

// The clipboard keeper, a helper process that serves the copied text after the
// program has ended. It is handed the text and the window that owns the clipboard,
// and answers whether it took the clipboard over.
class KeeperProcess {
public:
    KeeperProcess() = default;
    ~KeeperProcess();
    KeeperProcess(const KeeperProcess&) = delete;
    KeeperProcess& operator=(const KeeperProcess&) = delete;

    // Starts the keeper; on failure returns why.
    std::optional<std::string> Start(const std::string& path, std::uint32_t owner,
                                     const std::string& text);
    // True: it keeps the text; false: it will not; nothing yet while it decides.
    std::optional<bool> Answer();
    // Ends the keeper, whatever it answered: one that has not taken over by now must
    // not take the clipboard later.
    void Kill();

private:
    pid_t pid_ = -1;
    int answer_ = -1;
    std::optional<bool> keeping_;
    bool killed_ = false;
};

}  // namespace tintcast::platform::session
