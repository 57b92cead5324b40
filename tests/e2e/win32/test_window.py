#!/usr/bin/python3
"""The Windows program end to end, under Wine in a private Xvfb, seen from outside: the
window and its buttons (through a probe process in the same Wine session and X queries),
the keys, the ways to close it and their exit codes, and the clock request of "2077年"
(which Wine refuses and logs; the program runs without CAP_SYS_TIME in any case).

Run under a non-Chinese and a Chinese locale: the captions must be right in both.
"""
import datetime
import os
import re
import time
import unittest
import zoneinfo

import e2e_support
from e2e_support import TITLE, WineSession

FUTURE_BUTTON = "2077\u5e74"                                  # 2077年
RESTORE_BUTTON = "\u6062\u590d\u73b0\u884c\u65f6\u95f4"       # 恢复现行时间
BUTTONS = [  # in template (and z-) order: caption, client rectangle (left, top, width, height)
    (FUTURE_BUTTON, [72, 56, 192, 32]),
    (RESTORE_BUTTON, [72, 112, 192, 32]),
]

WS_MAXIMIZEBOX, WS_MINIMIZEBOX, WS_THICKFRAME = 0x00010000, 0x00020000, 0x00040000
WS_SYSMENU, WS_CAPTION, WS_CLIPCHILDREN, WS_VISIBLE = 0x00080000, 0x00C00000, 0x02000000, 0x10000000
WS_EX_WINDOWEDGE = 0x00000100   # the system adds it to every captioned window
BS_TYPEMASK, BS_PUSHBUTTON = 0x0F, 0x00
BS_CENTER, BS_VCENTER, BS_MULTILINE = 0x0300, 0x0C00, 0x2000
WS_TABSTOP, WS_CHILD, WS_CLIPSIBLINGS = 0x00010000, 0x40000000, 0x04000000

SLACK_MS = 60_000


def expected_difference_ms(tz):
    """What Wine logs for a request of 2077-07-07 07:07:07 local time in `tz`, now: the
    difference in milliseconds, truncated to a 32-bit int as Wine prints it."""
    target = datetime.datetime(2077, 7, 7, 7, 7, 7, tzinfo=zoneinfo.ZoneInfo(tz)).timestamp()
    ms = int((target - time.time()) * 1000)
    return ((ms + 2**31) % 2**32) - 2**31


def near_32bit(logged, expected):
    delta = (logged - expected) % 2**32
    return min(delta, 2**32 - delta) <= SLACK_MS


class HostClock:
    """Notes the wall clock against the monotonic clock, to see that nobody moved it."""

    def __init__(self):
        self.wall, self.mono = time.time(), time.monotonic()

    def moved_seconds(self):
        return abs((time.time() - self.wall) - (time.monotonic() - self.mono))


class SessionTest(unittest.TestCase):
    screen, lang, tz = (1920, 1080), "en_US.UTF-8", "UTC"
    chinese = False   # whether the session's ANSI code page is 936

    @classmethod
    def setUpClass(cls):
        cls.clock = HostClock()
        cls.session = WineSession(cls.screen, cls.lang, cls.tz)
        try:
            cls.session.start()
        except BaseException:
            cls.session.stop()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.session.stop()

    def tearDown(self):
        self.session.stop_app()

    def assertWindowShown(self, info):
        self.assertTrue(info["found"] and info["visible"], info)

    def focus(self):
        return self.session.probe("info", TITLE)["focus"]

    def key(self, *key):
        self.assertEqual(self.session.probe("key", TITLE, *key)["sent"] > 0, True)
        time.sleep(0.3)   # the program handles it in its own time

    def assertEndsWithZero(self):
        self.assertTrue(self.session.probe("gone", TITLE, "10000")["gone"], "the window is still open")
        self.assertEqual(self.session.app_exit_code(), 0)

    def assertOneFutureRequest(self):
        requests = self.session.clock_requests()
        self.assertEqual(len(requests), 1, self.session.log_text())
        expected = expected_difference_ms(self.tz)
        self.assertTrue(near_32bit(requests[0], expected),
                        f"Wine was asked for {requests[0]} ms, expected about {expected} ms (2077-07-07 07:07:07 {self.tz})")

    def click(self, x, y):
        """A left click at client coordinates, through Windows' own input queue: a click
        that X delivers to a window Wine has only just shown can be lost under load."""
        self.assertEqual(self.session.probe("click", TITLE, str(x), str(y))["sent"], 2)
        time.sleep(0.5)


class StartWindow(SessionTest):
    """Under a non-Chinese locale the captions only come out right through the wide functions."""

    def test_window_title_rectangle_styles_and_buttons(self):
        info = self.session.start_app()
        self.assertWindowShown(info)
        self.assertEqual(info["screen"], [1920, 1080])
        self.assertEqual(info["acp"] == 936, self.chinese, f"ANSI code page {info['acp']} under {self.lang}")
        self.assertEqual(info["title"], TITLE)
        self.assertEqual(info["rect"], [790, 431, 1129, 648])
        style = info["style"]
        for bit, name in [(WS_CAPTION, "caption"), (WS_SYSMENU, "system menu"), (WS_MINIMIZEBOX, "minimise box"),
                          (WS_CLIPCHILDREN, "clip children"), (WS_VISIBLE, "visible")]:
            self.assertEqual(style & bit, bit, f"no {name}: {style:#x}")
        for bit, name in [(WS_MAXIMIZEBOX, "maximise box"), (WS_THICKFRAME, "sizing border")]:
            self.assertEqual(style & bit, 0, f"has a {name}: {style:#x}")
        self.assertEqual(info["exstyle"] & ~WS_EX_WINDOWEDGE, 0)
        self.assertFalse(info["owner"])
        self.assertFalse(info["menu"])

        self.assertEqual([(c["text"], c["rect"]) for c in info["children"]], BUTTONS)
        for child in info["children"]:
            self.assertEqual(child["class"].upper(), "BUTTON")
            wanted = WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP | BS_MULTILINE | BS_CENTER | BS_VCENTER | WS_VISIBLE
            self.assertEqual(child["style"] & wanted, wanted, f"{child['style']:#x}")
            self.assertEqual(child["style"] & BS_TYPEMASK, BS_PUSHBUTTON, "not a plain push button")

    def test_paints_its_background_in_the_button_face_colour(self):
        info = self.session.start_app()
        time.sleep(1)   # painted
        shot = os.path.join(self.session.build_dir, "e2e", f"screenshot-{self.lang}.png")
        self.session.screenshot(shot)
        left, top = info["client_origin"]
        for x, y in [(10, 10), (300, 180), (72 + 96, 56 + 32 + 12)]:   # corners, between the buttons
            self.assertEqual(self.session.pixel(shot, left + x, top + y), info["button_face"], f"client point {x},{y}")

    def test_x_window_is_fixed_size_at_the_centre(self):
        self.session.start_app()
        ids = self.session.x("xdotool", "search", "--name", f"^{TITLE}$").split()
        self.assertEqual(len(ids), 1, ids)
        geometry = self.session.x("xwininfo", "-id", ids[0])
        corner = [int(re.search(rf"Absolute upper-left {axis}:\s+(-?\d+)", geometry).group(1)) for axis in "XY"]
        size = [int(re.search(rf"{what}:\s+(\d+)", geometry).group(1)) for what in ("Width", "Height")]
        self.assertEqual(corner + size, [790, 431, 339, 217])
        hints = self.session.x("xprop", "-id", ids[0], "WM_NORMAL_HINTS")
        self.assertIn("minimum size: 339 by 217", hints)
        self.assertIn("maximum size: 339 by 217", hints)

    def test_keys(self):
        info = self.session.start_app()
        self.assertEqual(info["focus"], FUTURE_BUTTON)
        steps = [  # key, focus afterwards
            (("tab",), RESTORE_BUTTON),
            (("tab",), FUTURE_BUTTON),
            (("tab", "shift"), RESTORE_BUTTON),
            (("tab", "shift"), FUTURE_BUTTON),
            (("enter",), FUTURE_BUTTON),
            (("f1",), FUTURE_BUTTON),
            (("esc", "shift"), FUTURE_BUTTON),
        ]
        for key, focus in steps:
            self.key(*key)
            self.assertEqual(self.focus(), focus, f"after {key}")
        self.assertIsNone(self.session.app_exit_code(timeout=0.5), "the program ended")
        self.assertEqual(self.session.clock_requests(), [], "a key other than Space clicked the button")

        self.key("space")
        self.assertOneFutureRequest()
        self.assertEqual(self.focus(), FUTURE_BUTTON)

        self.key("esc")
        self.assertEndsWithZero()

    def test_close_requests_end_with_exit_code_zero(self):
        closes = [("close box (SC_CLOSE)", ("close", TITLE, "sc_close")),
                  ("WM_CLOSE", ("close", TITLE, "wm_close")),
                  ("Alt+F4", ("key", TITLE, "f4", "alt"))]
        for name, probe in closes:
            with self.subTest(name):
                self.session.start_app()
                self.session.probe(*probe)
                self.assertEndsWithZero()

    def test_mouse_click_on_the_close_box_ends_with_exit_code_zero(self):
        self.session.start_app()
        info = self.session.probe("info", TITLE)
        point = self.session.probe("closebox", TITLE)["closebox"]
        self.assertIsNotNone(point, "no close box in the caption")
        left, top = info["client_origin"]
        self.click(point[0] - left, point[1] - top)
        self.assertEndsWithZero()

    def test_click_on_2077_asks_for_the_future_local_time(self):
        info = self.session.start_app()
        x, y, w, h = BUTTONS[0][1]
        self.click(x + w // 2, y + h // 2)
        self.assertOneFutureRequest()
        self.assertWindowShown(self.session.probe("info", TITLE))
        self.assertLess(self.clock.moved_seconds(), 5, "the host clock moved")


class StartWindowChinese(StartWindow):
    """The same under a Chinese locale and a time zone eight hours from UTC."""
    lang, tz = "zh_CN.UTF-8", "Asia/Shanghai"
    chinese = True


class SmallerScreen(SessionTest):
    screen = (1366, 768)

    def test_centred_by_integer_division(self):
        info = self.session.start_app()
        self.assertEqual(info["screen"], [1366, 768])
        self.assertEqual(info["rect"], [513, 275, 513 + 339, 275 + 217])   # (1366-339)/2, (768-217)/2
        self.session.probe("close", TITLE, "sc_close")
        self.assertEndsWithZero()


if __name__ == "__main__":
    e2e_support.main("e2e_win32_window")
