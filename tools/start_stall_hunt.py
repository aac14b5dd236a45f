#!/usr/bin/python3
"""Hunts rare start stalls: starts the installed program again and again, each on a
fresh display (Xvfb + openbox, from the end-to-end harness), and takes a gdb
backtrace of every thread of any start that shows no window within the watchdog's
time. Bounded by a number of starts and a wall-clock budget.

Usage: TINTCAST_PREFIX=build/default/stage tools/start_stall_hunt.py [STARTS] [MINUTES]
Extra load (e.g. a build) is whatever the machine runs beside it; set HUNT_PARALLEL=N
to run N starts at a time.
"""

import os
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from harness import TITLE, Display, Timeout, Tintcast, wait_until  # noqa: E402

WATCHDOG = 10.0


def backtrace(pid):
    result = subprocess.run(["gdb", "-p", str(pid), "-batch", "-nx", "-ex", "set pagination off",
                             "-ex", "thread apply all bt"], capture_output=True, text=True,
                            timeout=120, check=False)
    return result.stdout + result.stderr


def one_start(number, figures, lock):
    display = Display()
    try:
        started = time.monotonic()
        try:
            app = Tintcast(display, timeout=WATCHDOG)
        except Timeout:
            process = display.processes[-1]
            report = backtrace(process.pid)
            tree = display.run(["xwininfo", "-root", "-tree"], check=False).stdout
            report += "\nwindows:\n" + "\n".join(
                line for line in tree.splitlines() if "intcast" in line)
            for line in tree.splitlines():
                if TITLE in line:
                    window = line.split()[0]
                    for argv in (["xwininfo", "-id", window], ["xprop", "-id", window]):
                        report += "\n" + display.run(argv, check=False).stdout
            report += f"\nwindow manager running: {display.wm.poll() is None}\n"
            with open(os.path.join(display.tmp, "openbox.log")) as log:
                report += "openbox log:\n" + log.read()
            try:
                wait_until(lambda: display.windows(TITLE), timeout=40.0, interval=0.5)
                report += f"\nthe window came after {time.monotonic() - started:.1f} s"
            except Timeout:
                report += "\nno window after 50 s"
            with open(os.path.join(display.tmp, "tintcast.log")) as log:
                report += "\nlog:\n" + log.read()
            with lock:
                figures["stalls"] += 1
                print(f"start {number}: no window after {WATCHDOG} s\n{report}", flush=True)
            return
        with lock:
            figures["times"].append(time.monotonic() - started)
        app.close_by_window_manager()
    finally:
        display.close()


def main():
    starts = int(sys.argv[1]) if len(sys.argv) > 1 else 500
    budget = float(sys.argv[2]) * 60 if len(sys.argv) > 2 else 20 * 60
    parallel = int(os.environ.get("HUNT_PARALLEL", "2"))
    figures = {"stalls": 0, "times": [], "errors": 0}
    lock = threading.Lock()
    deadline = time.monotonic() + budget
    counter = iter(range(starts))

    def worker():
        for number in counter:
            if time.monotonic() > deadline:
                return
            try:
                one_start(number, figures, lock)
            except Exception as error:  # a failed start is counted, the hunt goes on
                with lock:
                    figures["errors"] += 1
                    print(f"start {number}: {error}", flush=True)

    threads = [threading.Thread(target=worker) for _ in range(parallel)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    times = sorted(figures["times"])
    if times:
        print(f"starts with a window: {len(times)}; median {times[len(times) // 2]:.3f} s, "
              f"slowest {times[-1]:.3f} s; stalls: {figures['stalls']}; "
              f"other failures: {figures['errors']}")
    else:
        print(f"no start showed a window; stalls: {figures['stalls']}")


if __name__ == "__main__":
    main()
