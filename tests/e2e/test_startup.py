import os
import signal
import sys
import unittest

from form_places import PRESETS
from harness import PROGRAM, DisplayTest, end_process, wait_until

PRESET = {name: place for name, place, _ in PRESETS}


class Startup(DisplayTest):
    def test_opens_titled_and_closes_through_the_window_manager(self):
        app = self.start()
        self.assertEqual(app.close_by_window_manager(), 0, app.log())

    def test_a_display_that_goes_away_ends_it_with_one_line(self):
        app = self.start()
        app.click(*PRESET["Red"].centre())
        app.key("alt+c")
        end_process(self.display.server)
        self.assertEqual(app.wait_exit(), 1, app.log())
        self.assertEqual(app.log(), "tintcast: lost the connection to the display\n")
        self.assertEqual(self.display.keepers(), [])


# Runs the program with SIGINT ignored, as a shell starts a background job.
IGNORING_SIGINT = (sys.executable, "-c", "import os, signal, sys; "
                   "signal.signal(signal.SIGINT, signal.SIG_IGN); os.execv(sys.argv[1], sys.argv[1:])")


class IgnoredSignals(DisplayTest):
    def test_a_signal_ignored_at_start_stays_ignored(self):
        for launcher, ignored in ((("nohup",), signal.SIGHUP), (IGNORING_SIGINT, signal.SIGINT)):
            with self.subTest(signal=ignored.name):
                app = self.start(launcher=launcher)
                app.process.send_signal(ignored)
                # Still there: it copies, and leaves only when told.
                app.click(*PRESET["Red"].centre())
                app.key("alt+c")
                wait_until(lambda: self.display.clipboard() == b"&HFF", what="the copy")
                self.assertIsNone(app.process.poll())
                self.assertEqual(app.close_by_window_manager(), 0, app.log())
                self.display.end_keepers()


# A session bus that takes connections and never answers.
SILENT_BUS = """
import socket, sys
server = socket.socket(socket.AF_UNIX)
server.bind(sys.argv[1])
server.listen(64)
connections = []
while True:
    connections.append(server.accept()[0])
    open(sys.argv[2], "a").close()
"""


class SilentSessionBus(DisplayTest):
    def setUp(self):
        super().setUp()
        path = os.path.join(self.display.runtime, "silent-bus")
        self.connected = os.path.join(self.display.tmp, "bus-connected")
        self.display.spawn([sys.executable, "-c", SILENT_BUS, path, self.connected])
        wait_until(lambda: os.path.exists(path), what="the silent bus")
        self.env = {"DBUS_SESSION_BUS_ADDRESS": f"unix:path={path}"}

    def test_the_window_appears_all_the_same(self):
        # Qt's accessibility bridge would wait for the bus for ever.
        app = self.start(env=self.env, timeout=10)
        self.assertEqual(app.close_by_window_manager(), 0, app.log())

    def test_a_signal_before_the_window_ends_the_program(self):
        process = self.display.spawn([PROGRAM], env={**self.display.env, **self.env})
        wait_until(lambda: os.path.exists(self.connected), what="the program to reach the bus")
        process.send_signal(signal.SIGTERM)
        self.assertEqual(process.wait(timeout=10), -signal.SIGTERM)


if __name__ == "__main__":
    unittest.main()
