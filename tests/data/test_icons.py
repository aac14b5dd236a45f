"""The installed icons: every size in place with its dimensions, and the scalable
drawing still the same artwork as the 32 x 32 image that the window shows."""

import os
import re
import subprocess
import tempfile
import unittest
from collections import Counter

PREFIX = os.environ.get("TINTCAST_PREFIX", "")
HICOLOR = os.path.join(PREFIX, "share", "icons", "hicolor")
SVG = os.path.join(HICOLOR, "scalable", "apps", "tintcast.svg")
XPM = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "window",
                   "tintcast.xpm")
RENDERED_SIZES = (16, 24, 48, 64, 128, 256)


def read_xpm(path):
    """(width, height, rows of (r, g, b) or None for a transparent pixel)."""
    with open(path) as source:
        strings = re.findall(r'"([^"]*)"', source.read())
    width, height, count, per_pixel = map(int, strings[0].split())
    palette = {}
    for entry in strings[1:1 + count]:
        key, value = entry[:per_pixel], entry[per_pixel:].split()[-1]
        palette[key] = None if value == "None" else bytes.fromhex(value[1:])
    rows = strings[1 + count:1 + count + height]
    return width, height, [[palette[row[i:i + per_pixel]] for i in range(0, width * per_pixel,
                                                                             per_pixel)]
                           for row in rows]


def read_rgba(path):
    """(width, height, RGBA bytes) of an image file."""
    size = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True,
                          text=True, check=True, timeout=15).stdout.split()
    data = subprocess.run(["convert", path, "-depth", "8", "rgba:-"], capture_output=True,
                          check=True, timeout=15).stdout
    return int(size[0]), int(size[1]), data


class Icons(unittest.TestCase):
    def test_every_size_is_installed_at_its_dimensions(self):
        self.assertTrue(os.path.isfile(SVG), SVG)
        for size in RENDERED_SIZES:
            with self.subTest(size=size):
                path = os.path.join(HICOLOR, f"{size}x{size}", "apps", "tintcast.png")
                self.assertEqual(read_rgba(path)[:2], (size, size))

    def test_drawing_at_32_px_shows_each_region_of_the_image_in_its_colour(self):
        """Each pixel of the rendering counts as the nearest colour of the image's
        palette (or transparent); over the pixels of each of the image's colours, the
        rendering's most frequent colour must be that colour."""
        width, height, image = read_xpm(XPM)
        self.assertEqual((width, height), (32, 32))
        colours = {pixel for row in image for pixel in row if pixel is not None}
        with tempfile.TemporaryDirectory() as scratch:
            png = os.path.join(scratch, "32.png")
            subprocess.run(["rsvg-convert", "--width", "32", "--height", "32", "--output", png,
                            SVG], check=True, timeout=15)
            _, _, data = read_rgba(png)

        def nearest(x, y):
            offset = (y * width + x) * 4
            red, green, blue, alpha = data[offset:offset + 4]
            if alpha < 128:
                return None
            return min(colours, key=lambda c: (c[0] - red) ** 2 + (c[1] - green) ** 2
                       + (c[2] - blue) ** 2)

        regions = {}
        for y, row in enumerate(image):
            for x, colour in enumerate(row):
                regions.setdefault(colour, Counter())[nearest(x, y)] += 1
        for colour, found in regions.items():
            with self.subTest(region=colour.hex() if colour else "transparent"):
                self.assertEqual(found.most_common(1)[0][0], colour, found)


if __name__ == "__main__":
    unittest.main()
