"""The window's size, colours and window-manager properties, at 96 dpi and at twice
that, both by Qt's scale factor and by the X resource Xft.dpi."""

import re
import unittest

from form_places import CLIENT, PRESETS, SWATCH, control_place, grab
from harness import DisplayTest, wait_until

WHITE = (255, 255, 255)
# Channel letters: label, place, background.
LETTERS = [
    ("R", control_place("Label1"), (255, 0, 0)),
    ("G", control_place("Label2"), (0, 192, 0)),
    ("B", control_place("Label3"), (0, 0, 255)),
]
# The Value frame overlaps the Type frame's bottom border by a pixel.
TYPE_FRAME = control_place("Frame2")
# Pixels of the 32 x 32 window icon, ARGB: a transparent corner, green and blue.
ICON_PIXELS = [((0, 0), 0x00000000), ((5, 20), 0xFF00FF00), ((25, 20), 0xFF0000FF)]


class LayoutChecks:
    """Run once per scale: the class says how the display and the program are set up."""

    scale = 1
    program_env = {}

    def setUp(self):
        super().setUp()
        self.app = self.start(env=self.program_env)
        self.size = (CLIENT[0] * self.scale, CLIENT[1] * self.scale)

    def painted_grab(self):
        """A grab of the window once painted: it is mapped before its first paint, and
        until then it shows a single colour."""
        def painted():
            image = grab(self.app, self.size)
            colours = {image.data[i:i + 3] for i in range(0, len(image.data), 3 * 7)}
            return image if len(colours) > 8 else None
        return wait_until(painted, what="the window to be painted")

    def xprop(self, *args):
        return self.display.run(["xprop", "-id", str(self.app.window), "-notype", *args]).stdout

    def test_client_area_and_colours_at_their_places(self):
        self.assertEqual(self.app.geometry()[2:], self.size)
        shot = self.painted_grab()
        faces = [(f"{name} preset", rect, colour) for name, rect, colour in PRESETS]
        faces.append(("swatch", SWATCH, (0, 0, 0)))
        for name, rect, colour in faces:
            with self.subTest(control=name):
                self.assertEqual(shot.pixel(*rect.scaled(self.scale).centre()), colour)
        with self.subTest(border="Type frame's bottom, under the Value frame's caption"):
            area = TYPE_FRAME.scaled(self.scale)
            bottom = area.y + area.height - 1
            colours = {shot.pixel(x, bottom)
                       for x in range(area.x + self.scale, area.x + area.width - self.scale)}
            self.assertEqual(len(colours), 1, f"broken border: {colours}")
        for letter, rect, background in LETTERS:
            with self.subTest(letter=letter):
                area = rect.scaled(self.scale)
                # The letter sits at the top left; the bottom rows are background only.
                below_letter = (area.x + area.width // 2, area.y + area.height - 1 - self.scale)
                self.assertEqual(shot.pixel(*below_letter), background)
                self.assertIn(WHITE, {shot.pixel(x, y) for x, y in area.points()},
                              "no white letter drawn")

    def test_window_manager_sees_a_fixed_size_an_icon_and_the_class(self):
        hints = self.xprop("WM_NORMAL_HINTS")
        sizes = {kind: tuple(map(int, found)) for kind, *found in
                 re.findall(r"program specified (minimum|maximum) size: (\d+) by (\d+)", hints)}
        self.assertEqual(sizes, {"minimum": self.size, "maximum": self.size}, hints)

        # A move and resize in one request: once the move shows, the resize was refused.
        x, y, _, _ = self.app.geometry()
        self.display.run(["wmctrl", "-i", "-r", hex(self.app.window), "-e",
                          f"0,{x + 17},{y + 13},{self.size[0] + 100},{self.size[1] + 60}"])
        wait_until(lambda: self.app.geometry()[:2] != (x, y), what="the window to move")
        self.assertEqual(self.app.geometry()[2:], self.size)

        icons = self.app.icons()
        self.assertIn((32, 32), icons)
        icon = icons[(32, 32)]
        for (column, row), argb in ICON_PIXELS:
            with self.subTest(icon_pixel=(column, row)):
                self.assertEqual(icon[row * 32 + column], argb)

        self.assertEqual(re.findall(r'"([^"]*)"', self.xprop("WM_CLASS"))[-1], "Tintcast")


class At96Dpi(LayoutChecks, DisplayTest):
    pass


class AtQtScaleFactor2(LayoutChecks, DisplayTest):
    scale = 2
    program_env = {"QT_SCALE_FACTOR": "2"}


class AtXftDpi192(LayoutChecks, DisplayTest):
    scale = 2
    display_options = {"dpi": 192}


if __name__ == "__main__":
    unittest.main()
