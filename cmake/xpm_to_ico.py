"""Writes the application icon as a Windows .ico (32 x 32, 16 colours, with a
transparency mask) from the XPM file that the Linux build shows, so that both come
from one picture.

usage: xpm_to_ico.py <in.xpm> <out.ico>
"""

import re
import struct
import sys


def read_xpm(path):
    """(width, height, rows of (r, g, b) or None per pixel) from a C-source XPM."""
    with open(path) as source:
        strings = re.findall(r'"((?:[^"\\]|\\.)*)"', source.read())
    width, height, colours, per_pixel = map(int, strings[0].split()[:4])
    if per_pixel != 1:
        raise ValueError("one character per pixel expected")
    palette = {}
    for line in strings[1:1 + colours]:
        key, spec = line[0], line[1:].split()
        value = spec[spec.index("c") + 1]
        palette[key] = None if value == "None" else tuple(
            int(value[i:i + 2], 16) for i in (1, 3, 5))
    rows = [[palette[ch] for ch in row] for row in strings[1 + colours:1 + colours + height]]
    if len(rows) != height or any(len(row) != width for row in rows):
        raise ValueError("rows do not match the size")
    return width, height, rows


def ico_bytes(width, height, rows):
    used = sorted({pixel for row in rows for pixel in row if pixel is not None})
    if len(used) > 16:
        raise ValueError(f"{len(used)} colours do not fit a 16-colour icon")
    palette = used + [(0, 0, 0)] * (16 - len(used))
    index = {colour: i for i, colour in enumerate(used)}
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # bottom-up
        nibbles = [index.get(pixel, 0) for pixel in row]
        nibbles += [0] * (-len(nibbles) % 8)  # rows padded to 32 bits
        xor += bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, len(nibbles), 2))
        bits = [1 if pixel is None else 0 for pixel in row]
        bits += [0] * (-len(bits) % 32)
        mask += bytes(int("".join(map(str, bits[i:i + 8])), 2) for i in range(0, len(bits), 8))
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 4, 0, len(xor) + len(mask),
                         0, 0, 16, 0)
    colours = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in palette)
    image = header + colours + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack(
        "<BBBBHHII", width % 256, height % 256, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + image


def main(source, target):
    width, height, rows = read_xpm(source)
    with open(target, "wb") as out:
        out.write(ico_bytes(width, height, rows))


if __name__ == "__main__":
    main(*sys.argv[1:])
