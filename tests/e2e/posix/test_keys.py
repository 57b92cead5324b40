"""The keyboard and the ways the window closes, observed through the clock recorder and
the exit code. The focus starts on 按钮2 ("2077年"); Space on it records one clock call,
Space on 按钮1 none (its restore cannot reach a time server from the tests' network
namespace, so it never sets the clock). Every case ends the program with Esc and waits for
it: X delivers the keys in order, so once the program has ended, every earlier key has
had its effect, and the recorder's count is final."""


import harness
from harness import App


class Keys(harness.OneXServerTestCase):
    # (case, keys pressed, clock calls recorded)
    CASES = [
        ("Space clicks the focused button once", ["space"], 1),
        ("each Space press is one click", ["space", "space", "space"], 3),
        ("Tab moves to the other button", ["Tab", "space"], 0),
        ("Tab twice comes back", ["Tab", "Tab", "space"], 1),
        ("Shift+Tab moves to the other button", ["shift+Tab", "space"], 0),
        ("Shift+Tab twice comes back", ["shift+Tab", "shift+Tab", "space"], 1),
        ("Tab then Shift+Tab comes back", ["Tab", "shift+Tab", "space"], 1),
        ("Enter and F1 do nothing", ["Return", "KP_Enter", "F1"], 0),
        ("Enter and F1 move no focus", ["Return", "F1", "space"], 1),
        ("Shift+Esc does not close the window", ["shift+Escape", "space"], 1),
    ]


    def run_and_close(self, drive):
        """Starts the program, drives it, ends it with Esc; returns its clock records."""
        with App(self.x) as app:
            drive(app)
            app.keys("Escape")
            self.assertEqual(app.wait_exit(), 0, app.stderr())
            return app.records()

    def test_keys(self):
        for name, keys, calls in self.CASES:
            with self.subTest(name):
                records = self.run_and_close(lambda app: app.keys(*keys))
                self.assertEqual(len(records), calls, records)
                self.assertTrue(all(local == "2077-07-07 07:07:07" for _, _, local in records), records)

    def test_space_held_down_clicks_once_on_release(self):
        records = self.run_and_close(lambda app: app.hold_key("space", 1.5))
        self.assertEqual(len(records), 1, records)

    def test_escape_ends_the_program_with_0(self):
        self.assertEqual(self.run_and_close(lambda app: None), [])

    def test_close_request_ends_the_program_with_0(self):
        with App(self.x) as app:
            app.close_request()
            self.assertEqual(app.wait_exit(), 0, app.stderr())
            self.assertEqual(app.records(), [])


if __name__ == "__main__":
    harness.main()
