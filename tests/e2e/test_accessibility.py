"""What a screen reader finds through AT-SPI: every control by a distinct name, and
the bars with their channel values 0..255.

The accessibility bus runs headless: a session bus of the test's own (dbus-run-session
around a child that ends when its input closes), at-spi-bus-launcher on it, and the
program with Qt's accessibility switched on. The tree is read by pyatspi in a separate
/usr/bin/python3, so this process never joins the bus."""

import functools
import json
import os
import subprocess
import unittest

from form_places import PRESETS, SWATCH, copied_text, grab
from harness import TITLE, DisplayTest, Timeout, end_process, wait_until

LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
SYSTEM_PYTHON = "/usr/bin/python3"

# Runs in its own interpreter: optionally sets bar values by name, then prints the
# program's tree as JSON rows [depth, role, name, value or null, text or null].
READER = r"""
import json, sys
import pyatspi

settings = json.loads(sys.argv[1])
rows = []

def walk(node, depth):
    value = text = None
    try:
        interface = node.queryValue()
        if node.name in settings:
            interface.currentValue = settings[node.name]
        value = [interface.currentValue, interface.minimumValue, interface.maximumValue]
    except NotImplementedError:
        pass
    try:
        interface = node.queryText()
        text = interface.getText(0, -1)
    except NotImplementedError:
        pass
    rows.append([depth, node.getRoleName(), node.name, value, text])
    for child in node:
        if child is not None:
            walk(child, depth + 1)

for application in pyatspi.Registry.getDesktop(0):
    if application is not None and application.name == "Tintcast":
        walk(application, 0)
print(json.dumps(rows))
"""

BUS_CHILD = r"""
import os, sys
with open(sys.argv[1] + ".new", "w") as file:
    file.write(os.environ["DBUS_SESSION_BUS_ADDRESS"])
os.rename(sys.argv[1] + ".new", sys.argv[1])
sys.stdin.read()
"""

EXPECTED = {
    "push button": {name for name, _, _ in PRESETS} | {"Copy To Clipboard", "Exit"},
    "scroll bar": {"Red", "Green", "Blue"},
    "radio button": {"VBasic", "HTML", "DBasic"},
    "check box": {"Stay On Top"},
    "text": {"Value"},
    "panel": {"Set", "Type", "Value"},
    "frame": {TITLE},
}


@functools.cache
def missing_parts():
    if not os.access(LAUNCHER, os.X_OK):
        return f"{LAUNCHER} is missing (package at-spi2-core)"
    if not os.access(SYSTEM_PYTHON, os.X_OK):
        return f"{SYSTEM_PYTHON} is missing"
    found = subprocess.run([SYSTEM_PYTHON, "-c", "import pyatspi"], capture_output=True,
                           timeout=30).returncode == 0
    if not found:
        return "pyatspi does not import under /usr/bin/python3 (package python3-pyatspi)"
    return None


class AccessibilityTest(DisplayTest):
    def setUp(self):
        reason = missing_parts()
        if reason:
            self.skipTest(f"AT-SPI cannot run here: {reason}")
        super().setUp()
        display = self.display
        # The child writes the bus address to a file and lives until its input closes.
        address_file = os.path.join(display.tmp, "session-bus")
        with open(os.path.join(display.tmp, "session-bus.log"), "w") as log:
            self.bus = subprocess.Popen(
                ["dbus-run-session", "--", SYSTEM_PYTHON, "-c", BUS_CHILD, address_file],
                env=display.env, stdin=subprocess.PIPE, stdout=log, stderr=subprocess.STDOUT)
        self.addCleanup(self.end_bus)
        wait_until(lambda: os.path.exists(address_file), what="the session bus")
        with open(address_file) as file:
            address = file.read()
        self.env = {**display.env, "DBUS_SESSION_BUS_ADDRESS": address}
        self.launcher = display.spawn([LAUNCHER, "--launch-immediately"], log="at-spi.log",
                                      env=self.env)
        wait_until(self.accessibility_bus_up, what="the accessibility bus")
        self.app = self.start(env={"DBUS_SESSION_BUS_ADDRESS": address,
                                   "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})
        self.app.activate()

    def accessibility_bus_up(self):
        if self.launcher.poll() is not None:
            raise AssertionError(f"at-spi-bus-launcher ended with {self.launcher.returncode}")
        reply = subprocess.run(
            ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
             "org.a11y.Bus.GetAddress"], env=self.env, capture_output=True, text=True, timeout=10)
        return reply.returncode == 0 and "unix:" in reply.stdout

    def end_bus(self):
        """Ends the program and the launcher, then lets the session bus end with its child."""
        if hasattr(self, "app"):
            end_process(self.app.process)
        if hasattr(self, "launcher"):
            end_process(self.launcher)
        self.bus.stdin.close()
        try:
            self.bus.wait(timeout=10)
        except subprocess.TimeoutExpired:
            end_process(self.bus)

    def read_tree(self, settings=None):
        result = subprocess.run([SYSTEM_PYTHON, "-c", READER, json.dumps(settings or {})],
                                env=self.env, capture_output=True, text=True, timeout=30)
        if result.returncode != 0:
            raise AssertionError(f"reading the tree failed: {result.stderr}")
        return json.loads(result.stdout)

    def tree(self, settings=None):
        """The tree, once the window and its controls are in it."""
        def complete():
            rows = self.read_tree(settings)
            roles = {(role, name) for _, role, name, _, _ in rows}
            return rows if ("frame", TITLE) in roles and len(rows) > 25 else None
        try:
            return wait_until(complete, timeout=15, interval=0.2, what="the accessible tree")
        except Timeout:
            raise AssertionError(f"the program's tree stayed incomplete: {self.read_tree()}")

    def values(self, rows):
        return {name: value for _, role, name, value, _ in rows if role == "scroll bar"}

    def test_every_control_has_a_distinct_name_within_its_role(self):
        rows = self.tree()
        by_role = {}
        for _, role, name, _, _ in rows:
            if name:
                by_role.setdefault(role, []).append(name)
        for role, names in by_role.items():
            with self.subTest(role=role):
                self.assertEqual(len(names), len(set(names)), f"repeated names: {names}")
        for role, names in EXPECTED.items():
            with self.subTest(role=role):
                self.assertEqual(set(by_role.get(role, [])), names)
        named = {name for _, _, name, _, _ in rows}
        self.assertIn("Color swatch", named)
        self.assertIn("Tintcast icon", named)
        self.assertEqual({name: text for _, role, name, _, text in rows if role == "text"},
                         {"Value": "&H0"})

    def test_bars_report_channel_values_and_take_new_ones(self):
        self.assertEqual(self.values(self.tree()),
                         {"Red": [0, 0, 255], "Green": [0, 0, 255], "Blue": [0, 0, 255]})

        cyan = next(rect for name, rect, _ in PRESETS if name == "Cyan")
        self.app.click(*cyan.centre())
        wait_until(lambda: grab(self.app).pixel(*SWATCH.centre()) == (0, 255, 255),
                   what="the swatch to turn cyan")
        self.assertEqual(self.values(self.tree()),
                         {"Red": [0, 0, 255], "Green": [255, 0, 255], "Blue": [255, 0, 255]})

        # A screen reader sets the channel value, not the bar's inner one.
        self.tree({"Red": 200, "Blue": 17})
        wait_until(lambda: grab(self.app).pixel(*SWATCH.centre()) == (200, 255, 17),
                   what="the swatch to follow the values set")
        self.assertEqual(copied_text(self.app), "&H11FFC8")
        rows = self.tree()
        self.assertEqual(self.values(rows),
                         {"Red": [200, 0, 255], "Green": [255, 0, 255], "Blue": [17, 0, 255]})
        self.assertEqual([text for _, role, _, _, text in rows if role == "text"], ["&H11FFC8"])


if __name__ == "__main__":
    unittest.main()
