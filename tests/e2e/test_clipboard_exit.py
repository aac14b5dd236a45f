"""The copied text outlives the program, whichever way it ends, with or without a
clipboard manager; and nothing is left serving a clipboard that moved on.

A signal is an orderly way out: SIGTERM, SIGINT and SIGHUP end the program as closing
its window does, so it hands the clipboard over and exits with status 0.
"""

import os
import shutil
import signal
import unittest

from form_places import EXIT_BUTTON, PRESETS, VALUE_BOX
from harness import KEEPER, PROGRAM, TITLE, DisplayTest, unused_display_number, wait_until

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

# Stands in for the keeper: says it has started, then runs the real one only once the
# test lets it, or never.
HELD_KEEPER = """#!/bin/sh
: > "$TINTCAST_TEST_STARTED"
while [ -e "$TINTCAST_TEST_HOLD" ]; do sleep 0.02; done
exec "{keeper}" "$@"
"""


class SlowKeeper(ClipboardTest):
    def setUp(self):
        super().setUp()
        # A copy of the installed program, with the stand-in where it looks for its keeper.
        prefix = os.path.join(self.display.tmp, "prefix")
        libexec = os.path.join(prefix, "libexec", "tintcast")
        os.makedirs(os.path.join(prefix, "bin"))
        os.makedirs(libexec)
        self.program = shutil.copy2(PROGRAM, os.path.join(prefix, "bin"))
        keeper = os.path.join(libexec, os.path.basename(KEEPER))
        with open(keeper, "w") as script:
            script.write(HELD_KEEPER.format(keeper=os.path.realpath(KEEPER)))
        os.chmod(keeper, 0o755)
        self.started = os.path.join(self.display.tmp, "keeper-started")
        self.hold = os.path.join(self.display.tmp, "keeper-held")
        open(self.hold, "w").close()

    def start_and_copy(self):
        return super().start_and_copy(program=self.program, env={
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


if __name__ == "__main__":
    unittest.main()
