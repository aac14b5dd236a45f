"""Where the main window's controls are, worked out from their places in twips, and
how a scroll bar turns values into thumb positions and back.

A control's pixel place is its twips converted at the logical 96 dpi (rounded like
lround), added to its frame's converted place; Qt then multiplies logical pixels by
the device pixel ratio. A bar's parts follow Qt's common scroll-bar geometry with the
program's square arrow buttons and square thumb, and the same integer arithmetic as
QStyle::sliderPositionFromValue / sliderValueFromPosition.
"""

import subprocess
from collections import namedtuple

from harness import Image, wait_until

LOGICAL_DPI = 96


def px(twips):
    """Twips to logical pixels, rounded half away from zero (twips are never negative here)."""
    return int(twips * LOGICAL_DPI / 1440 + 0.5)


class Rect(namedtuple("Rect", "x y width height")):
    def scaled(self, factor):
        return Rect(*(value * factor for value in self))

    def centre(self):
        return (self.x + self.width // 2, self.y + self.height // 2)

    def points(self):
        return ((x, y) for y in range(self.y, self.y + self.height)
                for x in range(self.x, self.x + self.width))


def place(left, top, width, height, frame=(0, 0)):
    """The logical pixel rectangle, in the client area, of a control placed in twips;
    frame is the (left, top) of the frame it sits in, in twips."""
    return Rect(px(frame[0]) + px(left), px(frame[1]) + px(top), px(width), px(height))


CLIENT = (px(3825), px(4890))
FRAME4 = (60, 60)     # "Set": the preset buttons
FRAME2 = (1800, 1740)  # "Type": the notation options
SWATCH = place(1800, 120, 1935, 1575)
COPY_BUTTON = place(1800, 3300, 1935, 795)
EXIT_BUTTON = place(2280, 4200, 1455, 555)
VALUE_BOX = place(120, 240, 1695, 315, (1800, 2580))  # in Frame1, "Value"
# The check box and the start of its caption: its place is much wider than the caption.
STAY_ON_TOP = place(60, 3840, 600, 255)



def stay_on_top_enabled(image, origin=(0, 0)):
    """Whether the Stay On Top caption is drawn in the enabled text colour (a disabled
    one has no dark pixels); origin: the client area's top left in the image."""
    darkest = min(sum(image.pixel(origin[0] + x, origin[1] + y)) for x, y in STAY_ON_TOP.points())
    return darkest < 3 * 80


# Preset buttons, top to bottom: name, place in Frame4, the colour they show and set.
PRESETS = [
    ("White", place(60, 240, 375, 360, FRAME4), (255, 255, 255)),
    ("Cyan", place(60, 660, 375, 375, FRAME4), (0, 255, 255)),
    ("Magenta", place(60, 1080, 375, 360, FRAME4), (255, 0, 255)),
    ("Blue", place(60, 1500, 375, 360, FRAME4), (0, 0, 255)),
    ("Yellow", place(60, 1920, 375, 360, FRAME4), (255, 255, 0)),
    ("Green", place(60, 2340, 375, 360, FRAME4), (0, 255, 0)),
    ("Red", place(60, 2760, 375, 360, FRAME4), (255, 0, 0)),
    ("Black", place(60, 3180, 375, 360, FRAME4), (0, 0, 0)),
]

OPTIONS = {
    "VBasic": place(60, 240, 855, 255, FRAME2),
    "HTML": place(60, 540, 915, 255, FRAME2),
    "DBasic": place(960, 240, 915, 255, FRAME2),
}

RED, GREEN, BLUE = 0, 1, 2
BAR_LEFT = {RED: 660, GREEN: 1020, BLUE: 1380}
BAR_TOP, BAR_WIDTH, BAR_HEIGHT = 405, 315, 3315
TOP_VALUE = 255  # the value at the top of every bar; 0 is at the bottom


def slider_position_from_value(minimum, maximum, value, span):
    """QStyle::sliderPositionFromValue, not upside down."""
    if span <= 0 or value < minimum or maximum <= minimum:
        return 0
    if value > maximum:
        return minimum
    extent = maximum - minimum
    p = value - minimum
    if extent > span:
        return (2 * p * span + extent) // (2 * extent)
    div, mod = divmod(span, extent)
    return p * div + (2 * p * mod + extent) // (2 * extent)


def slider_value_from_position(minimum, maximum, position, span):
    """QStyle::sliderValueFromPosition, not upside down."""
    if span <= 0 or position <= 0:
        return minimum
    if position >= span:
        return maximum
    extent = maximum - minimum
    if span > extent:
        return (2 * position * extent + span) // (2 * span) + minimum
    div, mod = divmod(extent, span)
    return position * div + (2 * position * mod + span) // (2 * span) + minimum


class Bar:
    """One channel's bar in logical pixels. Inside, the bar holds the negated range
    -255..0, so the top of the groove is the channel's 255."""

    def __init__(self, channel):
        self.rect = place(BAR_LEFT[channel], BAR_TOP, BAR_WIDTH, BAR_HEIGHT)
        self.arrow = self.rect.width                  # square arrow buttons
        self.thumb = self.rect.width                  # square thumb
        self.groove_top = self.rect.y + self.arrow
        self.groove_end = self.rect.y + self.rect.height - self.arrow  # exclusive
        self.span = self.groove_end - self.groove_top - self.thumb
        self.x = self.rect.x + self.rect.width // 2

    def thumb_top(self, value):
        return self.groove_top + slider_position_from_value(-TOP_VALUE, 0, -value, self.span)

    def top_arrow(self):
        return (self.x, self.rect.y + self.arrow // 2)

    def bottom_arrow(self):
        return (self.x, self.groove_end + self.arrow // 2)

    def thumb_centre(self, value):
        return (self.x, self.thumb_top(value) + self.thumb // 2)

    def track_above(self, value):
        top = self.thumb_top(value)
        if top <= self.groove_top:
            raise ValueError(f"no track above the thumb at {value}")
        return (self.x, (self.groove_top + top - 1) // 2)

    def track_below(self, value):
        below = self.thumb_top(value) + self.thumb
        if below >= self.groove_end:
            raise ValueError(f"no track below the thumb at {value}")
        return (self.x, (below + self.groove_end - 1) // 2)

    def value_after_drag(self, value, press_y, pointer_y):
        """The value a drag of the thumb, grabbed at press_y, gives at pointer_y."""
        grab = press_y - self.thumb_top(value)
        position = pointer_y - grab - self.groove_top
        return -slider_value_from_position(-TOP_VALUE, 0, position, self.span)

    def focus_marked(self, image, value):
        """Whether the thumb drawn at value carries a focus mark: inside its two-pixel
        bevel the face is otherwise one plain colour."""
        face = Rect(self.rect.x + 2, self.thumb_top(value) + 2, self.rect.width - 4,
                    self.thumb - 4)
        return len({image.pixel(x, y) for x, y in face.points()}) > 1

    def drawn_thumb(self, image):
        """(first, last) rows of the thumb as drawn in a 1x screenshot, or None. The track
        is a checkerboard, so neighbouring pixels in a row differ there; the thumb's rows
        (bevel and face) are plain between its side edges."""
        x = self.rect.x + 4
        plain = [y for y in range(self.groove_top, self.groove_end)
                 if image.pixel(x, y) == image.pixel(x + 1, y)]
        return (plain[0], plain[-1]) if plain else None


def grab(app, size=None):
    """The client area as an Image: import writes raw RGB, one process and no file.
    size is the client area in physical pixels (the 96 dpi size unless given)."""
    width, height = size or CLIENT
    data = app.display.run(["import", "-window", str(app.window), "-depth", "8", "rgb:-"],
                           timeout=15, binary=True).stdout
    if len(data) != width * height * 3:
        raise AssertionError(f"a {width} x {height} grab gave {len(data)} bytes")
    return Image(width, height, data)


def copied_text(app, timeout=20):
    """Presses Alt+C and returns the text the program put on the clipboard.

    Another program first holds a stand-in text, so an earlier copy cannot pass for a
    new one. The key goes through XTEST to the focused window without clearing
    modifiers, so a mouse button held down (a drag) stays held."""
    display = app.display
    stand_in = b"(nothing copied yet)"
    holder = display.spawn(["xclip", "-i", "-quiet", "-selection", "clipboard"],
                           stdin=subprocess.PIPE)
    holder.stdin.write(stand_in)
    holder.stdin.close()
    wait_until(lambda: display.clipboard() == stand_in, timeout=timeout,
               what="xclip to hold the stand-in text")
    display.run(["xdotool", "key", "alt+c"])

    def fresh():
        text = display.clipboard()
        return (text,) if text not in (None, stand_in) else None

    (text,) = wait_until(fresh, timeout=timeout, what="the program to copy its text")
    try:
        holder.wait(timeout=timeout)  # it ends on losing the selection
    except subprocess.TimeoutExpired:
        pass  # ended with the display
    return text.decode()
