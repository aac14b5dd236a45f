"""Start-up, memory, idle and bar-step cost of the installed program beside a bare Qt
window with the same controls, in an Xvfb with openbox of its own; and, when the
Windows build exists, Tintcast.exe's stripped size and its time to map under Wine
beside a bare Win32 window with the same controls.

Figures are printed, never judged: the targets are shown beside them.

  bench.py --prefix STAGE --bench-dir BUILD/bench [--rounds 9] [--idle-seconds 10]
           [--windows-exe PATH] [--wine-prefix DIR] [--wine-rounds 31]
"""

import argparse
import glob
import os
import platform
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(SOURCE, "tests", "e2e"))

from Xlib import X, XK  # noqa: E402
from Xlib import display as xdisplay  # noqa: E402
from Xlib.ext import xtest  # noqa: E402

from harness import Display, wait_until  # noqa: E402

CLOCK_TICKS = os.sysconf("SC_CLK_TCK")
TARGETS = {
    "startup": 1.02,  # times the bare window
    "startup_windows": 1.05,  # Tintcast.exe under Wine, times the bare Win32 window
    "bar_step_ms": 0.4,
    "exe_kib": 160,
}


class Started:
    """A program started by first_frame, which timed its window's map and first paint
    and keeps it running until this object is closed."""

    def __init__(self, first_frame, argv, env, timeout=30):
        self.observer = subprocess.Popen([first_frame, str(timeout), *argv], env=env,
                                         stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                         stderr=subprocess.DEVNULL, text=True)
        self.started = time.monotonic()
        line = self.observer.stdout.readline()  # first_frame ends by itself at its timeout
        if not line:
            self.observer.wait(timeout=10)
            raise RuntimeError(f"{argv[0]}: no window (first_frame status "
                               f"{self.observer.returncode})")
        fields = dict(field.split("=", 1) for field in line.split())
        self.pid = int(fields["pid"])
        self.window = int(fields["window"], 16)
        self.mapped_ms = float(fields["mapped_ms"])
        self.painted_ms = float(fields["painted_ms"])

    def close(self):
        """first_frame ends the program once its input closes."""
        self.observer.stdin.close()
        self.observer.wait(timeout=15)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def swatch_centre():
    """The swatch's centre, from the program's own layout: form_places reads it through
    the form_json tool built beside the benchmarks."""
    from form_places import SWATCH
    return SWATCH.centre()


def smaps_rollup(pid):
    fields = {}
    with open(f"/proc/{pid}/smaps_rollup") as rollup:
        for line in rollup:
            parts = line.split()
            if len(parts) == 3 and parts[2] == "kB":
                fields[parts[0].rstrip(":")] = int(parts[1])
    return {
        "rss": fields["Rss"] / 1024,
        # Private_Clean is left out: it counts library pages that no other process
        # happens to map at that moment, and so follows what else runs.
        "private": fields["Private_Dirty"] / 1024,
        "anonymous": fields["Anonymous"] / 1024,
    }


def cpu_ms(pid):
    """(utime + stime of all threads in ms, on-CPU time of the live threads in ms)."""
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    ticks = int(fields[11]) + int(fields[12])
    running_ns = 0
    for task in glob.glob(f"/proc/{pid}/task/*/schedstat"):
        try:
            with open(task) as schedstat:
                running_ns += int(schedstat.read().split()[0])
        except OSError:
            pass  # a thread that just ended
    return ticks * 1000 / CLOCK_TICKS, running_ns / 1e6


def context_switches(pid):
    """Voluntary and involuntary switches of all the program's threads."""
    total = 0
    for task in glob.glob(f"/proc/{pid}/task/*/status"):
        try:
            with open(task) as status:
                for line in status:
                    if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                        total += int(line.split()[1])
        except OSError:
            pass
    return total


def settle_after_map(started, seconds=1.0):
    """The measurement is defined at a point after the map, not a wait for a state."""
    left = started.started + started.mapped_ms / 1000 + seconds - time.monotonic()
    if left > 0:
        time.sleep(left)


def idle_cost(pid, seconds):
    cpu_before, switches_before = cpu_ms(pid), context_switches(pid)
    time.sleep(seconds)  # the measurement window itself
    cpu_after, switches_after = cpu_ms(pid), context_switches(pid)
    return {"cpu_ms": cpu_after[0] - cpu_before[0],
            "oncpu_ms": cpu_after[1] - cpu_before[1],
            "switches": switches_after - switches_before}


class Keyboard:
    """Key presses through XTest on the display, to whichever window has the focus."""

    def __init__(self, number):
        self.x = xdisplay.Display(f":{number}")

    def press(self, keys, interval):
        """Presses and releases each key, one every `interval` seconds: faster than key
        repeat, yet with time for the program to paint each step as a person sees it."""
        for name in keys:
            code = self.x.keysym_to_keycode(XK.string_to_keysym(name))
            xtest.fake_input(self.x, X.KeyPress, code)
            xtest.fake_input(self.x, X.KeyRelease, code)
            self.x.flush()
            time.sleep(interval)
        self.x.sync()

    def pixel(self, window, x, y):
        image = self.x.create_resource_object("window", window).get_image(
            x, y, 1, 1, X.ZPixmap, 0xFFFFFFFF)
        blue, green, red = image.data[0], image.data[1], image.data[2]
        return (red, green, blue)

    def close(self):
        self.x.close()


def wait_cpu_still(pid, quiet=0.3, timeout=10.0):
    """Waits, bounded, until the program has used no CPU for `quiet` seconds."""
    deadline = time.monotonic() + timeout
    last, still_since = cpu_ms(pid)[1], time.monotonic()
    while time.monotonic() < deadline:
        time.sleep(0.05)
        now = cpu_ms(pid)[1]
        if now != last:
            last, still_since = now, time.monotonic()
        elif time.monotonic() - still_since >= quiet:
            return True
    return False


def bar_step_cost(display, started, steps, interval):
    """CPU time of `steps` bar steps by key: red, green and blue raised to 255 in turn,
    then blue lowered, so that the final colour is reached only by the last step."""
    keyboard = Keyboard(display.number)
    try:
        display.run(["xdotool", "windowactivate", "--sync", str(started.window)])
        swatch = swatch_centre()
        if keyboard.pixel(started.window, *swatch) != (0, 0, 0):
            raise RuntimeError("the swatch is not black at start")
        keyboard.press(["Tab", "Tab"], interval)  # from the swatch to the red bar
        wait_cpu_still(started.pid)
        before = cpu_ms(started.pid)
        keys = (["Up"] * 255 + ["Tab"] + ["Up"] * 255 + ["Tab"] + ["Up"] * 255
                + ["Down"] * (steps - 765))
        keyboard.press(keys, interval)
        final = (255, 255, 255 - (steps - 765))
        # Waits for the swatch to show the colour of the last step.
        wait_until(lambda: keyboard.pixel(started.window, *swatch) == final, timeout=60,
                   interval=0.02, what=f"the swatch to show {final}")
        wait_cpu_still(started.pid)
        after = cpu_ms(started.pid)
    finally:
        keyboard.close()
    return {"cpu_ms": (after[0] - before[0]) / steps, "oncpu_ms": (after[1] - before[1]) / steps}


def summary(values):
    return statistics.median(values), min(values), max(values)


def fmt(values, digits=1):
    median, low, high = summary(values)
    return f"{median:.{digits}f} ({low:.{digits}f}–{high:.{digits}f})"


def machine():
    model = "unknown CPU"
    with open("/proc/cpuinfo") as cpuinfo:
        for line in cpuinfo:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    try:
        with open("/etc/debian_version") as version:
            debian = "Debian " + version.read().strip()
    except OSError:
        debian = platform.platform()
    return f"{os.cpu_count()} × {model}, {debian}, load average {os.getloadavg()[0]:.2f}"


def startup_rounds(display, first_frame, programs, rounds, env=None, memory=True):
    """Runs each program once per round, the order rotating from round to round.
    Returns {name: [measurements]}; one uncounted start of each warms the caches."""
    env = {**display.env, **(env or {})}
    results = {name: [] for name, _ in programs}
    for name, argv in programs:
        with Started(first_frame, argv, env):
            pass
    for round_number in range(rounds):
        shift = round_number % len(programs)
        for name, argv in programs[shift:] + programs[:shift]:
            with Started(first_frame, argv, env) as started:
                measured = {"mapped": started.mapped_ms, "painted": started.painted_ms}
                if memory:
                    settle_after_map(started)
                    measured.update(smaps_rollup(started.pid))
                    # Less bent by other work than the times: what the start cost the program.
                    measured["cpu"] = cpu_ms(started.pid)[1]
                results[name].append(measured)
    return results


def print_startup(results, subject, baseline, rounds, memory=True, target=TARGETS["startup"]):
    print(f"\nStart-up over {rounds} rounds: median (min–max)\n")
    header = "| | mapped, ms | first paint, ms |"
    rule = "|---|---|---|"
    if memory:
        header += " CPU, ms | RSS, MiB | private dirty, MiB | anonymous, MiB |"
        rule += "---|---|---|---|"
    print(header)
    print(rule)
    for name in (subject, baseline):
        runs = results[name]
        cells = [name, fmt([r["mapped"] for r in runs]), fmt([r["painted"] for r in runs])]
        if memory:
            cells.append(fmt([r["cpu"] for r in runs]))
            cells += [fmt([r[key] for r in runs], 2) for key in ("rss", "private", "anonymous")]
        print("| " + " | ".join(cells) + " |")
    if memory:
        print("\nCPU: the program's time on a CPU from exec to one second after the map, when "
              "its memory is read.")
    ratios = [s["painted"] / b["painted"] for s, b in zip(results[subject], results[baseline])]
    median, low, high = summary(ratios)
    print(f"\nFirst paint, {subject} / {baseline}, per round: "
          + " ".join(f"{ratio:.2f}" for ratio in ratios))
    print(f"  median {median:.2f}x (min {low:.2f}, max {high:.2f}); target ≤ {target}x")
    if memory:
        private = [r["anonymous"] for r in results[subject]]
        bare = [r["anonymous"] for r in results[baseline]]
        print(f"  private (anonymous) memory: {statistics.median(private):.2f} MiB beside "
              f"{statistics.median(bare):.2f} MiB; target: no more than the bare window")
    return median


def instructions_to_first_paint(display, first_frame, argv):
    """Instructions the program executes from exec to its first paint, counted by
    callgrind: unlike the times, the other work on the machine does not bend it."""
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "callgrind.out")
        command = ["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}", *argv]
        with Started(first_frame, command, display.env, timeout=180) as started:
            subprocess.run(["callgrind_control", "--dump", str(started.pid)], check=True,
                           capture_output=True, timeout=60)
        dumps = sorted(glob.glob(out + ".*"))  # the dump asked for; the one at exit follows
        with open(dumps[0]) as dump:
            for line in dump:
                if line.startswith(("summary:", "totals:")):
                    return int(line.split()[1])
    raise RuntimeError("callgrind wrote no totals")


def instructions_per_bar_step(display, first_frame, argv, steps=100, interval=0.04):
    """Instructions per bar step by key, counted by callgrind over `steps` steps of the
    red bar upwards, paced slowly enough for the program under callgrind to paint each."""
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "callgrind.out")
        command = ["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}", *argv]
        with Started(first_frame, command, display.env, timeout=180) as started:
            display.run(["xdotool", "windowactivate", "--sync", str(started.window)])
            keyboard = Keyboard(display.number)
            try:
                keyboard.press(["Tab", "Tab"], interval)  # from the swatch to the red bar
                wait_cpu_still(started.pid, timeout=60)
                subprocess.run(["callgrind_control", "--zero", str(started.pid)], check=True,
                               capture_output=True, timeout=60)
                keyboard.press(["Up"] * steps, interval)
                # Waits for the swatch to show the colour of the last step.
                wait_until(lambda: keyboard.pixel(started.window, *swatch_centre())
                           == (steps, 0, 0), timeout=120, interval=0.1,
                           what=f"the swatch to show red {steps}")
                wait_cpu_still(started.pid, timeout=60)
            finally:
                keyboard.close()
            subprocess.run(["callgrind_control", "--dump", str(started.pid)], check=True,
                           capture_output=True, timeout=60)
        dumps = sorted(glob.glob(out + ".*"))
        with open(dumps[0]) as dump:
            for line in dump:
                if line.startswith(("summary:", "totals:")):
                    return int(line.split()[1]) / steps
    raise RuntimeError("callgrind wrote no totals")


def windows_exe(given):
    if given:
        return given if os.path.isfile(given) else None
    # Not a recursive search: a build tree holds a Wine prefix, whose drive z: is /.
    found = sorted(glob.glob(os.path.join(SOURCE, "build", "windows*", "bin", "Tintcast.exe")))
    return found[0] if found else None


def stripped_size(exe):
    strip = shutil.which("x86_64-w64-mingw32-strip")
    if strip is None:
        return None
    with tempfile.TemporaryDirectory() as tmp:
        copy = os.path.join(tmp, "Tintcast.exe")
        shutil.copyfile(exe, copy)
        subprocess.run([strip, copy], check=True, timeout=60)
        return os.path.getsize(copy)


def wine_rounds(display, first_frame, exe, bare_exe, prefix, rounds):
    wine = shutil.which("wine")
    if wine is None:
        print("Under Wine: not measured (wine is not installed)")
        return
    if not os.path.isfile(bare_exe):
        print(f"Under Wine: not measured ({bare_exe} was not built)")
        return
    # Mono and Gecko are not wanted: their installers would wait for a click.
    prefix = os.path.abspath(prefix)
    env = {"WINEPREFIX": prefix, "WINEDEBUG": "-all", "WINEDLLOVERRIDES": "mscoree,mshtml="}
    wine_env = {**display.env, **env}
    if not os.path.isfile(os.path.join(prefix, "system.reg")):
        print(f"Creating the Wine prefix {prefix} (once)...", flush=True)
        os.makedirs(prefix, exist_ok=True)
        subprocess.run(["wineboot", "-i"], env=wine_env, check=True, timeout=300,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=wine_env, check=True, timeout=120)
    # A persistent server, so that every start finds Wine warm; ended below.
    subprocess.run(["wineserver", "-p"], env=wine_env, check=True, timeout=30)
    try:
        results = startup_rounds(display, first_frame,
                                 [("Tintcast.exe", [wine, exe]),
                                  ("bare Win32 window", [wine, bare_exe])],
                                 rounds, env=env, memory=False)
    finally:
        subprocess.run(["wineserver", "-k"], env=wine_env, timeout=30)
    print_startup(results, "Tintcast.exe", "bare Win32 window", rounds, memory=False,
                  target=TARGETS["startup_windows"])
    print("  (under Wine 8 on Linux: a relative figure only)")


def measure_qt(display, first_frame, tintcast, bare_qt, args):
    """Start-up, memory, idle and bar-step cost of the program beside the bare Qt window."""
    programs = [("tintcast", [tintcast]), ("bare Qt window", [bare_qt])]
    results = startup_rounds(display, first_frame, programs, args.rounds)
    print_startup(results, "tintcast", "bare Qt window", args.rounds)

    if shutil.which("valgrind") and not args.no_instructions:
        counts = {name: instructions_to_first_paint(display, first_frame, argv)
                  for name, argv in programs}
        print(f"\nInstructions from exec to the first paint (callgrind, one run each): "
              f"tintcast {counts['tintcast'] / 1e6:.1f} M, bare Qt window "
              f"{counts['bare Qt window'] / 1e6:.1f} M, "
              f"ratio {counts['tintcast'] / counts['bare Qt window']:.3f}")

    print(f"\nIdle over {args.idle_seconds:g} s, one second after the map (target: 0 and 0)\n")
    print("| | CPU (utime+stime), ms | on CPU, ms | context switches |")
    print("|---|---|---|---|")
    env = display.env
    for name, argv in programs:
        with Started(first_frame, argv, env) as started:
            settle_after_map(started)
            idle = idle_cost(started.pid, args.idle_seconds)
            print(f"| {name} | {idle['cpu_ms']:.0f} | {idle['oncpu_ms']:.2f} | "
                  f"{idle['switches']} |")
            if name == "tintcast":
                step = bar_step_cost(display, started, args.steps, args.key_interval)
    print(f"\nBar step, tintcast, {args.steps} key presses: {step['cpu_ms']:.3f} ms CPU "
          f"(utime+stime) per step, {step['oncpu_ms']:.3f} ms on CPU; "
          f"target ≤ {TARGETS['bar_step_ms']} ms")

    if shutil.which("valgrind") and not args.no_instructions:
        per_step = instructions_per_bar_step(display, first_frame, [tintcast])
        print(f"  instructions per bar step (callgrind, 100 steps): {per_step / 1e3:.0f} k")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--prefix", required=True, help="the staged install of the program")
    parser.add_argument("--bench-dir", required=True,
                        help="where bare_qt_window, first_frame and bare_win32.exe were built")
    parser.add_argument("--rounds", type=int, default=9)
    parser.add_argument("--idle-seconds", type=float, default=10)
    parser.add_argument("--steps", type=int, default=1000)
    parser.add_argument("--key-interval", type=float, default=0.008,
                        help="seconds between bar key presses")
    parser.add_argument("--no-instructions", action="store_true",
                        help="skip the instruction counts under callgrind")
    parser.add_argument("--windows-only", action="store_true",
                        help="measure only the Windows build")
    parser.add_argument("--windows-exe", help="Tintcast.exe (default: build/windows*/bin/Tintcast.exe)")
    parser.add_argument("--wine-prefix", help="default: wine-prefix beside the bench dir")
    parser.add_argument("--wine-rounds", type=int, default=31,
                        help="rounds under Wine, whose start varies by a third from one "
                             "start to the next")
    args = parser.parse_args()
    os.environ.setdefault("TINTCAST_FORM_JSON", os.path.join(args.bench_dir, "form_json"))
    if not 765 < args.steps <= 1020:
        parser.error("--steps: three bars up and one down again make 766 to 1020 steps")

    first_frame = os.path.join(args.bench_dir, "first_frame")
    tintcast = os.path.join(args.prefix, "bin", "tintcast")
    bare_qt = os.path.join(args.bench_dir, "bare_qt_window")
    print(f"Machine: {machine()}")
    print("Other work on this machine shows in the figures: compare within one run.")

    display = Display()
    try:
        if not args.windows_only:
            measure_qt(display, first_frame, tintcast, bare_qt, args)
        exe = windows_exe(args.windows_exe)
        print()
        if exe is None:
            print("Tintcast.exe: not built")
        else:
            size = stripped_size(exe)
            if size is None:
                print(f"Tintcast.exe ({exe}): x86_64-w64-mingw32-strip is missing")
            else:
                print(f"Tintcast.exe ({exe}), stripped: {size / 1024:.1f} KiB; "
                      f"target ≤ {TARGETS['exe_kib']} KiB")
            prefix = args.wine_prefix or os.path.join(os.path.dirname(args.bench_dir.rstrip("/")),
                                                       "wine-prefix")
            wine_rounds(display, first_frame, exe, os.path.join(args.bench_dir, "bare_win32.exe"),
                        prefix, args.wine_rounds)
    finally:
        display.close()
    print(f"\nMachine at the end: {machine()}")


if __name__ == "__main__":
    main()
