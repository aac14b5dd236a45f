"""Writes the application icon as a Windows .ico from the two sources the Linux build
installs: the hand-drawn 32 x 32 XPM that the window shows, and every other size
Windows asks for at 100 to 200 % rendered from the scalable drawing. Every image has
the artwork's 16-colour palette and a transparency mask, so that no size is a
stretched copy of another.

usage: windows_icon.py <in.xpm> <in.svg> <rsvg-convert> <out.ico>
"""

import os
import re
import struct
import subprocess
import sys
import tempfile
import zlib

# Small and large icons at 100, 125, 150 and 200 %; the window's picture is 32 at 100 %.
SIZES = (16, 20, 24, 32, 40, 48, 64)
DRAWN = 32


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


def read_png_rgba(path):
    """Rows of (r, g, b, a) from an 8-bit RGBA, non-interlaced PNG (as rsvg-convert writes)."""
    with open(path, "rb") as source:
        data = source.read()
    position, idat, header = 8, b"", None
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        body = data[position + 8:position + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        position += 12 + length
    width, height, depth, colour_type, _, _, interlace = header
    if (depth, colour_type, interlace) != (8, 6, 0):
        raise ValueError("8-bit RGBA without interlace expected")
    raw, stride, rows, previous = zlib.decompress(idat), width * 4, [], bytearray(width * 4)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            left = line[x - 4] if x >= 4 else 0
            up, corner = previous[x], previous[x - 4] if x >= 4 else 0
            if kind == 1:
                line[x] = (line[x] + left) & 0xFF
            elif kind == 2:
                line[x] = (line[x] + up) & 0xFF
            elif kind == 3:
                line[x] = (line[x] + (left + up) // 2) & 0xFF
            elif kind == 4:
                guess = left + up - corner
                nearest = min((abs(guess - left), 0, left), (abs(guess - up), 1, up),
                              (abs(guess - corner), 2, corner))[2]
                line[x] = (line[x] + nearest) & 0xFF
        rows.append([tuple(line[x:x + 4]) for x in range(0, stride, 4)])
        previous = line
    return rows


def in_palette(rows, palette):
    """The rendered pixels in the artwork's colours: under half covered is transparent."""
    def nearest(pixel):
        return min(palette, key=lambda c: sum((a - b) ** 2 for a, b in zip(c, pixel[:3])))
    return [[nearest(pixel) if pixel[3] >= 128 else None for pixel in row] for row in rows]


def rendered(svg, rsvg_convert, size, palette):
    with tempfile.TemporaryDirectory() as tmp:
        png = os.path.join(tmp, "icon.png")
        subprocess.run([rsvg_convert, "--width", str(size), "--height", str(size),
                        "--output", png, svg], check=True)
        return in_palette(read_png_rgba(png), palette)


def image_bytes(rows, palette):
    """One 4-bit icon image: header, palette, colour bits and mask, bottom-up."""
    height, width = len(rows), len(rows[0])
    index = {colour: i for i, colour in enumerate(palette)}
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        nibbles = [index.get(pixel, 0) for pixel in row]
        nibbles += [0] * (-len(nibbles) % 8)  # rows padded to 32 bits
        xor += bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, len(nibbles), 2))
        bits = [1 if pixel is None else 0 for pixel in row]
        bits += [0] * (-len(bits) % 32)
        mask += bytes(int("".join(map(str, bits[i:i + 8])), 2) for i in range(0, len(bits), 8))
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 4, 0, len(xor) + len(mask),
                         0, 0, 16, 0)
    colours = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in palette)
    return header + colours + bytes(xor) + bytes(mask)


def ico_bytes(images):
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in images:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4, len(image),
                                 offset)
        offset += len(image)
    return directory + b"".join(image for _, image in images)


def main(xpm, svg, rsvg_convert, target):
    width, height, drawn = read_xpm(xpm)
    if (width, height) != (DRAWN, DRAWN):
        raise ValueError(f"the artwork is {width} x {height}, not {DRAWN} x {DRAWN}")
    used = sorted({pixel for row in drawn for pixel in row if pixel is not None})
    if len(used) > 16:
        raise ValueError(f"{len(used)} colours do not fit a 16-colour icon")
    palette = used + [(0, 0, 0)] * (16 - len(used))
    images = []
    for size in SIZES:
        rows = drawn if size == DRAWN else rendered(svg, rsvg_convert, size, used)
        images.append((size, image_bytes(rows, palette)))
    with open(target, "wb") as out:
        out.write(ico_bytes(images))


if __name__ == "__main__":
    main(*sys.argv[1:])
