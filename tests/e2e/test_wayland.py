"""The program in Wayland sessions, one case per compositor, mode and output scale: the
window is shown at its size on the platform expected, drawn at the output's resolution
on a scaled output, a preset is copied, the copy is read after Exit by a Wayland client
(wl-paste) and, where XWayland runs, by an X client (xclip), half a second and five
seconds after; Stay On Top is enabled only where the window manager can keep a window
on top; and whatever keeps the copy ends once another program copies."""

import os
import time
import unittest

from form_places import CLIENT, stay_on_top_enabled
from harness import wait_until
from wayland import KWin, RED_TEXT, Sway, keepers, maps_library, resolution_differences

READ_AFTER_EXIT = (0.5, 5.0)


class WaylandSessions(unittest.TestCase):
    def run_session(self, session, platform, stays_on_top):
        self.addCleanup(session.close)
        session.start_program()
        self.assertEqual(session.window_size(), CLIENT)
        if session.scale != 1:
            at_2x, at_1x = resolution_differences(*session.settled_screenshot(), session.scale)
            self.assertLess(at_2x, at_1x, "the window is a 1x bitmap stretched "
                            f"(off the 2x drawing by {at_2x:.2f}, the 1x one by {at_1x:.2f})")
        self.assertEqual(session.platform, platform)
        if platform == "wayland":
            # The compositor draws the frame: Qt needs no GL driver for one of its own.
            self.assertFalse(maps_library(session.program.pid, "libEGL_mesa"),
                             "Mesa's GL driver is loaded")

        session.copy_red()
        wait_until(lambda: session.wl_paste() == RED_TEXT, timeout=10, what="the copy")
        image, origin = session.screenshot()
        self.assertEqual(stay_on_top_enabled(image, origin, session.scale), stays_on_top)

        session.exit()
        self.assertEqual(session.program.wait(timeout=10), 0, session.log("tintcast.log"))
        ended = time.monotonic()
        readers = {"wl-paste": session.wl_paste}
        if session.xwayland:
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
        session.wl_copy("newer text")
        wait_until(lambda: not set(serving) & set(keepers(session.runtime)),
                   timeout=10, what="the keeper to end once another program copied")
        self.assertEqual(session.wl_paste(), b"newer text")

    def test_sway_xwayland(self):
        self.run_session(Sway(xwayland=True), "xcb", stays_on_top=False)

    def test_sway_native(self):
        self.run_session(Sway(xwayland=False), "wayland", stays_on_top=False)

    # sway stretches X11 windows on a scaled output, and its X window manager cannot keep
    # a window above: XWayland buys nothing there.
    def test_sway_scale_2_xwayland(self):
        self.run_session(Sway(xwayland=True, scale=2), "wayland", stays_on_top=False)

    def test_sway_scale_1_5_xwayland(self):
        self.run_session(Sway(xwayland=True, scale=1.5), "wayland", stays_on_top=False)

    def test_sway_scale_2_native(self):
        self.run_session(Sway(xwayland=False, scale=2), "wayland", stays_on_top=False)

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
        self.run_session(KWin(xwayland=True), "xcb", stays_on_top=True)

    def test_kwin_native(self):
        self.run_session(KWin(xwayland=True, native=True), "wayland", stays_on_top=False)

    def test_kwin_scale_2(self):
        self.run_session(KWin(xwayland=True, scale=2), "wayland", stays_on_top=False)

    def test_kwin_scale_2_x11_programs_scale_themselves(self):
        self.run_session(KWin(xwayland=True, scale=2, x11_scales_itself=True), "xcb",
                         stays_on_top=True)


if __name__ == "__main__":
    unittest.main()
