"""Where the main window's controls are, read from the program's own form description
(the form_json tool the build makes), and how a scroll bar turns values into thumb
positions and back.

A control's pixel place is its twips converted at the logical 96 dpi (rounded like
lround), added to its frame's converted place; Qt then multiplies logical pixels by
the device pixel ratio. A bar's parts follow Qt's common scroll-bar geometry with the
program's square arrow buttons and square thumb, and the same integer arithmetic as
QStyle::sliderPositionFromValue / sliderValueFromPosition.
"""

import json
import os
import subprocess
from collections import namedtuple

from harness import Image, wait_until

LOGICAL_DPI = 96


def _read_form():
    """The form description as the program holds it. Under Windows' build the tool is
    an .exe, run under Wine in the tests' prefix."""
    tool = os.environ.get("TINTCAST_FORM_JSON", "")
    if not tool:
        raise RuntimeError("set TINTCAST_FORM_JSON to the form_json tool the build makes")
    command, env = [tool], dict(os.environ)
    if tool.endswith(".exe"):
        command = ["wine", tool]
        env.update(WINEPREFIX=os.environ["TINTCAST_WINEPREFIX"], WINEDEBUG="-all")
        env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)
    output = subprocess.run(command, env=env, check=True, capture_output=True, timeout=120).stdout
    return json.loads(output.decode())


FORM = _read_form()
CONTROLS = {(c["name"], c["index"]): c for c in FORM["controls"]}
TAB_STOPS = FORM["tabStops"]


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


def control(name, index=-1):
    return CONTROLS[(name, index)]


def control_place(name, index=-1):
    """The logical pixel rectangle of a control, within any frames that hold it."""
    spec = control(name, index)
    rect = place(*spec["place"])
    parent = spec["parent"]
    while parent:
        frame = control(parent)
        rect = rect._replace(x=rect.x + px(frame["place"][0]), y=rect.y + px(frame["place"][1]))
        parent = frame["parent"]
    return rect


def _by_top(controls):
    return sorted(controls, key=lambda c: (c["place"][1], c["place"][0]))


CLIENT = (px(FORM["clientWidth"]), px(FORM["clientHeight"]))
SWATCH = control_place("txtColor")
COPY_BUTTON = control_place("Command1")
EXIT_BUTTON = control_place("cmdExit")
VALUE_BOX = control_place("txtHex")
# The check box's whole place, much wider than its caption: both programs take a click
# anywhere in it.
STAY_ON_TOP = control_place("chkTop")
# The box and the start of its caption, where the text colour shows.
STAY_ON_TOP_CAPTION = STAY_ON_TOP._replace(width=px(600))


def stay_on_top_enabled(image, origin=(0, 0), scale=1):
    """Whether the Stay On Top caption is drawn in the enabled text colour (a disabled
    one has no dark pixels); origin: the client area's top left in the image, which
    shows it at the given scale."""
    caption = Rect(*(int(value * scale) for value in STAY_ON_TOP_CAPTION))
    darkest = min(sum(image.pixel(origin[0] + x, origin[1] + y)) for x, y in caption.points())
    return darkest < 3 * 80


# Preset buttons, top to bottom: name, place, the colour they show and set.
PRESETS = [(c["accessibleName"], control_place(c["name"], c["index"]), tuple(c["background"]))
           for c in _by_top(c for c in FORM["controls"] if c["kind"] == "ColorButton")]

OPTIONS = {c["caption"]: control_place(c["name"], c["index"])
           for c in FORM["controls"] if c["kind"] == "Option"}

RED, GREEN, BLUE = 0, 1, 2
BARS = {c["index"]: c for c in FORM["controls"] if c["kind"] == "VScrollBar"}


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
    """One channel's bar in logical pixels. Inside, the bar holds the range the form
    description gives it (negated where the top is the larger end), its minimum at the
    top of the groove."""

    def __init__(self, channel):
        spec = BARS[channel]
        self.rect = control_place(spec["name"], channel)
        range_ = spec["bar"]
        self.inner = (range_["innerMinimum"], range_["innerMaximum"])
        self.sign = range_["sign"]
        self.arrow = self.rect.width                  # square arrow buttons
        self.thumb = self.rect.width                  # square thumb
        self.groove_top = self.rect.y + self.arrow
        self.groove_end = self.rect.y + self.rect.height - self.arrow  # exclusive
        self.span = self.groove_end - self.groove_top - self.thumb
        self.x = self.rect.x + self.rect.width // 2

    def thumb_top(self, value):
        return self.groove_top + slider_position_from_value(*self.inner, self.sign * value,
                                                             self.span)

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
        return self.sign * slider_value_from_position(*self.inner, position, self.span)

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
