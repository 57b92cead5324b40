"""A click on "2077年" sets the clock to 2077-07-07 07:07:07 as local time, in whatever time
zone the program runs: the recorded moment is that local time's moment in the zone."""

from datetime import datetime
from zoneinfo import ZoneInfo

import harness
from harness import App, BUTTON_2077

# Whole, half-hour and negative offsets, with and without summer time in July.
ZONES = ["UTC", "Asia/Shanghai", "Asia/Kolkata", "America/New_York", "America/St_Johns", "Pacific/Chatham"]


def moment(zone):
    return int(datetime(2077, 7, 7, 7, 7, 7, tzinfo=ZoneInfo(zone)).timestamp())


class FutureDate(harness.OneXServerTestCase):

    def clicks(self, zone, count):
        with App(self.x, tz=zone) as app:
            for _ in range(count):
                app.click(BUTTON_2077)
            app.keys("Escape")
            self.assertEqual(app.wait_exit(), 0, app.stderr())
            return app.records()

    def test_sets_the_local_moment_in_each_time_zone(self):
        for zone in ZONES:
            with self.subTest(zone=zone):
                records = self.clicks(zone, 1)
                self.assertEqual([(seconds, local) for _, seconds, local in records],
                                 [(moment(zone), "2077-07-07 07:07:07")])

    def test_each_click_sets_the_same_moment_again(self):
        records = self.clicks("Asia/Kolkata", 2)
        self.assertEqual([seconds for _, seconds, _ in records], [moment("Asia/Kolkata")] * 2)


if __name__ == "__main__":
    harness.main()
