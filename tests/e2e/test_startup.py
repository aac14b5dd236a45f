import unittest

from harness import DisplayTest


class Startup(DisplayTest):
    def test_opens_titled_and_closes_through_the_window_manager(self):
        app = self.start()
        self.assertEqual(app.close_by_window_manager(), 0, app.log())


if __name__ == "__main__":
    unittest.main()
