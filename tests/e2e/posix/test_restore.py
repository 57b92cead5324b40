"""A click on "恢复现行时间" asks the time server for HEAD / and sets the clock to the Date
of its answer plus eight hours, as local time. The program runs in a network and mount
namespace of its own (root only): loopback up, the time server's host name mapped to
127.0.0.1 by a bind-mounted /etc/hosts, and a small server on 127.0.0.1:80 (or nothing
listening there). The clock is observed through the recorder; nothing here can reach a
real server or set the real clock, and the namespace ends with the program."""

import json
import os
import subprocess
import unittest
from datetime import datetime
from zoneinfo import ZoneInfo

import harness
from harness import App, BUTTON_RESTORE

# The host of the program's default time source, "http://www.baidu.com/".
TIME_SOURCE_HOST = "www.baidu.com"
USER_AGENT = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"
SERVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "time_server.py")

# Each phase of the exchange may wait 15 s; a server that never answers ends the exchange
# after one of them. This bounds the wait for any exchange to end, with room to spare.
EXCHANGE_LIMIT = 40

# A bound on the program's start-up, generous because the machine may be busy.
WINDOW_LIMIT = 30

# Whole, half-hour and negative offsets, with and without summer time.
ZONES = ["UTC", "Asia/Shanghai", "Asia/Kolkata", "Europe/Paris", "America/New_York", "America/St_Johns"]


def http(*headers):
    return {"kind": "http", "headers": list(headers)}


# Not HTTP at all; the Date line inside must not count as a header.
GARBAGE = {"kind": "garbage", "bytes": "SSH-2.0-OpenSSH_9.2\r\nDate: Thu, 01 Jan 2026 08:00:00 GMT\r\n\r\n"}
SILENT = {"kind": "silent"}

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

    def __init__(self, xserver, replies, tz="UTC", listen=True):
        super().__init__(xserver, tz=tz, isolate_network=False)
        self.config = {"replies": replies, "listen": listen, "lifetime": 90,
                       "log": os.path.join(self.workdir, "requests.jsonl"),
                       "events": os.path.join(self.workdir, "events.jsonl"),
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
            try:
                self.window = harness.wait_until(self._find_window, timeout=WINDOW_LIMIT,
                                                 what=f"the window '{harness.WINDOW_TITLE}'")
            except TimeoutError as error:
                raise TimeoutError(f"{error}; the program is {self._state()}, its errors: {self.stderr()!r}")
            if not harness.capability_bit_clear(self.proc.pid):
                raise RuntimeError("the program holds CAP_SYS_TIME; stopped it")
        except BaseException:
            self.stop()
            raise
        return self

    def _state(self):
        try:
            with open(f"/proc/{self.proc.pid}/wchan") as f:
                wchan = f.read()
            with open(f"/proc/{self.proc.pid}/stat") as f:
                return f"{f.read().split(') ')[1].split()[0]} in {wchan or '-'}"
        except OSError:
            return "gone"

    def _read_log(self, name):
        try:
            with open(self.config[name]) as f:
                return [json.loads(line) for line in f if line.strip()]
        except FileNotFoundError:
            return []

    def requests(self):
        return self._read_log("log")

    def events(self):
        """The ends of exchanges the server saw: "closed" by the client, or a refused "attempt"."""
        return [entry["event"] for entry in self._read_log("events")]

    def clock_settings(self):
        """The recorder's lines as (call, seconds, nanoseconds, local time text)."""
        try:
            with open(self.record_path) as f:
                lines = f.read().splitlines()
        except FileNotFoundError:
            return []
        settings = []
        for line in lines:
            call, seconds, nanos, local = line.split(" ", 3)
            settings.append((call, int(seconds), int(nanos), local))
        return settings

    def cleanup(self):
        self.stop()
        try:
            with open(self.config["pid"]) as f:
                pid = int(f.read().strip())
            os.kill(pid, 15)   # the server this test started; it would also end by itself
        except (OSError, ValueError):
            pass
        super().cleanup()


def local_moment(zone, fields):
    return int(datetime(*fields, tzinfo=ZoneInfo(zone)).timestamp())


def local_text(fields):
    return "%04d-%02d-%02d %02d:%02d:%02d" % fields


@unittest.skipUnless(os.geteuid() == 0, "needs root for the network and mount namespace")
class Restore(harness.OneXServerTestCase):

    def restore(self, replies, tz="UTC", listen=True, clicks=1):
        """Starts the program, clicks the restore button `clicks` times, each time waiting
        until the server has seen that exchange end; then Esc must close the window with
        exit code 0, which shows the window came back from the click alive. Returns
        (clock settings, requests, server events)."""
        with RestoreApp(self.x, replies, tz=tz, listen=listen) as app:
            for count in range(1, clicks + 1):
                app.click(BUTTON_RESTORE)
                harness.wait_until(lambda: len(app.events()) >= count, timeout=EXCHANGE_LIMIT,
                                   what=f"exchange {count} to end")
            self.assertTrue(app.is_running(), app.stderr())
            app.keys("Escape")
            self.assertEqual(app.wait_exit(timeout=harness.DEFAULT_TIMEOUT), 0, app.stderr())
            return app.clock_settings(), app.requests(), app.events()

    def assert_default_head_request(self, request):
        self.assertEqual((request["method"], request["target"]), ("HEAD", "/"))
        expected = [("host", TIME_SOURCE_HOST), ("accept", "*/*"), ("referer", f"http://{TIME_SOURCE_HOST}/"),
                    ("accept-language", "zh-cn"), ("user-agent", USER_AGENT)]
        for name, value in expected:
            self.assertEqual([v for n, v in request["headers"] if n.lower() == name], [value], name)
        self.assertNotIn("cookie", [n.lower() for n, _ in request["headers"]])

    def test_one_head_request_with_the_default_headers_and_no_cookie(self):
        _, requests, _ = self.restore([http("Date: Thu, 01 Jan 2026 08:00:00 GMT")])
        self.assertEqual(len(requests), 1, requests)
        self.assert_default_head_request(requests[0])

    def test_sets_the_server_date_plus_eight_hours_as_local_time_in_any_zone(self):
        # (server's Date, local wall-clock time the program must set)
        cases = [
            ("Sun, 06 Nov 1994 08:49:37 GMT", (1994, 11, 6, 16, 49, 37)),
            ("Fri, 31 Dec 2077 20:00:00 GMT", (2078, 1, 1, 4, 0, 0)),      # into the next year
            ("Sat, 29 Feb 2020 23:59:59 GMT", (2020, 3, 1, 7, 59, 59)),    # past a leap day's midnight
            ("Tue, 30 Jun 2026 16:00:00 GMT", (2026, 7, 1, 0, 0, 0)),      # exactly onto a month's first midnight
        ]
        for server_date, local in cases:
            for zone in ZONES:
                with self.subTest(date=server_date, zone=zone):
                    settings, requests, _ = self.restore([http(f"Date: {server_date}")], tz=zone)
                    self.assertEqual([(seconds, nanos, text) for _, seconds, nanos, text in settings],
                                     [(local_moment(zone, local), 0, local_text(local))])
                    self.assertEqual(len(requests), 1, requests)

    def test_no_usable_answer_leaves_the_clock_alone_and_the_window_alive(self):
        # (case, server's replies or None for nothing listening)
        cases = [
            ("no Date line", [http("Server: test")]),
            ("the name in small letters", [http("date: Thu, 01 Jan 2026 08:00:00 GMT")]),
            ("a date nobody can read", [http("Date: tomorrow")]),
            ("a day the month does not have", [http("Date: Mon, 30 Feb 2026 10:00:00 GMT")]),
            ("the connection refused", None),
            ("bytes that are not HTTP", [GARBAGE]),
            ("a server that never answers", [SILENT]),   # ends only with the time-out
        ]
        for name, replies in cases:
            with self.subTest(name):
                listen = replies is not None
                settings, requests, events = self.restore(replies or [], listen=listen)
                self.assertEqual(settings, [])
                if listen:
                    self.assertEqual(len(requests), 1, requests)
                    self.assertEqual(events, ["closed"])
                    self.assert_default_head_request(requests[0])
                else:
                    self.assertEqual(events, ["attempt"])

    def test_two_clicks_make_two_independent_exchanges(self):
        # The first answer sets a cookie; the second request must not carry it back.
        replies = [http("Date: Thu, 01 Jan 2026 08:00:00 GMT", "Set-Cookie: BAIDUID=F00D; path=/"),
                   http("Date: Fri, 02 Jan 2026 09:30:00 GMT")]
        settings, requests, _ = self.restore(replies, clicks=2)
        self.assertEqual([text for _, _, _, text in settings], ["2026-01-01 16:00:00", "2026-01-02 17:30:00"])
        self.assertEqual(len(requests), 2, requests)
        for request in requests:
            self.assert_default_head_request(request)


if __name__ == "__main__":
    harness.main()
