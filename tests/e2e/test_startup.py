import unittest

from form_places import PRESETS
from harness import DisplayTest, end_process

PRESET = {name: place for name, place, _ in PRESETS}


class Startup(DisplayTest):
    def test_opens_titled_and_closes_through_the_window_manager(self):
        app = self.start()
        self.assertEqual(app.close_by_window_manager(), 0, app.log())

    def test_a_display_that_goes_away_ends_it_with_one_line(self):
        app = self.start()
        app.click(*PRESET["Red"].centre())
        app.key("alt+c")
        end_process(self.display.server)
        self.assertEqual(app.wait_exit(), 1, app.log())
        self.assertEqual(app.log(), "tintcast: lost the connection to the display\n")
        self.assertEqual(self.display.keepers(), [])


if __name__ == "__main__":
    unittest.main()
