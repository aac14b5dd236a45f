"""Runs the installed program in its own X server with a real window manager.

Every wait is bounded, and a session ends only the processes it started itself,
by PID. Each session gets its own display, home and runtime directory, so nothing
is written outside a temporary folder.
"""

import glob
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

PREFIX = os.environ.get("TINTCAST_PREFIX", "")
PROGRAM = os.path.join(PREFIX, "bin", "tintcast")
KEEPER = os.path.join(PREFIX, "libexec", "tintcast", "tintcast-keep-clipboard")
TITLE = "Kesvar - Tintcast"
TWIPS_PER_PIXEL = 15
# xfsettingsd's settings daemon, which it would otherwise start through the bus.
XFCONFD = next(iter(sorted(glob.glob("/usr/lib/*/xfce4/xfconf/xfconfd"))),
               "/usr/lib/x86_64-linux-gnu/xfce4/xfconf/xfconfd")


class Timeout(AssertionError):
    pass


def wait_until(predicate, timeout=20.0, interval=0.05, what="condition"):
    """Polls until predicate() returns something truthy; returns it or raises Timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Timeout(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


def unused_display_number():
    """A display number no X server here listens on, by socket file, lock or
    abstract socket."""
    with open("/proc/net/unix") as sockets:
        listening = sockets.read()
    for number in range(90, 1000):
        if not (os.path.exists(f"/tmp/.X11-unix/X{number}")
                or os.path.exists(f"/tmp/.X{number}-lock")
                or f"@/tmp/.X11-unix/X{number}\n" in listening):
            return number
    raise AssertionError("no free display number")


def end_pids(pids):
    """Asks processes found by processes_of to end; one already gone is no error."""
    for pid in pids:
        try:
            os.kill(pid, signal.SIGTERM)
        except ProcessLookupError:
            pass


def processes_of(executables, variable):
    """PIDs of the running processes whose executable is named one of executables and
    whose environment holds variable ("NAME=value"): how helpers that outlive whoever
    started them are found. A zombie has no executable any more and is not counted."""
    found = []
    for entry in filter(str.isdigit, os.listdir("/proc")):
        try:
            if os.path.basename(os.readlink(f"/proc/{entry}/exe")) not in executables:
                continue
            with open(f"/proc/{entry}/environ", "rb") as environ:
                variables = environ.read().split(b"\0")
        except OSError:
            continue
        if variable.encode() in variables:
            found.append(int(entry))
    return found


def end_process(process, grace=3.0):
    """Ends a process this session started: TERM, then KILL after the grace period."""
    if process is None or process.poll() is not None:
        return
    process.send_signal(signal.SIGTERM)
    try:
        process.wait(timeout=grace)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait(timeout=grace)


def end_process_group(process, grace=3.0):
    """Ends a process this session started in a group of its own (start_new_session),
    with all it started in turn: dbus-run-session, for one, leaves its bus and its child
    running when it is ended alone."""
    if process is None:
        return
    try:
        os.killpg(process.pid, signal.SIGTERM)
    except ProcessLookupError:
        return
    deadline = time.monotonic() + grace
    while time.monotonic() < deadline:
        process.poll()
        try:
            os.killpg(process.pid, 0)
        except ProcessLookupError:
            return
        time.sleep(0.05)
    try:
        os.killpg(process.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    process.wait(timeout=grace)


def start_xvfb(folder, width, height):
    """Starts an Xvfb server on a display number it picks itself; returns the process
    and the number. Its log goes to folder."""
    read_end, write_end = os.pipe()
    with open(os.path.join(folder, "xvfb.log"), "w") as log:
        server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{width}x{height}x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=log)
    os.close(write_end)
    number = b""
    deadline = time.monotonic() + 10
    os.set_blocking(read_end, False)
    try:
        while not number.endswith(b"\n"):
            if time.monotonic() > deadline or server.poll() is not None:
                end_process(server)
                raise Timeout("Xvfb did not report its display")
            try:
                chunk = os.read(read_end, 16)
            except BlockingIOError:
                chunk = b""
            if chunk:
                number += chunk
            else:
                time.sleep(0.02)
    finally:
        os.close(read_end)
    return server, int(number)


class Display:
    """An Xvfb server with openbox, started and ended as a pair."""

    def __init__(self, width=1024, height=768, dpi=None, manager=False):
        self.tmp = tempfile.mkdtemp(prefix="tintcast-e2e-")
        self.home = os.path.join(self.tmp, "home")
        self.runtime = os.path.join(self.tmp, "runtime")
        os.makedirs(self.home)
        os.makedirs(self.runtime, mode=0o700)
        self.processes = []
        self.server = None
        self.wm = None
        self.manager = None
        self.number = self._start_server(width, height)
        try:
            self.env = self._environment()
            if dpi is not None:
                self.run(["xrdb", "-merge"], input=f"Xft.dpi: {dpi}\n")
            self.wm = self.spawn(["openbox", "--sm-disable"], log="openbox.log")
            wait_until(self._wm_ready, what="the window manager")
            self._wait_until_windows_are_managed()
            if manager:
                self.start_clipboard_manager()
        except BaseException:
            self.close()  # nobody else can: the caller gets no Display to close
            raise

    def _start_server(self, width, height):
        try:
            self.server, number = start_xvfb(self.tmp, width, height)
        except BaseException:
            self.close()  # nobody else can: the caller gets no Display to close
            raise
        self.processes.append(self.server)
        return number

    def _environment(self):
        env = {key: value for key, value in os.environ.items()
               if not key.startswith(("QT_", "WAYLAND", "XDG_", "DBUS_"))}
        env.update(DISPLAY=f":{self.number}", HOME=self.home, XDG_RUNTIME_DIR=self.runtime,
                   XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
                   XDG_CACHE_HOME=os.path.join(self.home, ".cache"),
                   XDG_DATA_HOME=os.path.join(self.home, ".local", "share"))
        return env

    def _wm_ready(self):
        result = self.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], check=False)
        return "window id" in result.stdout

    def _wait_until_windows_are_managed(self):
        """openbox announces itself (_NET_SUPPORTING_WM_CHECK) before it handles map
        requests, and drops one that comes in between: about 1 in 5 windows mapped at
        once after the announcement never appeared. A probe window is mapped until
        openbox manages one."""
        from Xlib import display as xlib_display
        x = xlib_display.Display(f":{self.number}")
        try:
            wm_state = x.intern_atom("WM_STATE")
            screen = x.screen()
            deadline = time.monotonic() + 20
            while True:
                probe = screen.root.create_window(0, 0, 1, 1, 0, screen.root_depth)
                probe.map()
                x.sync()
                try:
                    wait_until(lambda: probe.get_property(wm_state, wm_state, 0, 2), timeout=1,
                               what="openbox to manage a window")
                    return
                except Timeout:
                    if time.monotonic() > deadline:
                        raise
                finally:
                    probe.destroy()
                    x.sync()
        finally:
            x.close()

    def spawn(self, argv, log=None, env=None, **kwargs):
        out = open(os.path.join(self.tmp, log), "w") if log else subprocess.DEVNULL
        process = subprocess.Popen(argv, env=env or self.env, stdout=out,
                                   stderr=subprocess.STDOUT if log else subprocess.DEVNULL,
                                   **kwargs)
        if log:
            out.close()  # the child has its own copy
        self.processes.append(process)
        return process

    def run(self, argv, input=None, timeout=10, check=True, binary=False):
        """Runs a short command on this display and returns its completed process."""
        return subprocess.run(argv, env=self.env, input=input, capture_output=True,
                              text=not binary, timeout=timeout, check=check)

    def start_clipboard_manager(self):
        """xfsettingsd owns CLIPBOARD_MANAGER and takes over the text of programs that end.

        It needs a session bus and the xfconf daemon; both are started here, by PID, on a
        bus of this display's own (the program does not see it), so that nothing is
        started by bus activation and left behind."""
        bus_address = f"unix:path={os.path.join(self.runtime, 'manager-bus')}"
        self.spawn(["dbus-daemon", "--session", "--nofork", "--nopidfile",
                    f"--address={bus_address}"], log="dbus.log")
        wait_until(lambda: os.path.exists(os.path.join(self.runtime, "manager-bus")),
                   what="the session bus")
        env = {**self.env, "DBUS_SESSION_BUS_ADDRESS": bus_address, "NO_AT_BRIDGE": "1"}
        self.spawn([XFCONFD], log="xfconfd.log", env=env)
        wait_until(lambda: "true" in self.run(
            ["dbus-send", f"--bus={bus_address}", "--print-reply", "--dest=org.freedesktop.DBus",
             "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
             "string:org.xfce.Xfconf"], check=False).stdout, what="the xfconf daemon")
        self.manager = self.spawn(["xfsettingsd", "--no-daemon", "--disable-wm-check"],
                                  log="xfsettingsd.log", env=env)
        wait_until(lambda: self.selection_owner("CLIPBOARD_MANAGER"),
                   what="the clipboard manager")

    def selection_owner(self, selection):
        """The window id that owns a selection, or 0."""
        import ctypes
        import ctypes.util
        x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XInternAtom.restype = ctypes.c_ulong
        x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x11.XGetSelectionOwner.restype = ctypes.c_ulong
        x11.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        display = x11.XOpenDisplay(f":{self.number}".encode())
        if not display:
            return 0
        try:
            atom = x11.XInternAtom(display, selection.encode(), 0)
            return x11.XGetSelectionOwner(display, atom)
        finally:
            x11.XCloseDisplay(display)

    def clipboard(self, selection="clipboard", timeout=10):
        """The selection's text as bytes, or None when nobody serves it (within the
        timeout: a reader whose request crosses a change of owner can wait forever)."""
        try:
            result = self.run(["xclip", "-o", "-selection", selection, "-target", "UTF8_STRING"],
                              timeout=timeout, check=False, binary=True)
        except subprocess.TimeoutExpired:
            return None
        return result.stdout if result.returncode == 0 else None

    def offer_clipboard(self, text, selection="clipboard"):
        """Another program (xclip, kept in the foreground) takes the selection and serves
        text until someone else takes it; returns its process, once it serves."""
        process = self.spawn(["xclip", "-i", "-quiet", "-selection", selection],
                             stdin=subprocess.PIPE)
        process.stdin.write(text)
        process.stdin.close()
        wait_until(lambda: self.clipboard(selection) == text, what=f"xclip to serve {text!r}")
        return process

    def windows(self, name):
        """Ids of the visible windows whose name is exactly name."""
        result = self.run(["xdotool", "search", "--onlyvisible", "--name", f"^{name}$"],
                          check=False)
        return [int(window) for window in result.stdout.split()]

    def keepers(self):
        """PIDs of clipboard keepers alive on this display. The program leaves them
        behind, so they are found by their executable and their DISPLAY."""
        return processes_of({os.path.basename(KEEPER)}, f"DISPLAY=:{self.number}")

    def keeper_serving(self):
        """The PID of the keeper that owns the clipboard, or None: the state in which the
        program's hand-off is over and the keeper answers for it."""
        owner = self.selection_owner("CLIPBOARD")
        if not owner:
            return None
        result = self.run(["xprop", "-id", str(owner), "_NET_WM_PID"], check=False)
        words = result.stdout.split()
        pid = int(words[-1]) if result.returncode == 0 and words and words[-1].isdigit() else None
        return pid if pid in self.keepers() else None

    def end_keepers(self):
        end_pids(self.keepers())

    def screenshot(self, window="root"):
        """An Image of a window (or the whole screen), read into memory."""
        path = os.path.join(self.tmp, "shot.png")
        self.run(["import", "-window", str(window), path], timeout=15)
        return Image.load(path)

    def close(self):
        self.end_keepers()
        for process in reversed(self.processes):
            end_process(process)
        self.processes.clear()
        shutil.rmtree(self.tmp, ignore_errors=True)


class SelectionWatch:
    """Every change of a selection's owner, as the X server reports it (XFixes), so
    that an owner that held it only for a moment is seen too."""

    def __init__(self, display, selection="CLIPBOARD"):
        from Xlib import display as xlib_display
        from Xlib.ext import xfixes
        self.x = xlib_display.Display(f":{display.number}")
        self.x.xfixes_query_version()
        self.x.xfixes_select_selection_input(self.x.screen().root, self.x.intern_atom(selection),
                                             xfixes.XFixesSetSelectionOwnerNotifyMask)
        self.x.sync()
        self.mask = self.x.display.info.resource_id_mask
        self.owners = []

    def new_owners(self):
        """All owners reported so far, oldest first."""
        from Xlib.ext import xfixes
        while self.x.pending_events():
            event = self.x.next_event()
            # The extension's event classes are made anew for each connection: the
            # name tells them apart.
            if type(event).__name__ == xfixes.SetSelectionOwnerNotify.__name__:
                self.owners.append(event.owner.id if event.owner else 0)
        return self.owners

    def same_client(self, window, other):
        """Whether two windows belong to one X client (their ids share the client's base)."""
        return window & ~self.mask == other & ~self.mask

    def close(self):
        self.x.close()


class Image:
    """Pixels of a screenshot, 8-bit RGB."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    @staticmethod
    def load(path):
        size = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True,
                              text=True, check=True, timeout=15).stdout.split()
        data = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True,
                              check=True, timeout=15).stdout
        return Image(int(size[0]), int(size[1]), data)

    def pixel(self, x, y):
        offset = (y * self.width + x) * 3
        return tuple(self.data[offset:offset + 3])


class Tintcast:
    """The program running on a Display, with its main window found."""

    def __init__(self, display, env=None, program=PROGRAM, args=(), launcher=(), timeout=30):
        """launcher: a command that runs the program (e.g. a tracer) and ends with it;
        timeout: how long the window may take to appear."""
        self.display = display
        self.process = display.spawn([*launcher, program, *args], log="tintcast.log",
                                     env={**display.env, **(env or {})})
        self.window = int(wait_until(self._find_window, timeout=timeout,
                                     what=f"the window '{TITLE}'"))

    def _find_window(self):
        if self.process.poll() is not None:
            raise AssertionError(f"tintcast exited early with status {self.process.returncode}: "
                                 + self.log())
        result = self.display.run(["xdotool", "search", "--onlyvisible", "--name", f"^{TITLE}$"],
                                  check=False)
        ids = result.stdout.split()
        return ids[0] if ids else None

    def log(self):
        with open(os.path.join(self.display.tmp, "tintcast.log")) as log:
            return log.read()

    def xdotool(self, *args):
        return self.display.run(["xdotool", *map(str, args)])

    def geometry(self):
        """(x, y, width, height) of the client area on the screen."""
        info = self.display.run(["xwininfo", "-id", str(self.window)]).stdout
        fields = dict(line.strip().split(":", 1) for line in info.splitlines() if ":" in line)
        return tuple(int(fields[key]) for key in
                     ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))

    def state(self):
        """The window's _NET_WM_STATE atoms."""
        return self.display.run(["xprop", "-id", str(self.window), "_NET_WM_STATE"]).stdout

    def icons(self):
        """{(width, height): ARGB pixels} of the window's _NET_WM_ICON."""
        numbers = [int(n) for n in re.findall(r"\d+", self.display.run(
            ["xprop", "-id", str(self.window), "-notype", "-f", "_NET_WM_ICON", "32c",
             "=$0+", "_NET_WM_ICON"]).stdout.partition("=")[2])]
        icons = {}
        while len(numbers) >= 2:
            width, height = numbers[:2]
            icons[(width, height)] = numbers[2:2 + width * height]
            numbers = numbers[2 + width * height:]
        return icons

    def activate(self):
        self.xdotool("windowactivate", "--sync", self.window)

    def click(self, x, y, button=1):
        """Clicks at a point given in client pixels."""
        self.xdotool("mousemove", "--window", self.window, x, y, "click", button)

    def click_twips(self, left, top, width, height, parent=(0, 0)):
        """Clicks the middle of a control placed in twips (parent offset in twips too)."""
        x = (parent[0] + left + width // 2) // TWIPS_PER_PIXEL
        y = (parent[1] + top + height // 2) // TWIPS_PER_PIXEL
        self.click(x, y)

    def key(self, *keys):
        result = self.display.run(["xdotool", "key", "--window", str(self.window),
                                   "--clearmodifiers", *keys], check=False)
        # A key that closes the window can close it before xdotool has let go of it.
        if result.returncode != 0 and self.exists():
            raise AssertionError(f"xdotool key {' '.join(keys)} failed: {result.stderr}")

    def exists(self):
        """Whether the X server still has the window."""
        return self.display.run(["xwininfo", "-id", str(self.window)], check=False).returncode == 0

    def close_by_window_manager(self, timeout=10):
        self.display.run(["wmctrl", "-i", "-c", hex(self.window)])
        return self.wait_exit(timeout)

    def wait_exit(self, timeout=10):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Timeout(f"tintcast still runs {timeout} s after it was told to end")


class DisplayTest(unittest.TestCase):
    """A test with a fresh display and window manager, ended after the test."""

    display_options = {}

    def setUp(self):
        if not os.access(PROGRAM, os.X_OK):
            self.fail(f"no program at {PROGRAM}; set TINTCAST_PREFIX to the install prefix")
        self.display = Display(**self.display_options)
        self.addCleanup(self.display.close)

    def start(self, **kwargs):
        return Tintcast(self.display, **kwargs)


# The Windows build: Tintcast.exe run by Wine. Each test gets a copy of this Wine
# prefix (made by the build's tests, drawing off screen) that shows on its display.
WINDOWS_EXE = os.environ.get("TINTCAST_WINDOWS_EXE", "")
WINE_TEMPLATE = os.environ.get("TINTCAST_WINEPREFIX", "")


def copy_wineprefix(template, target):
    """Copies a Wine prefix and lets the copy use the X display again."""
    subprocess.run(["cp", "-a", "--reflink=auto", template, target], check=True, timeout=120)
    user_reg = os.path.join(target, "user.reg")
    with open(user_reg) as registry:
        lines = registry.readlines()
    with open(user_reg, "w") as registry:
        registry.writelines(line for line in lines if line.strip() != '"Graphics"="null"')


class WineDisplayTest(DisplayTest):
    """A DisplayTest of the Windows program, with a Wine prefix and server of its own."""

    def setUp(self):
        if not (os.path.isfile(WINDOWS_EXE) and os.path.isdir(WINE_TEMPLATE)):
            self.fail("set TINTCAST_WINDOWS_EXE to Tintcast.exe and TINTCAST_WINEPREFIX "
                      "to a Wine prefix")
        self.display = Display(**self.display_options)
        self.addCleanup(self.display.close)
        prefix = os.path.join(self.display.tmp, "wineprefix")
        copy_wineprefix(WINE_TEMPLATE, prefix)
        self.wine_env = {"WINEPREFIX": prefix, "WINEDEBUG": "-all"}
        self.addCleanup(self.end_wine)  # runs before the display closes

    def end_wine(self):
        """Ends the Wine server of this test's prefix and the Wine processes it runs."""
        env = {**self.display.env, **self.wine_env}
        subprocess.run(["wineserver", "-k"], env=env, timeout=30, check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=env, timeout=30, check=False)

    def wine(self, *argv, timeout=120):
        """Runs a Windows program in this test's prefix to its end."""
        return subprocess.run(["wine", *argv], env={**self.display.env, **self.wine_env},
                              capture_output=True, text=True, timeout=timeout, check=False)

    def registry(self):
        """The prefix's registry files (user.reg, then system.reg) as text, once the Wine
        server has ended and so written them."""
        subprocess.run(["wineserver", "-w"], env={**self.display.env, **self.wine_env},
                       timeout=60, check=True)
        prefix = self.wine_env["WINEPREFIX"]
        texts = []
        for name in ("user.reg", "system.reg"):
            with open(os.path.join(prefix, name), encoding="utf-8", errors="replace") as file:
                texts.append(file.read())
        return "\n".join(texts)

    def start(self, **kwargs):
        # Debian's wine execs the loader: the PID and the exit status are the program's.
        kwargs.setdefault("program", WINDOWS_EXE)
        return Tintcast(self.display, launcher=("wine",), env=self.wine_env, timeout=60,
                        **kwargs)
