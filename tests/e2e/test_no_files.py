"""A whole session under strace: the program writes no files of its own, talks to
nothing but the X server, and starts no program but its clipboard keeper.

What Qt, fontconfig and the X libraries do by themselves is allowed below, each
path with the reason it is touched."""

import os
import re
import unittest

from form_places import COPY_BUTTON, EXIT_BUTTON, OPTIONS, PRESETS, STAY_ON_TOP
from harness import KEEPER, PROGRAM, TITLE, DisplayTest, wait_until

PRESET = {name: place for name, place, _ in PRESETS}

SYSCALLS = "openat,open,creat,connect,socket,rename,unlink,mkdir,execve"
WRITE_FLAGS = ("O_WRONLY", "O_RDWR", "O_CREAT", "O_TRUNC")
CALL = re.compile(r"^(\d+)\s+(\w+)\((.*)$")
RESUMED = re.compile(r"^(\d+)\s+<\.\.\. (\w+) resumed>(.*)$")
UNFINISHED = " <unfinished ...>"
STRING = re.compile(r'"((?:[^"\\]|\\.)*)"')


def calls(trace_path):
    """(pid, syscall, argument text and result) for each traced call; a call that
    strace split in two ("<unfinished ...>", "<... resumed>") is joined again."""
    pending = {}
    with open(trace_path) as trace:
        for line in trace:
            line = line.rstrip("\n")
            if match := RESUMED.match(line):
                pid, name, rest = int(match[1]), match[2], match[3]
                yield pid, name, pending.pop(pid, "") + rest
            elif match := CALL.match(line):
                pid, name, rest = int(match[1]), match[2], match[3]
                if rest.endswith(UNFINISHED):
                    pending[pid] = rest[:-len(UNFINISHED)]
                else:
                    yield pid, name, rest


def first_string(arguments):
    match = STRING.search(arguments)
    return match[1] if match else None


class NoFiles(DisplayTest):
    def allowed_writes(self):
        """Paths (or folders, ending in "/") the program may open for writing."""
        home, runtime = self.display.home, self.display.runtime
        return {
            # The keeper puts its standard streams there once it has detached; so does
            # the child libdbus forks to look for a session bus.
            "/dev/null": "standard streams of detached children",
            # Qt makes sure the runtime folder exists (it does: the call fails with EEXIST).
            runtime: "Qt checks the runtime folder",
            # fontconfig refreshes its per-user cache where the system one is stale.
            os.path.join(home, ".cache", "fontconfig") + "/": "fontconfig's cache",
        }

    def allowed_programs(self):
        return {
            os.path.realpath(PROGRAM): "the program",
            os.path.realpath(KEEPER): "the clipboard keeper, at exit",
        }

    def is_allowed(self, path, allowed):
        return any(path == entry.rstrip("/") or (entry.endswith("/") and path.startswith(entry))
                   for entry in allowed)

    def home_files(self):
        found = set()
        for folder, _, files in os.walk(self.display.home):
            found.update(os.path.join(folder, name) for name in files)
        return found

    def test_a_session_writes_no_files_and_connects_only_to_x(self):
        trace_path = os.path.join(self.display.tmp, "strace.txt")
        home_before = self.home_files()
        # LeakSanitizer cannot work under ptrace; the other runs check for leaks.
        asan = os.environ.get("ASAN_OPTIONS", "")
        app = self.start(launcher=["strace", "-f", "-qq", "-e", f"trace={SYSCALLS}",
                                   "-o", trace_path],
                         env={"ASAN_OPTIONS": f"{asan}:detect_leaks=0" if asan else ""})
        app.click(*PRESET["Red"].centre())
        app.click(*OPTIONS["HTML"].centre())
        app.click(*COPY_BUTTON.centre())
        wait_until(lambda: self.display.clipboard() == b"#FF0000", what="the copy")
        for above in (True, False):
            app.click(*STAY_ON_TOP.centre())
            wait_until(lambda: ("_NET_WM_STATE_ABOVE" in app.state()) == above,
                       what="Stay On Top to switch")
        app.click(*EXIT_BUTTON.centre())
        wait_until(lambda: not self.display.windows(TITLE), what="the window to close")
        # The keeper, traced too, serves the copy until another program copies.
        wait_until(self.display.keeper_serving, what="the keeper to own the clipboard")
        self.assertEqual(self.display.clipboard(), b"#FF0000")
        self.display.offer_clipboard(b"elsewhere")
        # strace ends with the program's status once every traced process has ended.
        self.assertEqual(app.wait_exit(timeout=15), 0, app.log())

        traced = list(calls(trace_path))
        self.assertTrue(any(name == "openat" for _, name, _ in traced), "nothing was traced")
        allowed = self.allowed_writes()
        x_socket = f"/tmp/.X11-unix/X{self.display.number}"
        started = []
        for pid, name, arguments in traced:
            path = first_string(arguments)
            with self.subTest(call=f"{pid} {name} {arguments[:120]}"):
                if name in ("openat", "open"):
                    if any(flag in arguments for flag in WRITE_FLAGS):
                        self.assertTrue(self.is_allowed(path, allowed), path)
                elif name in ("creat", "rename", "unlink", "mkdir"):
                    for changed in STRING.findall(arguments):  # rename: both names
                        self.assertTrue(self.is_allowed(changed, allowed), changed)
                elif name == "connect" and "sun_path=" in arguments:
                    self.assertEqual(path.lstrip("@"), x_socket)  # "@": abstract name
                elif name == "connect":
                    self.fail("a connection that is not to a local socket")
                elif name == "socket":
                    self.assertTrue(arguments.startswith("AF_UNIX"), "not a local socket")
                elif name == "execve":
                    if arguments.rstrip().endswith("= 0"):
                        started.append(os.path.realpath(path))
                    else:
                        # With no session bus address set, libdbus (through Qt) tries
                        # to start a bus with dbus-launch along PATH. It is not
                        # installed here; where it is, it would start a bus daemon
                        # that outlives the program, and this check would say so.
                        self.assertEqual(os.path.basename(path), "dbus-launch")
                        self.assertIn("ENOENT", arguments)
        self.assertEqual(sorted(set(started)), sorted(self.allowed_programs()))

        new_in_home = self.home_files() - home_before
        self.assertEqual({path for path in new_in_home if not self.is_allowed(path, allowed)},
                         set())


if __name__ == "__main__":
    unittest.main()
