"""The output box, Copy, Stay On Top and the ways out, driven as a person would."""

import unittest

from form_places import (COPY_BUTTON, EXIT_BUTTON, OPTIONS, PRESETS, STAY_ON_TOP, VALUE_BOX, Rect,
                         stay_on_top_enabled)
from harness import PROGRAM, TITLE, DisplayTest, wait_until

PRESET = {name: place for name, place, _ in PRESETS}

SENTINEL = b"put here by another program"


def highlighted_pixels(image, place):
    """Pixels inside a line edit (its frame left out) in a strong colour: the
    selection's background. Unselected text is black on white, the frame grey."""
    inner = Rect(place.x + 3, place.y + 3, place.width - 6, place.height - 6)
    pixels = (image.pixel(x, y) for x, y in inner.points())
    return sum(max(pixel) - min(pixel) > 60 for pixel in pixels)


class OutputBox(DisplayTest):
    def setUp(self):
        super().setUp()
        self.app = self.start()
        self.app.click(*PRESET["Red"].centre())
        self.app.click(*OPTIONS["DBasic"].centre())

    def copy_with_ctrl_c(self):
        """What Ctrl+C in the focused control puts on the clipboard, which another
        program held before."""
        self.display.offer_clipboard(SENTINEL)
        self.app.key("ctrl+c")
        return wait_until(lambda: (text := self.display.clipboard()) != SENTINEL and text,
                          what="Ctrl+C to copy the selection")

    def assert_selected_all(self, how):
        self.assertEqual(self.copy_with_ctrl_c(), b"(255,0,0)", how)
        shot = self.display.screenshot(self.app.window)
        self.assertGreater(highlighted_pixels(shot, VALUE_BOX), 20, f"{how}: no selection shown")

    def assert_nothing_selected(self, how):
        wait_until(lambda: highlighted_pixels(self.display.screenshot(self.app.window),
                                              VALUE_BOX) == 0,
                   what=f"{how}: the selection to be dropped")

    def test_entering_selects_all_and_leaving_drops_the_selection(self):
        # Mouse entry: the click lands in the middle of the text, yet all is selected.
        self.app.click(*VALUE_BOX.centre())
        self.assertEqual(wait_until(lambda: self.display.clipboard("primary"),
                                    what="the primary selection"), b"(255,0,0)")
        self.assert_selected_all("clicked into")
        # Through the keyboard, out and in again both ways: the box sits between the
        # blue bar and the Copy button in the Tab order.
        for leave, enter in (("shift+Tab", "Tab"), ("Tab", "shift+Tab")):
            with self.subTest(leave=leave, enter=enter):
                self.app.key(leave)
                self.assert_nothing_selected(f"left with {leave}")
                self.app.key(enter)
                self.assert_selected_all(f"entered with {enter}")

    def test_a_click_inside_the_focused_box_places_the_caret(self):
        self.app.click(*VALUE_BOX.centre())
        self.assert_selected_all("clicked into")
        # Only entering selects all; a second click is an ordinary click. It lands
        # near the left end, far enough from the first for no double click.
        self.app.click(VALUE_BOX.x + 5, VALUE_BOX.centre()[1])
        self.assert_nothing_selected("clicked again")


class Copy(DisplayTest):
    # (preset, notation, way of copying, exact bytes expected)
    CASES = [
        ("Red", "DBasic", "button", b"(255,0,0)"),
        ("Red", "DBasic", "alt+c", b"(255,0,0)"),
        ("Blue", "VBasic", "alt+c", b"&HFF0000"),
        ("Black", "VBasic", "button", b"&H0"),
        ("Green", "HTML", "button", b"#00FF00"),
        ("White", "HTML", "alt+c", b"#FFFFFF"),
        ("Magenta", "DBasic", "alt+c", b"(255,0,255)"),
    ]

    def test_copies_exactly_the_shown_text(self):
        app = self.start()
        for preset, notation, way, expected in self.CASES:
            with self.subTest(preset=preset, notation=notation, way=way):
                app.click(*PRESET[preset].centre())
                app.click(*OPTIONS[notation].centre())
                self.display.offer_clipboard(SENTINEL)
                if way == "button":
                    app.click(*COPY_BUTTON.centre())
                else:
                    app.key(way)
                copied = wait_until(
                    lambda: (text := self.display.clipboard()) != SENTINEL and text,
                    what="the copy")
                self.assertEqual(copied, expected)
                # Every form a reader may ask for carries the same bytes.
                for target in ("STRING", "TEXT", "text/plain"):
                    result = self.display.run(
                        ["xclip", "-o", "-selection", "clipboard", "-target", target],
                        binary=True)
                    self.assertEqual(result.stdout, expected, target)


class StayOnTop(DisplayTest):
    def active_window(self):
        """The window manager's active window, or None before it has named one."""
        output = self.display.run(["xprop", "-root", "_NET_ACTIVE_WINDOW"]).stdout
        word = output.split()[-1]
        return int(word, 16) if word.startswith("0x") else None

    def snapshot(self, app):
        # openbox names a new window active a moment after it is mapped.
        active = wait_until(self.active_window, what="the window manager's active window")
        return {"windows": self.display.windows(TITLE), "geometry": app.geometry(),
                "active": active}

    def stacking(self):
        """Client windows, bottom to top."""
        output = self.display.run(["xprop", "-root", "_NET_CLIENT_LIST_STACKING"]).stdout
        return [int(word.strip(","), 16) for word in output.split("#", 1)[1].split()]

    def toggle(self, app, above):
        app.click(*STAY_ON_TOP.centre())
        wait_until(lambda: ("_NET_WM_STATE_ABOVE" in app.state()) == above,
                   what=f"_NET_WM_STATE_ABOVE to be {'set' if above else 'cleared'}")

    def test_keeps_the_same_window_above_others_and_lets_go(self):
        app = self.start()
        before = self.snapshot(app)
        self.assertEqual(before["windows"], [app.window])
        self.assertEqual(before["active"], app.window)

        self.toggle(app, above=True)
        self.assertEqual(self.snapshot(app), before)

        # Another window that opens and is activated stays below this one.
        other = self.display.spawn([PROGRAM], log="other.log")
        other_window = wait_until(
            lambda: [w for w in self.display.windows(TITLE) if w != app.window],
            what="the second window")[0]
        self.display.run(["xdotool", "windowactivate", "--sync", str(other_window)])
        order = self.stacking()
        self.assertGreater(order.index(app.window), order.index(other_window))

        # Two more toggles: on top, then ordinary; still the same window in place.
        self.toggle(app, above=False)
        self.toggle(app, above=True)
        self.toggle(app, above=False)
        self.assertEqual(sorted(self.display.windows(TITLE)), sorted([app.window, other_window]))
        self.assertEqual(app.geometry(), before["geometry"])
        self.display.run(["xdotool", "windowactivate", "--sync", str(other_window)])
        order = self.stacking()
        self.assertLess(order.index(app.window), order.index(other_window))
        self.display.run(["wmctrl", "-i", "-c", hex(other_window)])
        self.assertEqual(other.wait(timeout=10), 0)

    def test_two_toggles_leave_an_ordinary_window(self):
        app = self.start()
        before = self.snapshot(app)
        self.toggle(app, above=True)
        self.toggle(app, above=False)
        self.assertNotIn("_NET_WM_STATE_ABOVE", app.state())
        self.assertEqual(self.snapshot(app), before)

    def test_follows_what_the_window_manager_supports(self):
        app = self.start()
        self.assertTrue(stay_on_top_enabled(self.display.screenshot(app.window)))
        # A window manager that cannot keep a window above others does not list it.
        self.display.run(["xprop", "-root", "-f", "_NET_SUPPORTED", "32a", "-set",
                          "_NET_SUPPORTED", "_NET_WM_STATE,_NET_ACTIVE_WINDOW"])
        wait_until(lambda: not stay_on_top_enabled(self.display.screenshot(app.window)),
                   what="Stay On Top to be disabled")
        # openbox restarted lists it again.
        self.display.run(["openbox", "--restart"])
        wait_until(lambda: stay_on_top_enabled(self.display.screenshot(app.window)),
                   what="Stay On Top to be enabled again")
        self.toggle(app, above=True)


class WaysOut(DisplayTest):
    def test_each_way_out_ends_with_status_zero(self):
        ways = {
            "Alt+X": lambda app: app.key("alt+x"),
            "the Exit button": lambda app: app.click(*EXIT_BUTTON.centre()),
            "wmctrl -c": lambda app: self.display.run(["wmctrl", "-i", "-c", hex(app.window)]),
        }
        for name, leave in ways.items():
            with self.subTest(way=name):
                app = self.start()
                leave(app)
                self.assertEqual(app.wait_exit(), 0, app.log())
                self.assertEqual(self.display.windows(TITLE), [])


if __name__ == "__main__":
    unittest.main()
