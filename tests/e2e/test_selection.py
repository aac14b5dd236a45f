"""Choosing a colour with the bars (mouse, keyboard, drag), the presets and the
notation options, checked through the copied text, the swatch and the drawn thumb."""

import unittest

from form_places import BLUE, GREEN, OPTIONS, PRESETS, RED, SWATCH, Bar, copied_text, grab
from harness import DisplayTest, wait_until

CHANNEL_NAMES = {RED: "red", GREEN: "green", BLUE: "blue"}
BARS = {channel: Bar(channel) for channel in CHANNEL_NAMES}
PRESET = {name: rect for name, rect, _ in PRESETS}
PRESET_COLOUR = {name: colour for name, _, colour in PRESETS}


def vbasic(rgb):
    red, green, blue = rgb
    return f"&H{(blue << 16) | (green << 8) | red:X}"


class SelectionTest(DisplayTest):
    def setUp(self):
        super().setUp()
        self.app = self.start()
        self.app.activate()
        self.rgb = [0, 0, 0]

    def swatch(self):
        return grab(self.app).pixel(*SWATCH.centre())

    def assertShows(self, rgb, text=None):
        """The swatch shows rgb (waited for: painting follows the event), every bar's thumb
        sits where its value puts it, and the copied text is text (VBasic by default)."""
        rgb = tuple(rgb)

        def showing():
            shot = grab(self.app)
            return shot if shot.pixel(*SWATCH.centre()) == rgb else None

        shot = wait_until(showing, what=f"the swatch to show {rgb}")
        self.assertEqual(copied_text(self.app), text or vbasic(rgb))
        for channel, bar in BARS.items():
            top = bar.thumb_top(rgb[channel])
            self.assertEqual(bar.drawn_thumb(shot), (top, top + bar.thumb - 1),
                             f"{CHANNEL_NAMES[channel]} thumb at {rgb[channel]}")

    def marked_bars(self):
        shot = grab(self.app)
        return {channel for channel, bar in BARS.items()
                if bar.focus_marked(shot, self.rgb[channel])}

    def click_preset(self, name):
        self.app.click(*PRESET[name].centre())

    # A step that changes nothing cannot be waited for; the step after it changes the
    # colour, and as the program takes input in order, its check covers both.

    def test_arrows_and_track_step_by_one_and_ten_and_stop_at_the_ends(self):
        # (preset to start from or None, channel, part, expected channel value)
        steps = [
            (None, RED, "top arrow", 1),
            (None, RED, "top arrow", 2),
            (None, RED, "bottom arrow", 1),
            (None, RED, "bottom arrow", 0),
            (None, RED, "bottom arrow", 0),        # stops at 0
            (None, GREEN, "track above", 10),
            (None, GREEN, "track above", 20),
            (None, GREEN, "track below", 10),
            (None, GREEN, "bottom arrow", 9),
            (None, GREEN, "track below", 0),       # 9 - 10 stops at 0
            ("White", BLUE, "top arrow", 255),     # stops at 255
            (None, BLUE, "track below", 245),
            (None, BLUE, "top arrow", 246),
            (None, BLUE, "track above", 255),      # 246 + 10 stops at 255
            (None, RED, "track below", 245),
        ]
        for preset, channel, part, expected in steps:
            with self.subTest(preset=preset, bar=CHANNEL_NAMES[channel], part=part,
                              before=self.rgb[channel]):
                if preset:
                    self.click_preset(preset)
                    self.rgb = list(PRESET_COLOUR[preset])
                    self.assertShows(self.rgb)
                bar = BARS[channel]
                point = {"top arrow": bar.top_arrow,
                         "bottom arrow": bar.bottom_arrow,
                         "track above": lambda: bar.track_above(self.rgb[channel]),
                         "track below": lambda: bar.track_below(self.rgb[channel])}[part]()
                self.app.click(*point)
                self.rgb[channel] = expected
                self.assertShows(self.rgb)

    def test_keys_move_the_focused_bar(self):
        # Pressing the thumb without moving focuses the bar and keeps its value.
        self.app.click(*BARS[RED].thumb_centre(0))
        steps = [
            ("Up", RED, 1), ("Prior", RED, 11), ("Home", RED, 255), ("Up", RED, 255),
            ("Prior", RED, 255), ("Down", RED, 254), ("Next", RED, 244), ("End", RED, 0),
            ("Down", RED, 0), ("Next", RED, 0), ("Up", RED, 1),
            ("Tab", GREEN, 0), ("Prior", GREEN, 10), ("Next", GREEN, 0),
            ("Tab", BLUE, 0), ("Home", BLUE, 255), ("Down", BLUE, 254),
        ]
        for key, channel, expected in steps:
            with self.subTest(key=key, bar=CHANNEL_NAMES[channel], before=self.rgb[channel]):
                self.app.key(key)
                self.rgb[channel] = expected
                self.assertShows(self.rgb)
                wait_until(lambda: self.marked_bars() == {channel},
                           what=f"a focus mark on the {CHANNEL_NAMES[channel]} thumb only")

    def test_presets_set_their_colour(self):
        expected_text = {"White": "&HFFFFFF", "Cyan": "&HFFFF00", "Magenta": "&HFF00FF",
                         "Blue": "&HFF0000", "Yellow": "&HFFFF", "Green": "&HFF00",
                         "Red": "&HFF", "Black": "&H0"}
        for name, _, colour in PRESETS:  # white first: each one changes the colour
            with self.subTest(preset=name):
                self.click_preset(name)
                self.assertShows(colour, expected_text[name])

    def test_options_switch_the_notation_and_keep_the_colour(self):
        # (preset, or a channel's top arrow, then option, expected text)
        steps = [
            ("Red", "HTML", "#FF0000"),
            (None, "DBasic", "(255,0,0)"),
            (None, "VBasic", "&HFF"),
            (GREEN, "HTML", "#FF0100"),       # channel order shows with unequal channels
            (BLUE, "DBasic", "(255,1,1)"),
            (None, "VBasic", "&H101FF"),
            ("Black", "HTML", "#000000"),
            (None, "DBasic", "(0,0,0)"),
            (None, "VBasic", "&H0"),
        ]
        for change, option, text in steps:
            with self.subTest(change=change, option=option):
                if change in PRESET:
                    self.click_preset(change)
                    self.rgb = list(PRESET_COLOUR[change])
                elif change is not None:
                    self.app.click(*BARS[change].top_arrow())
                    self.rgb[change] += 1
                self.app.click(*OPTIONS[option].centre())
                self.assertShows(self.rgb, text)

    def test_dragging_the_thumb_changes_the_colour_once_on_release(self):
        bar = BARS[RED]
        press_x, press_y = bar.thumb_centre(0)
        self.app.xdotool("mousemove", "--window", self.app.window, press_x, press_y,
                         "mousedown", 1)
        try:
            for pointer_y in (press_y - 15, press_y - 40, bar.rect.y + 110, bar.rect.y + 83):
                with self.subTest(pointer_y=pointer_y):
                    self.app.xdotool("mousemove", "--window", self.app.window, press_x, pointer_y)
                    # The thumb follows the pointer ...
                    dragged = bar.value_after_drag(0, press_y, pointer_y)
                    top = bar.thumb_top(dragged)
                    wait_until(lambda: bar.drawn_thumb(grab(self.app))
                               == (top, top + bar.thumb - 1),
                               what=f"the thumb to follow the pointer to {pointer_y}")
                    # ... but the colour stays until the button is released.
                    self.assertEqual(self.swatch(), (0, 0, 0))
                    self.assertEqual(copied_text(self.app), "&H0")
        finally:
            self.app.xdotool("mouseup", 1)
        self.rgb[RED] = dragged
        self.assertShows(self.rgb)


if __name__ == "__main__":
    unittest.main()
