"""Runs the installed program under real Wayland compositors: sway headless, and KWin
nested in an Xvfb server (which gives it a real seat, so keys reach it), at a given
output scale.

A compositor that refuses to start makes the test skip, with its reason. sway refuses
to run as root: when the tests run as root, the whole session (compositor, program,
readers) runs as an ordinary user, made with useradd if missing and entered with
setpriv. Every wait is bounded and only processes started here are ended, by PID.
"""

import functools
import json
import os
import pwd
import shutil
import subprocess
import tempfile
import unittest

from form_places import COPY_BUTTON, EXIT_BUTTON, PRESETS, TAB_STOPS
from form_places import CLIENT, STAY_ON_TOP, grab
from harness import (KEEPER, PROGRAM, TITLE, Display, Image, Tintcast, end_pids, end_process,
                     end_process_group, processes_of, start_xvfb, wait_until)

USER = "tintcast-e2e"
# From the first stop to the Red preset.
TABS_TO_RED = TAB_STOPS.index("cmdStandard(1)")
RED_TEXT = b"&HFF"
RED_PRESET = next(place for name, place, _ in PRESETS if name == "Red")


def session_user():
    """(uid, gid) to run the session as, or None to run it as ourselves."""
    if os.geteuid() != 0:
        return None
    try:
        entry = pwd.getpwnam(USER)
    except KeyError:
        subprocess.run(["useradd", "--system", "--user-group", "--no-create-home",
                        "--shell", "/usr/sbin/nologin", USER], check=True, timeout=30,
                       capture_output=True)
        entry = pwd.getpwnam(USER)
    return entry.pw_uid, entry.pw_gid


def keepers(runtime):
    """PIDs of what serves this session's copy after the program ended: wl-copy, or the
    program's X11 keeper (both outlive whoever started them)."""
    return processes_of({"wl-copy", os.path.basename(KEEPER)}, f"XDG_RUNTIME_DIR={runtime}")


def qt_platform(pid):
    """The Qt platform plugin a running program loaded ("xcb", "wayland"), or None."""
    try:
        with open(f"/proc/{pid}/maps") as maps:
            names = {os.path.basename(line.split()[-1]) for line in maps if "/platforms/" in line}
    except OSError:
        return None
    for name in names:
        if name == "libqxcb.so":
            return "xcb"
        if name.startswith("libqwayland-"):
            return "wayland"
    return None


def maps_library(pid, name):
    """Whether a running program has a library of this name (any version) mapped."""
    with open(f"/proc/{pid}/maps") as maps:
        return any(os.path.basename(line.split()[-1]).startswith(name + ".") for line in maps)


def round_half_up(value):
    return int(value + 0.5)


def crop(image, origin, width, height):
    """The part of an image at origin (x, y) of the given size."""
    x, y = origin
    row = image.width * 3
    data = b"".join(image.data[(y + line) * row + x * 3:(y + line) * row + (x + width) * 3]
                    for line in range(height))
    return Image(width, height, data)


def resample(image, width, height):
    """The image stretched or shrunk to a size, each pixel taken from the nearest one,
    as a compositor without smoothing does."""
    columns = [int((x + 0.5) * image.width / width) * 3 for x in range(width)]
    rows = []
    for y in range(height):
        start = int((y + 0.5) * image.height / height) * image.width * 3
        source = image.data[start:start + image.width * 3]
        rows.append(b"".join(source[c:c + 3] for c in columns))
    return Image(width, height, b"".join(rows))


def difference(one, other, leave_out):
    """The mean difference of two pictures of the same size, per colour channel (0 to
    255), leaving out a rectangle of the client area (in logical pixels)."""
    fx, fy = one.width / CLIENT[0], one.height / CLIENT[1]
    left, right = int(leave_out.x * fx), round_half_up((leave_out.x + leave_out.width) * fx)
    top, bottom = int(leave_out.y * fy), round_half_up((leave_out.y + leave_out.height) * fy)
    total = counted = 0
    row = one.width * 3
    for y in range(one.height):
        spans = [(0, one.width)] if not top <= y < bottom else [(0, left), (right, one.width)]
        for start, end in spans:
            a = one.data[y * row + start * 3:y * row + end * 3]
            b = other.data[y * row + start * 3:y * row + end * 3]
            total += sum(map(abs, map(int.__sub__, a, b)))
            counted += len(a)
    return total / counted


@functools.cache
def drawing_at(factor):
    """The freshly started window as the X11 program draws it at a scale factor, under
    Xvfb and openbox: the pictures a scaled output's screenshot is held against."""
    display = Display()
    try:
        app = Tintcast(display, env={"QT_SCALE_FACTOR": str(factor)})
        last = None

        def settled():  # like the screenshots held against it
            nonlocal last
            image = grab(app, (CLIENT[0] * factor, CLIENT[1] * factor))
            found, last = image.data == last, image.data
            return image if found else None
        return wait_until(settled, timeout=10, interval=0.1,
                          what="the X11 window's picture to settle")
    finally:
        display.close()


def resolution_differences(image, origin, scale):
    """How far the window's picture on an output at a scale (the client area from origin
    in the image) is from the window drawn at 2x and from the window drawn at 1x, each
    brought to the picture's size: a window drawn at the output's resolution is nearer
    the first, a 1x bitmap the compositor stretched is nearer the second. At a fraction
    the compositor rounds the window's size either way, and each drawing is held against
    the size it fits best. The Stay On Top box is left out: whether it is enabled differs
    with the window manager, not with the resolution."""
    sizes = {(width, height) for width in (int(CLIENT[0] * scale), -int(-CLIENT[0] * scale))
             for height in (int(CLIENT[1] * scale), -int(-CLIENT[1] * scale))}
    pictures = [crop(image, origin, *size) for size in sizes]
    return tuple(min(difference(picture, resample(drawing_at(factor), picture.width,
                                                  picture.height), STAY_ON_TOP)
                     for picture in pictures)
                 for factor in (2, 1))


class Session:
    """A compositor with its folders; subclasses start it. xwayland: whether X clients
    (and xclip) have a display; native: whether the program is told to run as a Wayland
    client (otherwise it chooses); scale: the output's scale. Once the program runs,
    platform says which one it chose, and the keys and clicks follow it."""

    name = "?"

    def __init__(self, xwayland, native=False, scale=1):
        self.xwayland, self.native, self.scale = xwayland, native, scale
        self.platform = None
        self.x11_factor = 1  # what X11 programs multiply their pixels by
        self.user = session_user()
        self.prefix = []
        if self.user:
            uid, gid = self.user
            self.prefix = [shutil.which("setpriv") or "setpriv", f"--reuid={uid}",
                           f"--regid={gid}", "--init-groups"]
        self.tmp = tempfile.mkdtemp(prefix="tintcast-wayland-")
        self.home = os.path.join(self.tmp, "home")
        self.runtime = os.path.join(self.tmp, "runtime")
        os.makedirs(self.home)
        os.makedirs(self.runtime, mode=0o700)
        if self.user:
            for path in (self.tmp, self.home, self.runtime):
                os.chown(path, *self.user)
        self.processes = []
        self.groups = set()  # the processes started in groups of their own
        self.env = {key: value for key, value in os.environ.items()
                    if not key.startswith(("QT_", "WAYLAND", "XDG_", "DBUS_", "DISPLAY"))}
        self.env.update(HOME=self.home, XDG_RUNTIME_DIR=self.runtime, NO_AT_BRIDGE="1",
                        WAYLAND_DISPLAY="wayland-1")
        try:
            self.start()
        except BaseException:
            self.close()
            raise

    def log_path(self, name):
        return os.path.join(self.tmp, name)

    def spawn(self, argv, log, env=None):
        with open(self.log_path(log), "a") as out:
            process = subprocess.Popen(self.prefix + argv,
                                       env=env or self.env, stdout=out,
                                       stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                       start_new_session=True)
        self.processes.append(process)
        self.groups.add(process.pid)
        return process

    def run(self, argv, timeout=5, input=None):
        """A short command of the session; its completed process, or None on time-out."""
        try:
            return subprocess.run(self.prefix + argv, env=self.env, capture_output=True,
                                  timeout=timeout, input=input)
        except subprocess.TimeoutExpired:
            return None

    def log(self, name):
        try:
            with open(self.log_path(name), errors="replace") as log:
                return log.read()
        except OSError:
            return ""

    def wl_copy(self, text):
        """Copies text as a Wayland client does. wl-copy's first process ends once its
        serving copy has forked; that one keeps any pipe open, so none is given it."""
        result = subprocess.run(self.prefix + ["wl-copy", text], env=self.env, timeout=5,
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        assert result.returncode == 0, result

    def wl_paste(self):
        """The clipboard as a Wayland client reads it (data-control), or None."""
        result = self.run(["wl-paste", "--no-newline"], timeout=3)
        return result.stdout if result is not None and result.returncode == 0 else None

    def focus_x_client(self):
        """Shows a small X window, which takes the focus: sway hands the clipboard to X
        clients only while one of them has the focus, as one has when a person pastes
        into it."""
        self.spawn(["xmessage", "-name", "reader", "X reader"], "xmessage.log")
        wait_until(lambda: (self.run(["xdotool", "search", "--onlyvisible", "--name",
                                      "^reader$"]) or subprocess.CompletedProcess([], 1)).stdout,
                   timeout=5, what="an X client's window")

    def xclip(self):
        """The clipboard as an X client reads it through XWayland, or None."""
        result = self.run(["xclip", "-o", "-selection", "clipboard", "-target", "UTF8_STRING"],
                          timeout=3)
        return result.stdout if result is not None and result.returncode == 0 else None

    def start_program(self, **extra_env):
        env = {**self.env, **extra_env}
        if self.native and self.xwayland:
            env["QT_QPA_PLATFORM"] = "wayland"
        self.program = self.spawn([PROGRAM], "tintcast.log", env=env)
        self.platform = None
        wait_until(self._window_shown, timeout=20, what=f"the window under {self.name}")

    def _window_shown(self):
        if self.program.poll() is not None:
            raise AssertionError(f"tintcast ended early: {self.log('tintcast.log')}")
        self.platform = self.platform or qt_platform(self.program.pid)
        return self.platform and self.window_size()

    def settled_screenshot(self):
        """A screenshot, and the client area's top left there, once two in a row show the
        window alike (the first frames may still be on their way)."""
        last = None

        def settled():
            nonlocal last
            image, origin = self.screenshot()
            if origin is None:
                return None
            picture = crop(image, origin, -int(-CLIENT[0] * self.scale),
                           -int(-CLIENT[1] * self.scale)).data
            found, last = picture == last, picture
            return (image, origin) if found else None
        return wait_until(settled, timeout=10, interval=0.1, what="the window's picture to settle")

    def copy_red(self):
        """Picks the Red preset and copies it, as a person would."""
        if self.platform == "wayland":
            self.keys(*["Tab"] * TABS_TO_RED, "space", "alt+c")
        else:
            self.click(RED_PRESET.centre())
            self.click(COPY_BUTTON.centre())

    def exit(self):
        if self.platform == "wayland":
            self.keys("alt+x")
        else:
            self.click(EXIT_BUTTON.centre())

    def click(self, point):
        """A click at a point of the X window's client area, through XTEST."""
        result = self.run(["xdotool", "search", "--onlyvisible", "--name", f"^{TITLE}$"])
        window = result.stdout.split()[0].decode()
        result = self.run(["xdotool", "mousemove", "--window", window,
                           *(str(value * self.x11_factor) for value in point), "click", "1"])
        assert result is not None and result.returncode == 0, result

    def close(self):
        end_pids(keepers(self.runtime))
        for process in reversed(self.processes):
            if process.pid in self.groups:
                end_process_group(process)
            else:
                end_process(process)
        shutil.rmtree(self.tmp, ignore_errors=True)


class Sway(Session):
    name = "sway"

    def start(self):
        if not shutil.which("sway"):
            raise unittest.SkipTest("sway is not installed")
        config = self.log_path("sway.conf")
        with open(config, "w") as out:
            out.write(f"output HEADLESS-1 resolution 1024x768 position 0 0 scale {self.scale}\n"
                      f"xwayland {'enable' if self.xwayland else 'disable'}\n"
                      "default_border normal\nseat seat0 fallback true\n")
        env = {**self.env, "XDG_SESSION_TYPE": "wayland", "WLR_BACKENDS": "headless",
               "WLR_LIBINPUT_NO_DEVICES": "1", "WLR_RENDERER": "pixman"}
        env.pop("WAYLAND_DISPLAY")
        self.compositor = self.spawn(["sway", "-c", config], "sway.log", env=env)
        socket = wait_until(self._socket, timeout=15, what="sway's Wayland socket")
        self.env["WAYLAND_DISPLAY"] = socket
        self.env["SWAYSOCK"] = wait_until(self._ipc_socket, timeout=10, what="sway's IPC socket")
        if self.xwayland:
            # sway sets DISPLAY for the programs it starts; a script keeps `exec` from
            # splitting the command.
            script, answer = self.log_path("display.sh"), self.log_path("display")
            with open(script, "w") as out:
                out.write(f'#!/bin/sh\necho "$DISPLAY" > {answer}.new\n'
                          f'mv {answer}.new {answer}\n')
            os.chmod(script, 0o755)
            self.run(["swaymsg", "exec", script])
            display = wait_until(lambda: os.path.exists(answer) and self.log("display").strip(),
                                 timeout=10, what="XWayland's display")
            self.env["DISPLAY"] = display
            # XWayland starts lazily; the first X client waits for it.
            wait_until(lambda: self.run(["xprop", "-root", "_NET_SUPPORTED"], timeout=5),
                       timeout=15, what="XWayland")

    def _socket(self):
        if self.compositor.poll() is not None:
            raise unittest.SkipTest(f"sway did not start: {self.log('sway.log')[-400:]}")
        names = [n for n in os.listdir(self.runtime) if n.startswith("wayland-")
                 and not n.endswith(".lock")]
        return names[0] if names else None

    def _ipc_socket(self):
        names = [n for n in os.listdir(self.runtime) if n.startswith("sway-ipc.")]
        return os.path.join(self.runtime, names[0]) if names else None

    def _tree_window(self):
        result = self.run(["swaymsg", "-t", "get_tree"])
        if result is None or result.returncode != 0:
            return None
        stack = [json.loads(result.stdout)]
        while stack:
            node = stack.pop()
            if node.get("name") == TITLE and node.get("visible"):
                return node
            stack.extend(node.get("nodes", []) + node.get("floating_nodes", []))
        return None

    def window_size(self):
        node = self._tree_window()
        return (node["window_rect"]["width"], node["window_rect"]["height"]) if node else None

    def keys(self, *keys):
        """Keys typed into the focused window, in one call (wtype loses the first keys
        of each call without a lead pause)."""
        argv = ["wtype", "-s", "300"]
        for key in keys:
            if key.startswith("alt+"):
                argv += ["-M", "alt", "-k", key[4:], "-m", "alt"]
            else:
                argv += ["-k", key]
        result = self.run(argv, timeout=30)
        assert result is not None and result.returncode == 0, result

    def screenshot(self):
        """The output's picture, in its own pixels, and the client area's top left there."""
        path = self.log_path("shot.png")
        result = self.run(["grim", path], timeout=15)
        assert result is not None and result.returncode == 0, result
        node = self._tree_window()
        return Image.load(path), (round_half_up((node["rect"]["x"] + node["window_rect"]["x"])
                                                * self.scale),
                                  round_half_up((node["rect"]["y"] + node["window_rect"]["y"])
                                                * self.scale))


class KWin(Session):
    """KWin nested in Xvfb, always with XWayland; natively the program is asked to use
    Wayland. The packaged binary carries a file capability that cannot be used here, so
    a copy of it runs. Its output is 1024 x 768 pixels at any scale. x11_scales_itself:
    KWin leaves X11 programs unstretched and, as a Plasma session does then, Xft.dpi
    tells them the scale."""

    name = "KWin"

    def __init__(self, xwayland, native=False, scale=1, x11_scales_itself=False):
        self.x11_scales_itself = x11_scales_itself
        super().__init__(xwayland, native, scale)
        if x11_scales_itself:
            self.x11_factor = scale

    def start(self):
        binary = shutil.which("kwin_wayland")
        if not binary:
            raise unittest.SkipTest("kwin_wayland is not installed")
        if self.x11_scales_itself:
            config = os.path.join(self.home, ".config")
            os.makedirs(config)
            with open(os.path.join(config, "kwinrc"), "w") as out:
                out.write(f"[Xwayland]\nScale={self.scale}\n")
            if self.user:
                for path in (config, os.path.join(config, "kwinrc")):
                    os.chown(path, *self.user)
        server, number = start_xvfb(self.tmp, 1024, 768)
        self.processes.append(server)
        self.host = f":{number}"
        host_env = {**self.env, "DISPLAY": self.host}
        host_env.pop("WAYLAND_DISPLAY")
        copy = self.log_path("kwin_wayland")
        shutil.copy(binary, copy)
        os.chmod(copy, 0o755)
        self.compositor = self.spawn(
            ["dbus-run-session", "--", copy, "--x11-display", self.host, "--xwayland",
             "--width", str(int(1024 / self.scale)), "--height", str(int(768 / self.scale)),
             "--scale", str(self.scale), "--socket", "wayland-1", "--no-lockscreen",
             "--no-global-shortcuts"], "kwin.log", env={**host_env, "XDG_SESSION_TYPE": "wayland",
                                                       "KWIN_COMPOSE": "Q"})
        wait_until(self._ready, timeout=30, what="KWin and its XWayland")
        if self.x11_scales_itself:
            result = self.run(["xrdb", "-merge"], input=f"Xft.dpi: {int(96 * self.scale)}\n".encode())
            assert result is not None and result.returncode == 0, result

    def _ready(self):
        if self.compositor.poll() is not None:
            raise unittest.SkipTest(f"KWin did not start: {self.log('kwin.log')[-400:]}")
        if not os.path.exists(os.path.join(self.runtime, "wayland-1")):
            return False
        display = self._xwayland_display()
        if display:
            self.env["DISPLAY"] = display
            return self.run(["xprop", "-root", "_NET_SUPPORTED"], timeout=5) is not None
        return False

    def _xwayland_display(self):
        for pid in processes_of({"Xwayland"}, f"XDG_RUNTIME_DIR={self.runtime}"):
            try:
                with open(f"/proc/{pid}/cmdline", "rb") as cmdline:
                    argv = cmdline.read().split(b"\0")
            except OSError:
                continue
            if len(argv) > 1:
                return argv[1].decode()
        return None

    def host_run(self, argv, timeout=10):
        return subprocess.run(self.prefix + argv, env={**self.env, "DISPLAY": self.host},
                              capture_output=True, timeout=timeout)

    def keys(self, *keys):
        self.host_run(["xdotool", "mousemove", "512", "384"])
        result = self.host_run(["xdotool", "key", "--delay", "80", *keys], timeout=30)
        assert result.returncode == 0, result

    def screenshot(self):
        path = self.log_path("shot.png")
        self.host_run(["import", "-window", "root", path], timeout=15)
        image = Image.load(path)
        box = self._window_box(image)
        return image, box[:2] if box else None

    def _window_box(self, image):
        """(x, y, width, height) of what is drawn on the black desktop: without a
        decoration plugin, KWin draws the client area alone."""
        rows = [y for y in range(image.height)
                if image.data[y * image.width * 3:(y + 1) * image.width * 3].strip(b"\0")]
        if not rows:
            return None
        left, right = image.width, 0
        for y in rows:
            row = image.data[y * image.width * 3:(y + 1) * image.width * 3]
            left = min(left, (len(row) - len(row.lstrip(b"\0"))) // 3)
            right = max(right, (len(row.rstrip(b"\0")) + 2) // 3)
        return left, rows[0], right - left, rows[-1] + 1 - rows[0]

    def window_size(self):
        """The client area's size in logical pixels: the output's pixels over the scale,
        or the X window's size over the scale X11 programs draw at."""
        if self.platform == "wayland":
            image, _ = self.screenshot()
            box = self._window_box(image)
            return (round_half_up(box[2] / self.scale), round_half_up(box[3] / self.scale)) \
                if box else None
        result = self.run(["xdotool", "search", "--onlyvisible", "--name", f"^{TITLE}$"])
        ids = result.stdout.split() if result is not None else []
        if not ids:
            return None
        info = self.run(["xwininfo", "-id", ids[0]]).stdout.decode()
        fields = dict(line.strip().split(":", 1) for line in info.splitlines() if ":" in line)
        return (round_half_up(int(fields["Width"]) / self.x11_factor),
                round_half_up(int(fields["Height"]) / self.x11_factor))
