"""Without a display the program says so in one line and ends with status 1; on the
offscreen platform it runs and ends in order on SIGTERM."""

import glob
import os
import resource
import shutil
import signal
import subprocess
import tempfile
import unittest

from harness import PROGRAM, unused_display_number, wait_until

PREFIX_OF_THE_LINE = "tintcast: cannot open the display:"
QT_XCB_PLUGIN = next(iter(glob.glob("/usr/lib/*/qt6/plugins/platforms/libqxcb.so")), "")


def allow_core_dumps():
    resource.setrlimit(resource.RLIMIT_CORE, (resource.RLIM_INFINITY, resource.RLIM_INFINITY))


def catches(pid, signal_number):
    """True once the process has a handler for the signal."""
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("SigCgt:"):
                return bool(int(line.split()[1], 16) >> (signal_number - 1) & 1)
    return False


class NoDisplay(unittest.TestCase):
    def setUp(self):
        if not os.access(PROGRAM, os.X_OK):
            self.fail(f"no program at {PROGRAM}; set TINTCAST_PREFIX to the install prefix")
        self.tmp = tempfile.mkdtemp(prefix="tintcast-e2e-")
        self.addCleanup(shutil.rmtree, self.tmp, ignore_errors=True)
        self.cwd = os.path.join(self.tmp, "cwd")
        self.home = os.path.join(self.tmp, "home")
        runtime = os.path.join(self.tmp, "runtime")
        os.makedirs(self.cwd)
        os.makedirs(self.home)
        os.makedirs(runtime, mode=0o700)
        self.env = {key: value for key, value in os.environ.items()
                    if not key.startswith(("QT_", "WAYLAND", "XDG_", "DBUS_", "DISPLAY"))}
        self.env.update(HOME=self.home, XDG_RUNTIME_DIR=runtime)

    def run_program(self, args=(), launcher=None, **env):
        # Core dumps are let through: a crash would leave a core in the working folder.
        argv = [*launcher, *args] if launcher else [PROGRAM, *args]
        return subprocess.run(argv, env={**self.env, **env}, cwd=self.cwd,
                              capture_output=True, text=True, timeout=30,
                              preexec_fn=allow_core_dumps)

    def test_one_line_and_status_1(self):
        unused = f":{unused_display_number()}"
        cases = {
            "DISPLAY unset": ((), {}),
            "DISPLAY names no server": ((), {"DISPLAY": unused}),
            "DISPLAY is not a display name": ((), {"DISPLAY": "not-a-display"}),
            "-display names no server": (("-display", unused), {}),
        }
        for name, (args, env) in cases.items():
            with self.subTest(name):
                result = self.run_program(args, **env)
                self.assertEqual(result.returncode, 1, result.stderr)
                lines = result.stderr.split("\n")
                self.assertEqual(len(lines), 2, result.stderr)  # one line, then its end
                self.assertTrue(lines[0].startswith(PREFIX_OF_THE_LINE), lines[0])
                self.assertEqual(lines[0], lines[0].rstrip(), "blanks at the end")
                self.assertEqual(lines[1], "")
                self.assertEqual(result.stdout, "")
                self.assertEqual(os.listdir(self.cwd), [], "a core or other file was left")
        # Where the display was named, the line names it; where none was, it says so.
        self.assertIn(unused, self.run_program(**{"DISPLAY": unused}).stderr)
        self.assertIn("no X display and no Wayland display", self.run_program().stderr)

    def test_a_wayland_session_that_cannot_be_reached_is_named(self):
        result = self.run_program(WAYLAND_DISPLAY="wayland-nowhere")
        self.assertEqual((result.returncode, result.stderr),
                         (1, "tintcast: cannot open the display: could not connect to the "
                             "Wayland display wayland-nowhere\n"))

    def test_missing_wayland_support_is_named(self):
        # Qt's Wayland plugins are hidden behind a folder holding only its X11 plugin, in
        # a mount namespace of the program's own (root only).
        platforms = os.path.dirname(QT_XCB_PLUGIN)
        if os.geteuid() != 0 or not os.path.exists(QT_XCB_PLUGIN):
            self.skipTest("needs root and Qt's X11 plugin to hide the Wayland plugins")
        only_x11 = os.path.join(self.tmp, "platforms")
        os.makedirs(only_x11)
        shutil.copy(QT_XCB_PLUGIN, only_x11)
        result = self.run_program(
            ("sh", "-c", 'mount --bind "$1" "$2" && exec "$3"', "sh", only_x11, platforms,
             PROGRAM), launcher=("unshare", "-m"), WAYLAND_DISPLAY="wayland-1")
        if "mount" in result.stderr:
            self.skipTest(f"no mount namespace here: {result.stderr.strip()}")
        self.assertEqual((result.returncode, result.stderr),
                         (1, "tintcast: cannot start: Qt's Wayland support is not installed "
                             "(package qt6-wayland)\n"))

    def test_runs_offscreen_and_ends_in_order_on_sigterm(self):
        log = os.path.join(self.tmp, "offscreen.log")
        with open(log, "w") as out:
            process = subprocess.Popen([PROGRAM], env={**self.env, "QT_QPA_PLATFORM": "offscreen"},
                                       cwd=self.cwd, stdout=out, stderr=subprocess.STDOUT)
        try:
            # The handler is installed once the application object exists; the signal
            # then waits in a pipe for the event loop.
            wait_until(lambda: process.poll() is not None or catches(process.pid, signal.SIGTERM),
                       timeout=15, what="the program to catch SIGTERM")
            self.assertIsNone(process.poll(), "the program ended on its own")
            process.send_signal(signal.SIGTERM)
            status = process.wait(timeout=10)
        finally:
            if process.poll() is None:
                process.kill()
                process.wait(timeout=5)
        with open(log) as out:
            output = out.read()
        self.assertEqual(status, 0, output)
        self.assertNotIn("cannot", output)
        self.assertEqual(os.listdir(self.cwd), [])


if __name__ == "__main__":
    unittest.main()
