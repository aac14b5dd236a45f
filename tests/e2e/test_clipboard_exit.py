"""The copied text outlives the program, whichever way it ends, with or without a
clipboard manager; and nothing is left serving a clipboard that moved on.

A signal is an orderly way out: SIGTERM, SIGINT and SIGHUP end the program as closing
its window does, so it hands the clipboard over and exits with status 0.
"""

import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import unittest

from form_places import EXIT_BUTTON, PRESETS, VALUE_BOX
from harness import (KEEPER, PROGRAM, TITLE, DisplayTest, Timeout, end_process,
                     unused_display_number, wait_until)

PRESET = {name: place for name, place, _ in PRESETS}

# The presets in turn, so that no case can pass on the text an earlier one left.
VBASIC = [("Red", b"&HFF"), ("Green", b"&HFF00"), ("Blue", b"&HFF0000"),
          ("Yellow", b"&HFFFF"), ("Magenta", b"&HFF00FF"), ("Cyan", b"&HFFFF00"),
          ("White", b"&HFFFFFF")]

WAYS_OUT = {
    "Alt+X": lambda app: app.key("alt+x"),
    "the Exit button": lambda app: app.click(*EXIT_BUTTON.centre()),
    "wmctrl -c": lambda app: app.display.run(["wmctrl", "-i", "-c", hex(app.window)]),
    "SIGTERM": lambda app: app.process.send_signal(signal.SIGTERM),
    "SIGINT": lambda app: app.process.send_signal(signal.SIGINT),
    "SIGHUP": lambda app: app.process.send_signal(signal.SIGHUP),
}


class ClipboardTest(DisplayTest):
    def setUp(self):
        super().setUp()
        self.turn = 0

    def start_and_copy(self, **kwargs):
        """Starts the program, picks the next preset and copies it; returns the app
        and the copied text."""
        preset, text = VBASIC[self.turn % len(VBASIC)]
        self.turn += 1
        app = self.start(**kwargs)
        app.click(*PRESET[preset].centre())
        app.key("alt+c")
        wait_until(lambda: self.display.clipboard() == text, what=f"{text!r} to be copied")
        return app, text

    def leave(self, app, way):
        WAYS_OUT[way](app)
        self.assertEqual(app.wait_exit(), 0, app.log())

    def keeper_serving(self):
        """The one keeper on this display, waited for until it owns the clipboard."""
        keeper = wait_until(self.display.keeper_serving, what="the keeper to own the clipboard")
        self.assertEqual(self.display.keepers(), [keeper])
        return keeper

    def assert_no_keeper_stays(self):
        """A keeper that has nothing to keep ends at once; one that was started anyway
        would be found here."""
        self.assertEqual(self.display.keepers(), [])


class WithoutManager(ClipboardTest):
    def test_every_way_out_keeps_the_text(self):
        for way in WAYS_OUT:
            with self.subTest(way=way):
                app, text = self.start_and_copy()
                self.leave(app, way)
                self.assertEqual(self.display.clipboard(), text)
                self.keeper_serving()
                self.display.end_keepers()

    def test_the_keeper_serves_the_copy_and_ends_when_another_program_copies(self):
        app, text = self.start_and_copy()
        # The box shows another colour now, but the clipboard holds what was copied.
        app.click(*PRESET["Black"].centre())
        self.leave(app, "Alt+X")
        keeper = self.keeper_serving()
        for target, expected in (("UTF8_STRING", text), ("STRING", text), ("TEXT", text),
                                 ("text/plain", text), ("text/plain;charset=utf-8", text)):
            with self.subTest(target=target):
                result = self.display.run(
                    ["xclip", "-o", "-selection", "clipboard", "-target", target],
                    binary=True, check=False)
                self.assertEqual((result.returncode, result.stdout), (0, expected))
        targets = self.display.run(["xclip", "-o", "-selection", "clipboard",
                                    "-target", "TARGETS"]).stdout.split()
        self.assertTrue({"UTF8_STRING", "STRING", "TARGETS"} <= set(targets), targets)

        other = self.display.offer_clipboard(b"newer text")
        wait_until(lambda: keeper not in self.display.keepers(),
                   what="the keeper to end by itself")
        self.assertEqual(self.display.clipboard(), b"newer text")
        # Once the newer owner is gone too, nobody serves the old text.
        other.terminate()
        other.wait(timeout=5)
        wait_until(lambda: self.display.selection_owner("CLIPBOARD") == 0,
                   what="the clipboard to be left without an owner")
        self.assertIsNone(self.display.clipboard())
        self.assert_no_keeper_stays()

    def test_the_keepers_answer_is_the_event_and_nothing_else(self):
        app, text = self.start_and_copy()
        self.leave(app, "Alt+X")
        self.keeper_serving()
        from Xlib import X
        from Xlib import display as xlib_display
        x = xlib_display.Display(f":{self.display.number}")
        try:
            screen = x.screen()
            requestor = screen.root.create_window(0, 0, 1, 1, 0, screen.root_depth)
            pasted = x.intern_atom("PASTED")
            requestor.convert_selection(x.intern_atom("CLIPBOARD"), x.intern_atom("UTF8_STRING"),
                                        pasted, X.CurrentTime)
            x.flush()

            def answer():
                while x.pending_events():
                    event = x.next_event()
                    if event.type == X.SelectionNotify:
                        return event
                return None
            # All 32 bytes the server passed on; the event's own fields end at byte 24.
            raw = wait_until(answer, what="the keeper's answer")._binary
            self.assertEqual(len(raw), 32)
            self.assertEqual(raw[24:], bytes(8), raw.hex())
            self.assertEqual(requestor.get_full_property(pasted, X.AnyPropertyType).value, text)
        finally:
            x.close()

    def test_the_keeper_trusts_the_server_not_other_programs(self):
        app, text = self.start_and_copy()
        self.leave(app, "Alt+X")
        keeper = self.keeper_serving()
        from Xlib import X
        from Xlib import display as xlib_display
        from Xlib.protocol import event
        x = xlib_display.Display(f":{self.display.number}")
        try:
            window = x.create_resource_object("window", self.display.selection_owner("CLIPBOARD"))
            window.send_event(event.SelectionClear(window=window, atom=x.intern_atom("CLIPBOARD"),
                                                   time=X.CurrentTime))
            x.sync()
            # This paste reaches the keeper after the forged message.
            self.assertEqual(self.display.clipboard(), text)
            self.assertEqual(self.display.keepers(), [keeper])
            # With its window gone it has nothing to serve.
            window.destroy()
            x.sync()
        finally:
            x.close()
        wait_until(lambda: keeper not in self.display.keepers(),
                   what="the keeper to end with its window")

    def test_the_keeper_holds_nothing_but_its_connection_and_is_confined(self):
        # A descriptor the program inherited, and so would pass on to its keeper.
        app, text = self.start_and_copy(launcher=("sh", "-c", 'exec 7</dev/null; exec "$@"', "sh"))
        self.assertIn("7", os.listdir(f"/proc/{app.process.pid}/fd"))
        self.leave(app, "Alt+X")
        keeper = self.keeper_serving()
        self.assert_confined(keeper)
        self.assertEqual(self.display.clipboard(), text)  # it still serves, filter and all

    def test_a_keeper_started_without_standard_error_keeps_its_connection(self):
        # The X connection would take descriptor 2, and then be put on /dev/null.
        keeper = subprocess.Popen([KEEPER, "0"], env=self.display.env, stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, preexec_fn=lambda: os.close(2))
        self.addCleanup(keeper.stdout.close)
        self.addCleanup(end_process, keeper)
        keeper.stdin.write(b"kept")
        keeper.stdin.close()
        self.assertTrue(select.select([keeper.stdout], [], [], 10)[0], "the keeper did not answer")
        self.assertEqual(keeper.stdout.read(1), b"k")
        self.assertEqual(self.display.clipboard(), b"kept")
        self.assert_confined(keeper.pid)

    def assert_confined(self, pid):
        with open(f"/proc/{pid}/status") as status:
            fields = dict(line.split(":", 1) for line in status.read().splitlines())
        self.assertEqual((fields["NoNewPrivs"].strip(), fields["Seccomp"].strip()), ("1", "2"))
        held = {int(fd): os.readlink(f"/proc/{pid}/fd/{fd}")
                for fd in os.listdir(f"/proc/{pid}/fd")}
        sockets = [fd for fd, target in held.items() if target.startswith("socket:")]
        self.assertEqual(len(sockets), 1, held)
        self.assertEqual({fd: held[fd] for fd in held if fd not in sockets},
                         {0: "/dev/null", 2: "/dev/null"})

    def test_no_keeper_when_another_program_copied_last(self):
        app, _ = self.start_and_copy()
        self.display.offer_clipboard(b"copied elsewhere")
        self.leave(app, "the Exit button")
        self.assertEqual(self.display.clipboard(), b"copied elsewhere")
        self.assert_no_keeper_stays()

    def test_no_keeper_without_a_copy(self):
        # Selecting the shown text makes the program own PRIMARY, not CLIPBOARD.
        app = self.start()
        app.click(*VALUE_BOX.centre())
        wait_until(lambda: self.display.clipboard("primary") == b"&H0",
                   what="the primary selection")
        self.leave(app, "Alt+X")
        self.assertIsNone(self.display.clipboard())
        self.assert_no_keeper_stays()

    def test_the_keeper_uses_the_display_named_on_the_command_line(self):
        # $DISPLAY names a display where no server runs; "-display" the real one.
        app, text = self.start_and_copy(args=("-display", f":{self.display.number}"),
                                        env={"DISPLAY": f":{unused_display_number()}"})
        self.leave(app, "Alt+X")
        self.assertEqual(self.display.clipboard(), text)
        self.keeper_serving()


class WithManager(ClipboardTest):
    display_options = {"manager": True}

    def test_every_way_out_hands_the_text_to_the_manager(self):
        for way in WAYS_OUT:
            with self.subTest(way=way):
                app, text = self.start_and_copy()
                self.leave(app, way)
                self.assertEqual(self.display.clipboard(), text)
                self.assert_no_keeper_stays()

    def test_another_programs_newer_copy_stays(self):
        app, _ = self.start_and_copy()
        self.display.offer_clipboard(b"copied elsewhere")
        self.leave(app, "Alt+X")
        self.assertEqual(self.display.clipboard(), b"copied elsewhere")
        self.assert_no_keeper_stays()


LOST = "tintcast: the copied text could not be kept after exit"

# The longest the program may take from Exit to its end: it waits half a second for a
# clipboard manager and a second for the keeper; the rest is margin for a loaded machine.
EXIT_BOUND = 3.0

# Stands in for the keeper: says it has started, then runs the real one only once the
# test lets it, or never.
HELD_KEEPER = """#!/bin/sh
: > "$TINTCAST_TEST_STARTED"
while [ -e "$TINTCAST_TEST_HOLD" ]; do sleep 0.02; done
exec "{keeper}" "$@"
"""


class StandInKeeper(ClipboardTest):
    """A copy of the installed program, with a stand-in (or nothing) where it looks for
    its keeper."""

    def use_keeper(self, script):
        prefix = tempfile.mkdtemp(prefix="prefix-", dir=self.display.tmp)
        libexec = os.path.join(prefix, "libexec", "tintcast")
        os.makedirs(os.path.join(prefix, "bin"))
        os.makedirs(libexec)
        self.program = shutil.copy2(PROGRAM, os.path.join(prefix, "bin"))
        if script is not None:
            keeper = os.path.join(libexec, os.path.basename(KEEPER))
            with open(keeper, "w") as file:
                file.write(script)
            os.chmod(keeper, 0o755)

    def start_and_copy(self, env=None):
        return super().start_and_copy(program=self.program, env=env)


class SlowKeeper(StandInKeeper):
    def setUp(self):
        super().setUp()
        self.use_keeper(HELD_KEEPER.format(keeper=os.path.realpath(KEEPER)))
        self.started = os.path.join(self.display.tmp, "keeper-started")
        self.hold = os.path.join(self.display.tmp, "keeper-held")
        open(self.hold, "w").close()

    def start_and_copy(self):
        return super().start_and_copy(env={
            "TINTCAST_TEST_STARTED": self.started, "TINTCAST_TEST_HOLD": self.hold})

    def test_a_paste_while_the_keeper_starts_is_answered(self):
        app, text = self.start_and_copy()
        app.key("alt+x")
        # The program has handed the text over and waits for the keeper's answer.
        wait_until(lambda: os.path.exists(self.started), what="the keeper to start")
        self.assertEqual(self.display.clipboard(), text)
        os.remove(self.hold)
        self.assertEqual(app.wait_exit(), 0, app.log())
        self.keeper_serving()
        self.assertEqual(self.display.clipboard(), text)
        self.assertNotIn(LOST, app.log())

    def test_a_keeper_that_never_answers_is_reported(self):
        app, _ = self.start_and_copy()
        app.key("alt+x")
        self.assertEqual(app.wait_exit(), 0, app.log())
        self.assertEqual([line for line in app.log().splitlines() if line.startswith(LOST)],
                         [f"{LOST}: the keeper did not answer in time"])
        self.assertIsNone(self.display.clipboard())

    def test_exit_past_a_stopped_manager_and_a_silent_keeper_is_bounded(self):
        self.display.start_clipboard_manager()
        manager = self.display.manager
        app, _ = self.start_and_copy()
        manager.send_signal(signal.SIGSTOP)
        self.addCleanup(lambda: manager.poll() is None and manager.send_signal(signal.SIGCONT))
        app.key("alt+x")
        self.assertEqual(app.wait_exit(timeout=EXIT_BOUND), 0, app.log())
        # Nothing of Qt's own: it no longer offers the text to the stopped manager.
        self.assertEqual(app.log().splitlines(), [f"{LOST}: the keeper did not answer in time"])


# Answers as told, then stays without ever taking the clipboard.
LINGERING_KEEPER = """#!/bin/sh
echo $$ > "$TINTCAST_TEST_PID"
printf {answer}
exec sleep 600
"""
CRASHING_KEEPER = """#!/bin/sh
kill -SEGV $$
"""


def running(pid):
    """Whether a process exists and has not ended (a zombie has)."""
    try:
        with open(f"/proc/{pid}/stat") as stat:
            return stat.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


class FailingKeeper(StandInKeeper):
    def test_a_keeper_that_lingers_is_ended(self):
        for answer, reason in (("n", "the keeper could not take the clipboard"),
                               ("k", "the keeper did not take the clipboard in time")):
            with self.subTest(answer=answer):
                self.use_keeper(LINGERING_KEEPER.format(answer=answer))
                pid_file = os.path.join(self.display.tmp, f"keeper-{answer}.pid")
                app, _ = self.start_and_copy(env={"TINTCAST_TEST_PID": pid_file})
                app.key("alt+x")
                self.assertEqual(app.wait_exit(), 0, app.log())
                with open(pid_file) as file:
                    keeper = int(file.read())
                self.addCleanup(lambda pid=keeper: running(pid) and os.kill(pid, signal.SIGKILL))
                self.assertFalse(running(keeper))
                self.assertEqual([line for line in app.log().splitlines()
                                  if line.startswith(LOST)], [f"{LOST}: {reason}"])

    def test_pastes_during_the_exit_are_answered_without_a_keeper(self):
        for name, script in (("missing", None), ("crashing", CRASHING_KEEPER)):
            with self.subTest(keeper=name):
                self.use_keeper(script)
                app, text = self.start_and_copy()
                paste = ["xclip", "-o", "-selection", "clipboard", "-target", "UTF8_STRING"]
                logs = [f"paste-{name}-{number}.log" for number in range(50)]
                readers = [self.display.spawn(paste, log=log) for log in logs[:25]]
                app.key("alt+x")
                readers += [self.display.spawn(paste, log=log) for log in logs[25:]]
                self.assertEqual(app.wait_exit(), 0, app.log())
                try:
                    wait_until(lambda: all(reader.poll() is not None for reader in readers),
                               timeout=10, what="every paste to be answered")
                except Timeout:
                    waiting = sum(reader.poll() is None for reader in readers)
                    raise AssertionError(f"{waiting} of {len(readers)} pastes never answered")
                for reader, log in zip(readers, logs):
                    if reader.returncode == 0:  # served, not refused: the copied text
                        with open(os.path.join(self.display.tmp, log), "rb") as output:
                            self.assertEqual(output.read(), text)
                self.assertIn(f"{LOST}: ", app.log())


class ManagerTrouble(ClipboardTest):
    """A manager that stops answering or goes away: the keeper takes the text instead."""

    display_options = {"manager": True}

    def setUp(self):
        super().setUp()
        manager = self.display.manager
        self.app, self.text = self.start_and_copy()
        manager.send_signal(signal.SIGSTOP)
        self.addCleanup(lambda: manager.poll() is None and manager.send_signal(signal.SIGCONT))

    def assert_the_keeper_serves(self):
        self.assertEqual(self.app.wait_exit(), 0, self.app.log())
        self.keeper_serving()
        self.assertEqual(self.display.clipboard(), self.text)
        self.assertNotIn(LOST, self.app.log())

    def test_a_stopped_manager(self):
        self.app.key("alt+x")
        self.assert_the_keeper_serves()

    def test_a_manager_that_dies_during_the_hand_off(self):
        self.app.key("alt+x")
        # The window goes first; then the program offers the text to the manager.
        wait_until(lambda: not self.display.windows(TITLE), what="the window to close")
        self.display.manager.kill()
        self.assert_the_keeper_serves()


# A manager as sway's X window manager is: it owns CLIPBOARD_MANAGER and answers
# SAVE_TARGETS with "saved" at once, without taking anything.
LYING_MANAGER = """
from Xlib import X, display
from Xlib.protocol import event
x = display.Display()
window = x.screen().root.create_window(0, 0, 1, 1, 0, x.screen().root_depth)
window.set_selection_owner(x.intern_atom("CLIPBOARD_MANAGER"), X.CurrentTime)
x.sync()
while True:
    request = x.next_event()
    if request.type != X.SelectionRequest:
        continue
    property = request.property or request.target
    request.requestor.change_property(property, x.intern_atom("NULL"), 32, [])
    request.requestor.send_event(event.SelectionNotify(
        time=request.time, requestor=request.requestor, selection=request.selection,
        target=request.target, property=property))
    x.flush()
"""


class LyingManager(ClipboardTest):
    def test_a_manager_that_only_says_saved_is_not_trusted(self):
        self.display.spawn([sys.executable, "-c", LYING_MANAGER], log="lying-manager.log")
        wait_until(lambda: self.display.selection_owner("CLIPBOARD_MANAGER"),
                   what="the stand-in manager")
        app, text = self.start_and_copy()
        self.leave(app, "Alt+X")
        self.keeper_serving()
        self.assertEqual(self.display.clipboard(), text)
        self.assertNotIn(LOST, app.log())


if __name__ == "__main__":
    unittest.main()
