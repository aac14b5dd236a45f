"""Tintcast.exe under Wine in Xvfb with openbox: the black-box cases of the Linux
build that fit, driven with xdotool and read with xclip, xprop and screenshots."""

import unittest

from form_places import (COPY_BUTTON, EXIT_BUTTON, OPTIONS, PRESETS, STAY_ON_TOP, SWATCH,
                         control_place)
from harness import TITLE, WineDisplayTest, end_process, wait_until

PRESET = {name: rect for name, rect, _ in PRESETS}
RED_BAR = control_place("sclColor", 0)
# Wine's scroll bar: square arrow buttons and thumb, as tall as the bar is wide less 4.
ARROW = THUMB = 17


def painted(display, app):
    """Waits until the window shows its controls, and so takes input; returns the shot."""
    return wait_until(
        lambda: (shot := display.screenshot(app.window)).pixel(
            *PRESET["Cyan"].centre()) == (0, 255, 255) and shot,
        timeout=20, what="the cyan preset's face")


class WindowsProgram(WineDisplayTest):
    def setUp(self):
        super().setUp()
        self.app = self.start()
        painted(self.display, self.app)

    def copy(self, expected):
        """Presses Copy and waits for the X clipboard to serve exactly these bytes.
        No X client takes the clipboard in between, so Wine's copy is not overtaken."""
        self.app.click(*COPY_BUTTON.centre())
        return wait_until(lambda: self.display.clipboard() == expected,
                          what=f"the clipboard to hold {expected!r}")

    def key(self, keys):
        """Keys to the focused window, as real key presses."""
        self.app.activate()
        self.display.run(["xdotool", "key", "--clearmodifiers", keys])

    def bar_point(self, part, value=0):
        x = RED_BAR.x + RED_BAR.width // 2
        if part == "top arrow":
            return x, RED_BAR.y + ARROW // 2
        if part == "bottom arrow":
            return x, RED_BAR.y + RED_BAR.height - ARROW // 2 - 1
        travel = RED_BAR.height - 2 * ARROW - THUMB
        thumb_top = RED_BAR.y + ARROW + round((255 - value) * travel / 255)
        return x, thumb_top + THUMB // 2

    def test_start_up_text_presets_and_notations_reach_the_clipboard_exactly(self):
        self.copy(b"&H0")
        for preset, notation, expected in [("Red", "DBasic", b"(255,0,0)"),
                                           ("Cyan", "VBasic", b"&HFFFF00"),
                                           ("Yellow", "HTML", b"#FFFF00"),
                                           ("White", "DBasic", b"(255,255,255)")]:
            with self.subTest(preset=preset, notation=notation):
                self.app.click(*PRESET[preset].centre())
                self.app.click(*OPTIONS[notation].centre())
                self.copy(expected)

    def test_arrows_and_track_step_by_one_and_ten(self):
        self.app.click(*OPTIONS["DBasic"].centre())
        middle = (RED_BAR.x + RED_BAR.width // 2, RED_BAR.y + RED_BAR.height // 2)
        steps = [("top arrow", b"(1,0,0)"), ("top arrow", b"(2,0,0)"),
                 ("bottom arrow", b"(1,0,0)"), ("track above the thumb", b"(11,0,0)")]
        for part, expected in steps:
            with self.subTest(part=part):
                point = middle if part.startswith("track") else self.bar_point(part)
                self.app.click(*point)
                self.copy(expected)
                # Two clicks on one spot within 500 ms are a double click.
                self.app.xdotool("mousemove", "--window", self.app.window, 0, 0)
        self.app.click(*PRESET["White"].centre())
        self.app.click(*middle)  # the thumb is at the top now: the track below it
        self.copy(b"(245,255,255)")

    def test_dragging_changes_nothing_until_release(self):
        x, y = self.bar_point("thumb", 0)
        self.app.xdotool("mousemove", "--window", self.app.window, x, y, "mousedown", 1)
        try:
            self.app.xdotool("mousemove", "--window", self.app.window, x, y - 40)
            self.app.xdotool("mousemove", "--window", self.app.window, x, y - 85)
            # The thumb follows the pointer while the colour stays.
            wait_until(lambda: self.thumb_top() < y - 80, what="the thumb to follow the pointer")
            self.assertEqual(self.display.screenshot(self.app.window).pixel(*SWATCH.centre()),
                             (0, 0, 0))
        finally:
            self.app.xdotool("mouseup", 1)
        shot = wait_until(
            lambda: (s := self.display.screenshot(self.app.window)).pixel(*SWATCH.centre())
            != (0, 0, 0) and s, what="the swatch to change on release")
        red, green, blue = shot.pixel(*SWATCH.centre())
        self.assertTrue(110 <= red <= 145 and green == blue == 0, (red, green, blue))

    def thumb_top(self):
        """The top row of the red bar's thumb as drawn: the first row below the top arrow
        whose middle pixel is the thumb's face rather than the track's stipple."""
        shot = self.display.screenshot(self.app.window)
        x = RED_BAR.x + RED_BAR.width // 2
        rows = range(RED_BAR.y + ARROW, RED_BAR.y + RED_BAR.height - ARROW)
        face = shot.pixel(x, RED_BAR.y + ARROW // 2 - 5)  # the arrow button's face
        return next((y for y in rows if all(shot.pixel(x, y + i) == face for i in range(3))),
                    RED_BAR.y + RED_BAR.height)

    def test_client_area_and_a_preset_face(self):
        self.assertEqual(self.app.geometry()[2:], (255, 326))
        shot = painted(self.display, self.app)
        self.assertEqual((shot.width, shot.height), (255, 326))
        self.assertEqual(shot.pixel(*PRESET["Magenta"].centre()), (255, 0, 255))
        self.assertEqual(shot.pixel(*SWATCH.centre()), (0, 0, 0))
        # The title bar's and the task switcher's icons, from the executable.
        self.assertLessEqual({(16, 16), (32, 32)}, set(self.app.icons()))

    def test_stay_on_top_sets_and_clears_the_state_in_place(self):
        before = self.app.geometry()
        for above in (True, False):
            with self.subTest(above=above):
                self.app.click(*STAY_ON_TOP.centre())
                wait_until(lambda: ("_NET_WM_STATE_ABOVE" in self.app.state()) == above,
                           what=f"_NET_WM_STATE_ABOVE to be {'set' if above else 'cleared'}")
                self.assertEqual(self.display.windows(TITLE), [self.app.window])
                self.assertEqual(self.app.geometry(), before)


class WaysOut(WineDisplayTest):
    def test_each_way_out_ends_with_status_zero(self):
        ways = {
            "Alt+X": lambda app: (app.activate(),
                                  self.display.run(["xdotool", "key", "--clearmodifiers",
                                                    "alt+x"])),
            "the Exit button": lambda app: app.click(*EXIT_BUTTON.centre()),
            "wmctrl -c": lambda app: self.display.run(["wmctrl", "-i", "-c", hex(app.window)]),
        }
        for name, leave in ways.items():
            with self.subTest(way=name):
                app = self.start()
                try:
                    painted(self.display, app)
                    leave(app)
                    self.assertEqual(app.wait_exit(timeout=20), 0, app.log())
                    wait_until(lambda: self.display.windows(TITLE) == [],
                               what="the window to go")
                finally:
                    end_process(app.process)


if __name__ == "__main__":
    unittest.main()
