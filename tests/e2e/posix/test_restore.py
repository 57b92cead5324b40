"""A click on "恢复现行时间" asks the time server for HEAD / and sets the clock to the Date
of its answer plus eight hours, as local time. The program runs in a network and mount
namespace of its own (root only): loopback up, the time server's host name mapped to
127.0.0.1 by a bind-mounted /etc/hosts, and a small server on 127.0.0.1:80. The clock is
observed through the recorder; nothing here can reach a real server or set the real clock."""

import json
import os
import subprocess
import time
import unittest
from datetime import datetime, timezone
from zoneinfo import ZoneInfo

import harness
from harness import App, XServer, BUTTON_RESTORE

# The host of the program's default time source, "http://www.baidu.com/".
TIME_SOURCE_HOST = "www.baidu.com"
USER_AGENT = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"
SERVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "time_server.py")

# Inside the new namespaces, as root: loopback up, the hosts file in place, the server
# started without CAP_SYS_TIME and waited for (bounded); then the program's own chain.
_NAMESPACE_SETUP = r'''
set -e
ip link set lo up
mount --bind "$1" /etc/hosts
setpriv --bounding-set=-sys_time --inh-caps=-sys_time -- /usr/bin/python3 "$2" "$3" </dev/null >/dev/null 2>&1 &
i=0
while [ ! -e "$4" ]; do
  i=$((i + 1)); [ $i -le 200 ] || { echo "time server did not start" >&2; exit 98; }
  sleep 0.05
done
shift 4
exec "$@"
'''


class RestoreApp(App):
    """The program in its own network and mount namespace with the time server beside it."""

    def __init__(self, xserver, headers, tz="UTC", listen=True):
        super().__init__(xserver, tz=tz, isolate_network=False)
        self.config = {"headers": headers, "listen": listen, "lifetime": 60,
                       "log": os.path.join(self.workdir, "requests.jsonl"),
                       "ready": os.path.join(self.workdir, "server-ready"),
                       "pid": os.path.join(self.workdir, "server.pid")}

    def start(self):
        config_path = os.path.join(self.workdir, "server.json")
        with open(config_path, "w") as f:
            json.dump(self.config, f)
        hosts_path = os.path.join(self.workdir, "hosts")
        with open(hosts_path, "w") as f:
            f.write(f"127.0.0.1 localhost\n127.0.0.1 {TIME_SOURCE_HOST}\n")

        recorder = os.path.join(harness.BIN_DIR, "clock_recorder.so")
        if not os.path.exists(recorder):
            recorder = os.path.join(harness.BIN_DIR, "libclock_recorder.so")
        env = self.xserver.env()
        env.update({"TZ": self.tz, "LD_PRELOAD": recorder, "CLOCK_RECORD": self.record_path, "ISOLATED": "0"})
        program = ["setpriv", "--bounding-set=-sys_time", "--inh-caps=-sys_time", "--",
                   "/bin/sh", "-c", harness._CAPABILITY_GUARD, "capability-guard", self.program]
        command = ["unshare", "--net", "--mount", "--", "/bin/sh", "-c", _NAMESPACE_SETUP, "namespace-setup",
                   hosts_path, SERVER, config_path, self.config["ready"]] + program
        with open(self.stderr_path, "wb") as stderr:
            # unshare, the setup shell, setpriv and the guard each exec the next: the PID is the program's.
            self.proc = subprocess.Popen(command, env=env, cwd=self.workdir, stdin=subprocess.DEVNULL,
                                         stdout=subprocess.DEVNULL, stderr=stderr)
        try:
            self.window = harness.wait_until(self._find_window, what=f"the window '{harness.WINDOW_TITLE}'")
            if not harness.capability_bit_clear(self.proc.pid):
                raise RuntimeError("the program holds CAP_SYS_TIME; stopped it")
        except BaseException:
            self.stop()
            raise
        return self

    def requests(self):
        try:
            with open(self.config["log"]) as f:
                return [json.loads(line) for line in f if line.strip()]
        except FileNotFoundError:
            return []

    def cleanup(self):
        self.stop()
        try:
            with open(self.config["pid"]) as f:
                pid = int(f.read().strip())
            os.kill(pid, 15)   # the server this test started; it would also end by itself
        except (OSError, ValueError):
            pass
        super().cleanup()


def local_moment(zone, *fields):
    return int(datetime(*fields, tzinfo=ZoneInfo(zone)).timestamp())


@unittest.skipUnless(os.geteuid() == 0, "needs root for the network and mount namespace")
class Restore(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.x = XServer().start()

    @classmethod
    def tearDownClass(cls):
        cls.x.stop()

    def click_restore(self, headers, tz="UTC", listen=True):
        """Starts the program, clicks the restore button, ends it with Esc (X delivers the
        keys after the click, so the restore has finished); returns (records, requests)."""
        with RestoreApp(self.x, headers, tz=tz, listen=listen) as app:
            app.click(BUTTON_RESTORE)
            app.keys("Escape")
            self.assertEqual(app.wait_exit(timeout=60), 0, app.stderr())
            return app.records(), app.requests()

    def test_sets_the_server_date_plus_eight_hours_as_local_time(self):
        server_date = "Sun, 06 Nov 1994 08:49:37 GMT"
        true_moment = int(datetime(1994, 11, 6, 8, 49, 37, tzinfo=timezone.utc).timestamp())
        for zone in ["UTC", "Asia/Shanghai", "Europe/Paris", "America/New_York"]:
            with self.subTest(zone=zone):
                records, _ = self.click_restore([f"Date: {server_date}"], tz=zone)
                self.assertEqual([(seconds, local) for _, seconds, local in records],
                                 [(local_moment(zone, 1994, 11, 6, 16, 49, 37), "1994-11-06 16:49:37")])
                if zone == "Europe/Paris":   # UTC+1: seven hours ahead of the true time
                    self.assertEqual(records[0][1] - true_moment, 7 * 3600)

    def test_asks_head_of_the_root_page_with_the_default_headers(self):
        _, requests = self.click_restore(["Date: Thu, 01 Jan 2026 08:00:00 GMT"])
        self.assertEqual(len(requests), 1, requests)
        request = requests[0]
        self.assertEqual((request["method"], request["target"]), ("HEAD", "/"))
        headers = {name.lower(): value for name, value in request["headers"]}
        self.assertEqual(headers.get("host"), TIME_SOURCE_HOST)
        self.assertEqual(headers.get("accept"), "*/*")
        self.assertEqual(headers.get("referer"), f"http://{TIME_SOURCE_HOST}/")
        self.assertEqual(headers.get("accept-language"), "zh-cn")
        self.assertEqual(headers.get("user-agent"), USER_AGENT)
        self.assertNotIn("cookie", headers)

    def test_a_date_near_midnight_rolls_into_the_next_year(self):
        records, _ = self.click_restore(["Date: Fri, 31 Dec 2077 20:00:00 GMT"])
        self.assertEqual([local for _, _, local in records], ["2078-01-01 04:00:00"])

    def test_an_answer_without_a_usable_date_leaves_the_clock_alone(self):
        cases = [
            ("no Date line", ["Server: test"], True),
            ("the name in small letters", ["date: Thu, 01 Jan 2026 08:00:00 GMT"], True),
            ("a date nobody can read", ["Date: tomorrow"], True),
            ("no server listening", [], False),
        ]
        for name, headers, listen in cases:
            with self.subTest(name):
                records, requests = self.click_restore(headers, listen=listen)
                self.assertEqual(records, [])
                self.assertEqual(len(requests), 1 if listen else 0, requests)


if __name__ == "__main__":
    harness.main()
