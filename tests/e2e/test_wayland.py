"""The program in Wayland sessions, one case per compositor and mode: the window is
shown at its size, a preset is copied, the copy is read after Exit by a Wayland client
(wl-paste) and, where XWayland runs, by an X client (xclip), half a second and five
seconds after; Stay On Top is enabled only where the window manager can keep a window
on top; and whatever keeps the copy ends once another program copies."""

import os
import time
import unittest

from form_places import CLIENT, stay_on_top_enabled
from harness import wait_until
from wayland import KWin, RED_TEXT, Sway, keepers

READ_AFTER_EXIT = (0.5, 5.0)


class WaylandSessions(unittest.TestCase):
    def run_session(self, session_class, xwayland, native, stays_on_top):
        session = session_class(xwayland=xwayland, native=native)
        self.addCleanup(session.close)
        session.start_program()
        self.assertEqual(session.window_size(), CLIENT)

        session.copy_red()
        wait_until(lambda: session.wl_paste() == RED_TEXT, timeout=10, what="the copy")
        image, origin = session.screenshot()
        self.assertEqual(stay_on_top_enabled(image, origin), stays_on_top)

        session.exit()
        self.assertEqual(session.program.wait(timeout=10), 0, session.log("tintcast.log"))
        ended = time.monotonic()
        readers = {"wl-paste": session.wl_paste}
        if xwayland:
            session.focus_x_client()
            readers["xclip"] = session.xclip
        for after in READ_AFTER_EXIT:
            # The copy is read at a given age: that age is what is tested.
            time.sleep(max(0.0, ended + after - time.monotonic()))
            for reader, read in readers.items():
                with self.subTest(reader=reader, after=after):
                    self.assertEqual(read(), RED_TEXT)
        self.assertEqual(session.log("tintcast.log"), "")

        serving = keepers(session.runtime)
        self.assertTrue(serving, "nothing serves the copy")
        session.run(["wl-copy", "newer text"])
        wait_until(lambda: not set(serving) & set(keepers(session.runtime)),
                   timeout=10, what="the keeper to end once another program copied")
        self.assertEqual(session.wl_paste(), b"newer text")

    def test_sway_xwayland(self):
        self.run_session(Sway, xwayland=True, native=False, stays_on_top=False)

    def test_sway_native(self):
        self.run_session(Sway, xwayland=False, native=True, stays_on_top=False)

    def test_without_wl_copy_one_line_says_so(self):
        session = Sway(xwayland=False, native=True)
        self.addCleanup(session.close)
        nothing = os.path.join(session.tmp, "empty")
        os.mkdir(nothing)
        session.start_program(PATH=nothing)
        session.copy_red()
        wait_until(lambda: session.wl_paste() == RED_TEXT, timeout=10, what="the copy")
        session.exit()
        self.assertEqual(session.program.wait(timeout=10), 0)
        self.assertEqual(session.log("tintcast.log"),
                         "tintcast: the copied text could not be kept after exit: wl-copy could "
                         "not be started (is wl-clipboard installed?)\n")

    def test_kwin_xwayland(self):
        self.run_session(KWin, xwayland=True, native=False, stays_on_top=True)

    def test_kwin_native(self):
        self.run_session(KWin, xwayland=True, native=True, stays_on_top=False)


if __name__ == "__main__":
    unittest.main()
