#!/usr/bin/python3
"""The "恢复现行时间" button of the Windows program end to end, under Wine, seen from outside.

The built clocktool.exe runs with its own default time source, "http://www.baidu.com/".
The whole test (Xvfb, the wineserver of the test prefix, Wine's services, the program, the
probe and a small time server) runs in a network and mount namespace the test makes for
itself (root only): loopback is its only interface, and a bind-mounted /etc/hosts maps
www.baidu.com to 127.0.0.1, where tests/e2e/posix/time_server.py answers on port 80 and
logs each request. Wine refuses to set the clock (the test runs without CAP_SYS_TIME) and
logs each request on its sync err channel: "not allowed: difference N ms".

Observed only from outside: the server's request log, that Wine log, the probe (windows and
the text of the error box) and the exit codes.
"""
import datetime
import email.utils
import json
import os
import shutil
import socket
import subprocess
import sys
import time
import unittest
import zoneinfo

import e2e_support
from e2e_support import TITLE, WineSession
from test_window import BUTTONS, HostClock, near_32bit

TIME_SOURCE_HOST = "www.baidu.com"   # the host of the program's default time source
USER_AGENT = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"
TIME_SERVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "posix", "time_server.py")

ERROR_CAPTION = "\u9519\u8bef"   # 错误
# 运行时出错! ... 错误信息：无法找到指定DLL库文件“wininet.dll”中的输出命令“InternetTimeToSystemTime”
CANNOT_BIND_BOX = ("\u8fd0\u884c\u65f6\u51fa\u9519!\r\n"
                   "\r\n\u9519\u8bef\u4fe1\u606f\uff1a"
                   "\u65e0\u6cd5\u627e\u5230\u6307\u5b9aDLL\u5e93\u6587\u4ef6\u201cwininet.dll\u201d"
                   "\u4e2d\u7684\u8f93\u51fa\u547d\u4ee4\u201cInternetTimeToSystemTime\u201d\r\n"
                   "\r\n0, 0\r\n")
IDOK = 1
# ExitProcess(-1): Wine hands the low byte of the 32-bit exit code to its Unix parent.
FATAL_EXIT_STATUS = 0xFFFFFFFF & 0xFF
WINE_OVERRIDES_KEY = r"HKCU\Software\Wine\DllOverrides"

CAP_SYS_TIME = e2e_support.CAP_SYS_TIME
SLACK_MS = 60_000
WAIT_SECONDS = 30


# --- the namespace ---------------------------------------------------------------------

NAMESPACE_MARK = "CLOCKTOOL_RESTORE_OUTER_NETNS"   # set inside: the network namespace left behind
_NAMESPACE_SETUP = r'''
set -e
ip link set lo up
mount --bind "$1" /etc/hosts
shift
exec "$@"
'''


def net_namespace(pid="self"):
    return os.readlink(f"/proc/{pid}/ns/net")


def enter_namespace():
    """Re-runs this script in new network and mount namespaces (loopback up, our hosts
    file over /etc/hosts). Without root the tests skip; without the build folder they skip
    through e2e_support.setting."""
    build_dir = os.environ.get("CLOCKTOOL_BUILD_DIR")
    if os.environ.get(NAMESPACE_MARK) or os.geteuid() != 0 or not build_dir:
        return
    directory = os.path.join(build_dir, "e2e", "restore")
    os.makedirs(directory, exist_ok=True)
    hosts = os.path.join(directory, "hosts")
    with open(hosts, "w") as f:
        f.write(f"127.0.0.1 localhost\n::1 localhost\n127.0.0.1 {TIME_SOURCE_HOST}\n")
    os.environ[NAMESPACE_MARK] = net_namespace()
    command = ["unshare", "--net", "--mount", "--propagation", "private", "--",
               "/bin/sh", "-c", _NAMESPACE_SETUP, "namespace-setup", hosts, sys.executable] + sys.argv
    try:
        os.execvp("unshare", command)
    except OSError as error:
        sys.exit(f"cannot make the network namespace ({error}); not running the program")


def check_namespace():
    """Stops the run unless this process is in the namespace enter_namespace asked for."""
    outer = os.environ.get(NAMESPACE_MARK)
    if not outer:
        return   # not root or not under ctest: every test skips
    problems = []
    if net_namespace() == outer:
        problems.append("still in the machine's network namespace")
    interfaces = sorted(name for _, name in socket.if_nameindex())
    if interfaces != ["lo"]:
        problems.append(f"interfaces besides loopback: {interfaces}")
    try:
        address = socket.gethostbyname(TIME_SOURCE_HOST)
    except OSError as error:
        address = str(error)
    if address != "127.0.0.1":
        problems.append(f"{TIME_SOURCE_HOST} resolves to {address}")
    if e2e_support.sys_time_held():
        problems.append("CAP_SYS_TIME is held")
    if problems:
        sys.exit("not running the program: " + "; ".join(problems))


def in_namespace():
    return bool(os.environ.get(NAMESPACE_MARK))


def holds_sys_time(pid):
    with open(f"/proc/{pid}/status") as f:
        fields = dict(line.split(":", 1) for line in f if ":" in line)
    return any((int(fields[name].strip(), 16) >> CAP_SYS_TIME) & 1 for name in ("CapBnd", "CapEff"))


def wineservers(prefix):
    """PIDs of the running wineservers of `prefix` (found by the WINEPREFIX they were started with)."""
    pids = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/comm") as f:
                if not f.read().startswith("wineserver"):
                    continue
            with open(f"/proc/{entry}/environ", "rb") as f:
                environment = f.read().split(b"\0")
        except OSError:
            continue
        if f"WINEPREFIX={prefix}".encode() in environment:
            pids.append(int(entry))
    return pids


# --- the time server ---------------------------------------------------------------------

class TimeServer:
    """time_server.py on 127.0.0.1:80 of the test's namespace, answering with `headers`."""

    def __init__(self, directory, headers):
        self.directory = os.path.join(directory, f"server-{time.monotonic_ns()}")
        os.makedirs(self.directory)
        self.config = {"headers": headers, "listen": True, "lifetime": 300,
                       "log": os.path.join(self.directory, "requests.jsonl"),
                       "ready": os.path.join(self.directory, "ready"),
                       "pid": os.path.join(self.directory, "pid")}
        self.proc = None

    def __enter__(self):
        config = os.path.join(self.directory, "server.json")
        with open(config, "w") as f:
            json.dump(self.config, f)
        self.proc = subprocess.Popen([sys.executable, TIME_SERVER, config], stdin=subprocess.DEVNULL,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + WAIT_SECONDS
        while not os.path.exists(self.config["ready"]):
            if self.proc.poll() is not None or time.monotonic() > deadline:
                self.stop()
                raise RuntimeError("the time server did not start")
            time.sleep(0.05)
        return self

    def __exit__(self, *exc):
        self.stop()

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait(timeout=30)

    def requests(self):
        try:
            with open(self.config["log"]) as f:
                return [json.loads(line) for line in f if line.strip()]
        except FileNotFoundError:
            return []

    def wait_for_requests(self, count=1):
        deadline = time.monotonic() + WAIT_SECONDS
        while len(self.requests()) < count and time.monotonic() < deadline:
            time.sleep(0.1)
        return self.requests()


# --- expectations ------------------------------------------------------------------------

def http_date(moment):
    return email.utils.format_datetime(moment.astimezone(datetime.timezone.utc), usegmt=True)


def difference_ms(local, tz):
    """What Wine logs for a request to set the local wall time `local` (naive) in `tz`, now."""
    target = local.replace(tzinfo=zoneinfo.ZoneInfo(tz)).timestamp()
    ms = int((target - time.time()) * 1000)
    return ((ms + 2**31) % 2**32) - 2**31


FUTURE_MOMENT = datetime.datetime(2077, 7, 7, 7, 7, 7)


# --- the tests ---------------------------------------------------------------------------

@unittest.skipUnless(in_namespace(), "needs root for a network and mount namespace of its own")
class Restore(unittest.TestCase):
    """Under a Western locale in UTC: the program's local time is GMT there."""
    screen, lang, tz = (1920, 1080), "en_US.UTF-8", "UTC"

    @classmethod
    def setUpClass(cls):
        cls.clock = HostClock()
        cls.session = WineSession(cls.screen, cls.lang, cls.tz)
        try:
            others = [pid for pid in wineservers(cls.session.prefix) if net_namespace(pid) != net_namespace()]
            if others:
                raise RuntimeError(f"a wineserver of {cls.session.prefix} runs outside the test's namespace: {others}")
            cls.session.start()
            servers = wineservers(cls.session.prefix)
            if not servers:
                raise RuntimeError("found no wineserver for the test prefix")
            for pid in servers:
                if net_namespace(pid) != net_namespace() or holds_sys_time(pid):
                    raise RuntimeError(f"the wineserver {pid} is outside the namespace or holds CAP_SYS_TIME")
        except BaseException:
            cls.session.stop()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.session.stop()

    def tearDown(self):
        self.session.stop_app()
        self.assertLess(self.clock.moved_seconds(), 5, "the host clock moved")

    # Steps ---------------------------------------------------------------------------

    def start_app(self, program=None):
        info = self.session.start_app(program)
        pid = self.session.app.pid
        if holds_sys_time(pid) or net_namespace(pid) != net_namespace():
            self.session.stop_app()
            self.fail("the program holds CAP_SYS_TIME or left the namespace; stopped it")
        self.assertTrue(info["found"] and info["visible"], info)
        return info

    def click(self, button):
        x, y, w, h = BUTTONS[button][1]
        self.assertEqual(self.session.probe("click", TITLE, str(x + w // 2), str(y + h // 2))["sent"], 2)

    def click_restore(self):
        self.click(1)

    def close_with_escape(self):
        """Ends the program with Esc. Its message loop takes the quit only after the click
        handler has returned, so once it has exited every clock request is in Wine's log."""
        self.assertGreater(self.session.probe("key", TITLE, "esc")["sent"], 0)
        self.assertTrue(self.session.probe("gone", TITLE, "10000")["gone"], "the window is still open")
        self.assertEqual(self.session.app_exit_code(), 0, self.session.log_text())

    def wait_for_clock_requests(self, count):
        deadline = time.monotonic() + WAIT_SECONDS
        while len(self.session.clock_requests()) < count and time.monotonic() < deadline:
            time.sleep(0.1)
        return self.session.clock_requests()

    def assertAskedFor(self, logged, local):
        expected = difference_ms(local, self.tz)
        self.assertTrue(near_32bit(logged, expected),
                        f"Wine was asked for {logged} ms, expected about {expected} ms ({local} {self.tz})")

    # Tests ---------------------------------------------------------------------------

    def test_click_sends_one_head_request_with_the_default_headers(self):
        with TimeServer(self.session.logs, [f"Date: {http_date(datetime.datetime.now(datetime.timezone.utc))}"]) as server:
            self.start_app()
            self.click_restore()
            self.assertEqual(len(server.wait_for_requests(1)), 1, self.session.log_text())
            self.close_with_escape()
            requests = server.requests()
        self.assertEqual(len(requests), 1, requests)
        request = requests[0]
        self.assertEqual((request["method"], request["target"]), ("HEAD", "/"))
        headers = {}
        for name, value in request["headers"]:
            headers.setdefault(name.lower(), []).append(value)
        self.assertEqual(headers.get("host"), [TIME_SOURCE_HOST])
        self.assertEqual(headers.get("accept"), ["*/*"])
        self.assertEqual(headers.get("referer"), [f"http://{TIME_SOURCE_HOST}/"])
        self.assertEqual(headers.get("accept-language"), ["zh-cn"])
        self.assertEqual(headers.get("user-agent"), [USER_AGENT])
        self.assertNotIn("cookie", headers)

    def test_a_valid_date_asks_for_that_date_plus_eight_hours_as_local_time(self):
        # A day in the past, so that the request is far from now and from the moment itself.
        served = (datetime.datetime.now(datetime.timezone.utc) - datetime.timedelta(days=1)).replace(microsecond=0)
        with TimeServer(self.session.logs, [f"Date: {http_date(served)}", "Server: test"]) as server:
            self.start_app()
            self.click_restore()
            self.assertEqual(len(server.wait_for_requests(1)), 1)
            self.wait_for_clock_requests(1)
            self.close_with_escape()
        requests = self.session.clock_requests()
        self.assertEqual(len(requests), 1, self.session.log_text())
        self.assertAskedFor(requests[0], served.replace(tzinfo=None) + datetime.timedelta(hours=8))

    def test_an_answer_without_a_readable_date_asks_for_nothing(self):
        cases = [
            ("no Date line", ["Server: test"]),
            ("a Date nobody can read", ["Date: tomorrow"]),
            ("the name in small letters", [f"date: {http_date(datetime.datetime.now(datetime.timezone.utc))}"]),
        ]
        for name, headers in cases:
            with self.subTest(name), TimeServer(self.session.logs, headers) as server:
                self.start_app()
                self.click_restore()
                self.assertEqual(len(server.wait_for_requests(1)), 1, self.session.log_text())
                time.sleep(1)   # the handler ends right after the answer; then look at the window
                info = self.session.probe("info", TITLE)
                self.assertTrue(info["found"] and info["visible"], "the window is gone")
                self.assertIsNone(self.session.app_exit_code(timeout=0.5), "the program ended")
                self.close_with_escape()
                self.assertEqual(self.session.clock_requests(), [], self.session.log_text())
                self.assertEqual(len(server.requests()), 1)

    def test_a_wininet_without_the_parser_stops_the_program_at_the_first_restore(self):
        # The program's copy with a wininet.dll beside it that lacks InternetTimeToSystemTime;
        # Wine prefers its own wininet unless the test prefix says otherwise.
        directory = os.path.join(self.session.logs, "own-wininet")
        os.makedirs(directory, exist_ok=True)
        program = shutil.copy(self.session.program, directory)
        shutil.copy(os.path.join(self.session.build_dir, "bin", "bindtest", "without-function", "wininet.dll"), directory)
        self.wine_reg("add", WINE_OVERRIDES_KEY, "/v", "wininet", "/t", "REG_SZ", "/d", "native,builtin", "/f")
        self.addCleanup(self.wine_reg, "delete", WINE_OVERRIDES_KEY, "/v", "wininet", "/f")

        with TimeServer(self.session.logs, [f"Date: {http_date(datetime.datetime.now(datetime.timezone.utc))}"]) as server:
            self.start_app(program)
            self.click(0)   # 2077年 needs no wininet
            future = self.wait_for_clock_requests(1)
            self.assertEqual(len(future), 1, self.session.log_text())
            self.assertAskedFor(future[0], FUTURE_MOMENT)

            self.click_restore()
            box = self.session.probe("info", ERROR_CAPTION, "30000", timeout=60)
            self.assertTrue(box.get("found"), f"no error box; Wine said:\n{self.session.log_text()}")
            self.assertEqual(box["title"], ERROR_CAPTION)
            self.assertFalse(box["owner"], "the box has an owner window")
            texts = [child["text"] for child in box["children"] if child["class"].upper() == "STATIC"]
            self.assertIn(CANNOT_BIND_BOX, texts)
            self.assertEqual(self.session.app_exit_code(timeout=0.5), None, "ended before the box was closed")

            self.assertTrue(self.session.probe("press", ERROR_CAPTION, str(IDOK))["pressed"])
            self.assertEqual(self.session.app_exit_code(), FATAL_EXIT_STATUS, self.session.log_text())
            self.assertTrue(self.session.probe("gone", TITLE, "10000")["gone"], "the window is still open")
            self.assertEqual(len(server.requests()), 1, "the request is made before the parser is bound")
        self.assertEqual(len(self.session.clock_requests()), 1, self.session.log_text())

    def wine_reg(self, *args):
        subprocess.run(["wine", "reg", *args], env=self.session.env, timeout=60, check=True,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class RestoreChinaTime(Restore):
    """Under a Chinese locale in Asia/Shanghai, eight hours from UTC: Date + 8 h is the true local time."""
    lang, tz = "zh_CN.UTF-8", "Asia/Shanghai"


if __name__ == "__main__":
    e2e_support.drop_sys_time()
    enter_namespace()
    check_namespace()
    e2e_support.main("e2e_win32_restore")
