"""The start window as the X server sees it: place, size, title, size hints, icon; the
process's current directory; and a program directory without wininet.dll still starts and
sets the future date."""

import os
import re
import shutil
import tempfile
import unittest

import harness
from harness import App, XServer, BUTTON_2077, WINDOW_TITLE


class WindowPlacement(unittest.TestCase):
    # Centred on the primary screen: (screen - size) / 2, dropping the remainder.
    SCREENS = [
        ((1920, 1080), (790, 431)),
        ((1366, 768), (513, 275)),
        ((1025, 769), (343, 276)),
    ]

    def test_centred_at_its_fixed_size_on_each_screen_size(self):
        for (width, height), (left, top) in self.SCREENS:
            with self.subTest(screen=f"{width}x{height}"):
                with XServer(width, height) as x, App(x) as app:
                    self.assertEqual(app.geometry(), (left, top, 339, 217))


class WindowProperties(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.x = XServer().start()
        cls.app = App(cls.x).start()

    @classmethod
    def tearDownClass(cls):
        cls.app.cleanup()
        cls.x.stop()

    def test_title(self):
        self.assertIn(f'"{WINDOW_TITLE}"', self.app.property("WM_NAME"))

    def test_cannot_be_resized(self):
        hints = self.app.property("WM_NORMAL_HINTS")
        self.assertIn("program specified minimum size: 339 by 217", hints)
        self.assertIn("program specified maximum size: 339 by 217", hints)

    def test_runs_in_the_programs_directory_wherever_it_was_started_from(self):
        self.assertNotEqual(os.path.realpath(self.app.workdir), os.path.realpath(harness.BIN_DIR))
        self.assertEqual(os.readlink(f"/proc/{self.app.proc.pid}/cwd"), os.path.realpath(harness.BIN_DIR))

    def test_carries_the_icon_at_16_32_and_48_pixels(self):
        sizes = re.findall(r"Icon \((\d+) x (\d+)\)", self.app.property("_NET_WM_ICON"))
        self.assertEqual(sorted(int(w) for w, h in sizes if w == h), [16, 32, 48])


class WithoutWininet(unittest.TestCase):
    def test_starts_and_sets_the_future_date_when_wininet_is_missing(self):
        directory = tempfile.mkdtemp(prefix="clocktool-no-wininet-")
        try:
            for name in ("clocktool", "ole32.dll"):
                shutil.copy2(os.path.join(harness.BIN_DIR, name), directory)
            with XServer() as x, App(x, program=os.path.join(directory, "clocktool")) as app:
                app.click(BUTTON_2077)
                harness.wait_until(app.records, what="a clock record")
                app.keys("Escape")
                self.assertEqual(app.wait_exit(), 0)
                self.assertEqual([local for _, _, local in app.records()], ["2077-07-07 07:07:07"])
        finally:
            shutil.rmtree(directory, ignore_errors=True)


if __name__ == "__main__":
    harness.main()
