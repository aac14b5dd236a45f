"""Start, a scripted set of actions and Exit under valgrind's memcheck: no leak and
no memory error may come from the program's own code.

Findings that lie wholly inside libraries are suppressed in valgrind.supp, each with
its reason; whatever else a library reports is printed, but only a finding whose
memory the program's executable allocated (or misused) fails the test."""

import os
import unittest
import xml.etree.ElementTree as ElementTree

from form_places import COPY_BUTTON, EXIT_BUTTON, OPTIONS, PRESETS, STAY_ON_TOP, VALUE_BOX
from harness import PROGRAM, TITLE, DisplayTest, wait_until

HERE = os.path.dirname(os.path.abspath(__file__))
PRESET = {name: place for name, place, _ in PRESETS}


def findings(xml_path):
    """(kind, description, [(function, object file)]) for each error valgrind reported."""
    root = ElementTree.parse(xml_path).getroot()
    for error in root.iter("error"):
        what = error.findtext("xwhat/text") or error.findtext("what") or ""
        frames = [(frame.findtext("fn") or "?", frame.findtext("obj") or "")
                  for frame in error.find("stack").iter("frame")]
        yield error.findtext("kind"), what, frames


class Memcheck(DisplayTest):
    def test_a_session_leaks_nothing_of_its_own(self):
        xml_path = os.path.join(self.display.tmp, "memcheck.%p.xml")
        app = self.start(timeout=90, launcher=[
            "valgrind", "--tool=memcheck", "--leak-check=full",
            "--show-leak-kinds=definite,indirect", "--errors-for-leak-kinds=definite,indirect",
            "--num-callers=40", f"--suppressions={os.path.join(HERE, 'valgrind.supp')}",
            "--xml=yes", f"--xml-file={xml_path}"])
        app.click(*PRESET["Magenta"].centre())
        app.click(*OPTIONS["DBasic"].centre())
        app.click(*VALUE_BOX.centre())
        app.click(*COPY_BUTTON.centre())
        wait_until(lambda: self.display.clipboard() == b"(255,0,255)", timeout=30,
                   what="the copy")
        for above in (True, False):
            app.click(*STAY_ON_TOP.centre())
            wait_until(lambda: ("_NET_WM_STATE_ABOVE" in app.state()) == above, timeout=30,
                       what="Stay On Top to switch")
        app.click(*EXIT_BUTTON.centre())
        self.assertEqual(app.wait_exit(timeout=120), 0, app.log())
        self.assertFalse(self.display.windows(TITLE))

        report = xml_path.replace("%p", str(app.process.pid))
        program = os.path.realpath(PROGRAM)
        ours, theirs = [], []
        for kind, what, frames in findings(report):
            # Whose code allocated (or misused) the memory: the first frame below
            # valgrind's own replacements of malloc and new.
            culprit = next((obj for _, obj in frames if "vgpreload" not in obj), "")
            in_program = bool(culprit) and os.path.realpath(culprit) == program
            line = f"{kind}: {what}\n" + "".join(f"    {fn} ({obj})\n" for fn, obj in frames)
            (ours if in_program else theirs).append(line)
        if theirs:
            print("Library findings not suppressed (not failures):\n" + "".join(theirs))
        self.assertEqual(ours, [], "findings in the program's own code")


if __name__ == "__main__":
    unittest.main()
