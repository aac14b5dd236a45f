#include "platform/x11/keeper_confinement.h"

#include <fcntl.h>
#include <seccomp.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>

namespace tintcast::platform::x11 {

namespace {

// What serving takes, as strace shows it: libxcb waits with poll (ppoll where the C
// library has no poll), reads with recvmsg and writes with writev; malloc grows and
// trims the heap; the end shuts the connection down and exits. Interrupted calls
// are resumed with restart_syscall.
constexpr int kServing[] = {SCMP_SYS(poll),           SCMP_SYS(ppoll),      SCMP_SYS(recvmsg),
                            SCMP_SYS(writev),         SCMP_SYS(brk),        SCMP_SYS(munmap),
                            SCMP_SYS(mremap),         SCMP_SYS(madvise),    SCMP_SYS(close),
                            SCMP_SYS(shutdown),       SCMP_SYS(exit_group), SCMP_SYS(exit),
                            SCMP_SYS(restart_syscall)};

#if defined(__SANITIZE_ADDRESS__)
// The sanitizers' runtime besides, as the kernel's seccomp log shows it: the leak
// check at exit stops the process from a traced clone of itself, which lists the
// threads and reads the memory maps; a report goes to standard error, then aborts.
constexpr int kSanitizers[] = {
    SCMP_SYS(mprotect), SCMP_SYS(rt_sigprocmask), SCMP_SYS(rt_sigaction), SCMP_SYS(sigaltstack),
    SCMP_SYS(prctl),    SCMP_SYS(getpid),         SCMP_SYS(getppid),      SCMP_SYS(gettid),
    SCMP_SYS(futex),    SCMP_SYS(sched_yield),    SCMP_SYS(clone),        SCMP_SYS(wait4),
    SCMP_SYS(ptrace),   SCMP_SYS(open),           SCMP_SYS(read),         SCMP_SYS(lseek),
    SCMP_SYS(getdents), SCMP_SYS(tgkill)};
constexpr int kWritten[] = {STDOUT_FILENO, STDERR_FILENO};
#else
constexpr int kWritten[] = {STDOUT_FILENO};  // the one answer
#endif

bool Allow(scmp_filter_ctx filter, int call, const scmp_arg_cmp* condition = nullptr) {
    return seccomp_rule_add_array(filter, SCMP_ACT_ALLOW, call, condition != nullptr ? 1 : 0,
                                  condition) == 0;
}

bool LoadFilter() {
    // Level 3 brings the action that ends the whole process. Below it the system has
    // no seccomp(2) call: an old kernel, or valgrind, which implements none and whose
    // own calls (a signal mask and a pipe around each of the program's) no filter
    // would let through. The other restrictions stand alone there.
    if (seccomp_api_get() < 3) {
        return true;
    }
    const scmp_filter_ctx filter = seccomp_init(SCMP_ACT_KILL_PROCESS);
    if (filter == nullptr) {
        return false;
    }
    const auto allow = [&](int call) { return Allow(filter, call); };
    bool built = std::ranges::all_of(kServing, allow);
#if defined(__SANITIZE_ADDRESS__)
    built = built && std::ranges::all_of(kSanitizers, allow);
#endif
    built = built && std::ranges::all_of(kWritten, [&](int fd) {
                const scmp_arg_cmp to{.arg = 0, .op = SCMP_CMP_EQ, .datum_a = scmp_datum_t(fd)};
                return Allow(filter, SCMP_SYS(write), &to);
            });
    // Memory for malloc, never executable.
    const scmp_arg_cmp notExecutable{
        .arg = 2, .op = SCMP_CMP_MASKED_EQ, .datum_a = PROT_EXEC, .datum_b = 0};
    built = built && Allow(filter, SCMP_SYS(mmap), &notExecutable);
    const bool loaded = built && seccomp_load(filter) == 0;
    seccomp_release(filter);
    return loaded;
}

bool QuietStandardStreams() {
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null < 0) {
        return false;
    }
    const bool done = dup2(null, STDIN_FILENO) >= 0 && dup2(null, STDERR_FILENO) >= 0;
    if (null > STDERR_FILENO) {
        close(null);
    }
    return done;
}

// Whatever the program, or whoever started it, let the keeper inherit.
bool CloseAllBut(int connection) {
    const unsigned first = STDERR_FILENO + 1;
    const auto kept = static_cast<unsigned>(connection);
    if (kept > first && close_range(first, kept - 1, 0) != 0) {
        return false;
    }
    return close_range(std::max(first, kept + 1), ~0U, 0) == 0;
}

}  // namespace

bool ConfineKeeper(int connection) {
    // The standard streams are open (the keeper sees to it first), so the connection
    // is none of them.
    if (connection <= STDERR_FILENO || !QuietStandardStreams() || !CloseAllBut(connection)) {
        return false;
    }
    setsid();  // no terminal's hang-up or job control reaches it
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && LoadFilter();
}

}  // namespace tintcast::platform::x11
