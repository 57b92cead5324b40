"""Shared helpers of the Linux end-to-end tests (Python 3 standard library only).

The tests drive the built program from outside and observe it from outside:
- an X server of their own (Xvfb on a high display number nobody else holds),
  without a window manager, queried with xdotool, xwininfo and xprop;
- the program started without the right to set the clock: setpriv drops CAP_SYS_TIME
  from the bounding and inheritable sets, a shell checks that bit 25 is clear in CapBnd
  and CapEff before it execs the program (fail closed), and the harness checks the
  program's own /proc status once more;
- the clock recorder preloaded (LD_PRELOAD), which records each attempt to set the clock
  in a file (CLOCK_RECORD) and never sets it;
- as root, a network namespace of its own with only loopback, so that nothing the
  program does can reach a server outside this machine;
- exit codes. Every wait is bounded; every process is ended by its PID.

Usage: python3 test_x.py BIN_DIR. With CLOCKTOOL_TEST_RESULTS set, each script also
writes a JUnit-style report (<testsuite tests= failures= errors=>) into that directory.
"""

import os
import random
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import xml.etree.ElementTree as ET

WINDOW_TITLE = "BrindlecoveOsk_Velmar"
CAP_SYS_TIME_BIT = 25
DEFAULT_TIMEOUT = 10.0

# Client coordinates of the two buttons: (left, top, width, height).
BUTTON_2077 = (72, 56, 192, 32)     # 按钮2 "2077年"
BUTTON_RESTORE = (72, 112, 192, 32)  # 按钮1 "恢复现行时间"

BIN_DIR = None  # set by main() from the command line


def wait_until(predicate, timeout=DEFAULT_TIMEOUT, interval=0.05, what="condition"):
    """Polls predicate() until it returns a true value (returned), or raises after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise TimeoutError(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)


def stop_process(proc, timeout=5.0):
    """Ends a process this harness started, by its PID: SIGTERM, then SIGKILL."""
    if proc is None or proc.poll() is not None:
        return
    try:
        proc.send_signal(signal.SIGTERM)
        proc.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait(timeout=timeout)


class XServer:
    """An Xvfb of its own at the given screen size, on a display number nobody else uses.

    A program in a network namespace of its own reaches the X server only through the
    socket file /tmp/.X11-unix/X<n>, and an Xvfb started in another network namespace
    that picks the same number (-displayfd alone picks the lowest, usually 0) replaces
    that file. So the number is drawn from a high range, is skipped when its socket file
    exists, and is taken only if the server can claim it; -displayfd reports readiness."""

    DISPLAY_RANGE = range(200, 1000)
    ATTEMPTS = 20

    def __init__(self, width=1920, height=1080):
        self.width, self.height = width, height
        self.proc = None
        self.display = None

    def start(self):
        if not shutil.which("Xvfb"):
            raise RuntimeError("Xvfb is not installed")
        for number in random.sample(self.DISPLAY_RANGE, self.ATTEMPTS):
            if os.path.exists(f"/tmp/.X11-unix/X{number}") or os.path.exists(f"/tmp/.X{number}-lock"):
                continue
            if self._start_on(number):
                self.display = f":{number}"
                return self
        raise RuntimeError(f"Xvfb did not start on any of {self.ATTEMPTS} display numbers")

    def _start_on(self, number):
        """Starts Xvfb on display `number`; False (and nothing left running) when it cannot."""
        read_fd, write_fd = os.pipe()
        try:
            self.proc = subprocess.Popen(
                ["Xvfb", f":{number}", "-displayfd", str(write_fd), "-screen", "0",
                 f"{self.width}x{self.height}x24", "-nolisten", "tcp", "-noreset"],
                pass_fds=(write_fd,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL)
            os.close(write_fd)
            write_fd = None
            reported = b""
            deadline = time.monotonic() + DEFAULT_TIMEOUT
            while not reported.endswith(b"\n"):
                remaining = deadline - time.monotonic()
                if remaining <= 0:
                    raise RuntimeError("Xvfb did not start")
                ready, _, _ = select.select([read_fd], [], [], remaining)
                if ready:
                    chunk = os.read(read_fd, 16)
                    if not chunk:   # it ended: the number is taken
                        self.stop()
                        return False
                    reported += chunk
            if reported.strip() != str(number).encode():
                raise RuntimeError(f"Xvfb reported display {reported!r}, not {number}")
            return True
        except BaseException:
            self.stop()
            raise
        finally:
            os.close(read_fd)
            if write_fd is not None:
                os.close(write_fd)

    def stop(self):
        stop_process(self.proc)
        self.proc = None

    def env(self):
        return {"DISPLAY": self.display, "PATH": os.environ.get("PATH", "/usr/bin:/bin")}

    def run(self, *command, timeout=DEFAULT_TIMEOUT, check=True):
        """Runs an X client (xdotool, xwininfo, xprop...) on this display; returns its stdout."""
        result = subprocess.run(list(command), env=self.env(), capture_output=True, text=True, timeout=timeout)
        if check and result.returncode != 0:
            raise RuntimeError(f"{command[0]} failed ({result.returncode}): {result.stderr.strip()}")
        return result.stdout

    def screenshot(self, path):
        self.run("import", "-window", "root", path, timeout=30)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()


# The shell between setpriv and the program: it refuses to start the program unless
# CAP_SYS_TIME is gone from the bounding and the effective set (fail closed).
_CAPABILITY_GUARD = r'''
for set in CapBnd CapEff; do
  hex=$(sed -n "s/^$set:[[:space:]]*//p" /proc/self/status)
  [ -n "$hex" ] || { echo "harness: cannot read $set" >&2; exit 97; }
  if [ $(( (0x$hex >> 25) & 1 )) -ne 0 ]; then
    echo "harness: CAP_SYS_TIME still held ($set=$hex); not starting the program" >&2; exit 97
  fi
done
[ "$ISOLATED" = 1 ] && ip link set lo up 2>/dev/null
unset ISOLATED
exec "$@"
'''


class OneXServerTestCase(unittest.TestCase):
    """Test cases that share one Xvfb (self.x), started before the first and stopped after the last."""

    @classmethod
    def setUpClass(cls):
        cls.x = XServer().start()

    @classmethod
    def tearDownClass(cls):
        cls.x.stop()


def capability_bit_clear(pid, bit=CAP_SYS_TIME_BIT):
    """True when the capability bit is clear in the process's CapBnd and CapEff."""
    with open(f"/proc/{pid}/status") as status:
        fields = dict(line.split(":", 1) for line in status if ":" in line)
    return all(not (int(fields[name].strip(), 16) >> bit) & 1 for name in ("CapBnd", "CapEff"))


class App:
    """The program started on an X server, without CAP_SYS_TIME, with the clock recorder."""

    def __init__(self, xserver, program=None, tz="UTC", isolate_network=True):
        self.xserver = xserver
        self.program = program or os.path.join(BIN_DIR, "clocktool")
        self.tz = tz
        self.isolate_network = isolate_network and os.geteuid() == 0
        self.proc = None
        self.window = None
        self.workdir = tempfile.mkdtemp(prefix="clocktool-e2e-")
        self.record_path = os.path.join(self.workdir, "clock-record.txt")
        self.stderr_path = os.path.join(self.workdir, "stderr.txt")

    def start(self):
        recorder = os.path.join(BIN_DIR, "clock_recorder.so")
        if not os.path.exists(recorder):
            recorder = os.path.join(BIN_DIR, "libclock_recorder.so")
        env = self.xserver.env()
        env.update({"TZ": self.tz, "LD_PRELOAD": recorder, "CLOCK_RECORD": self.record_path,
                    "ISOLATED": "1" if self.isolate_network else "0"})
        command = ["setpriv", "--bounding-set=-sys_time", "--inh-caps=-sys_time", "--",
                   "/bin/sh", "-c", _CAPABILITY_GUARD, "capability-guard", self.program]
        if self.isolate_network:
            command = ["unshare", "--net", "--"] + command
        with open(self.stderr_path, "wb") as stderr:
            # unshare, setpriv and the shell each exec the next: the PID is the program's.
            self.proc = subprocess.Popen(command, env=env, cwd=self.workdir, stdin=subprocess.DEVNULL,
                                         stdout=subprocess.DEVNULL, stderr=stderr)
        try:
            self.window = wait_until(self._find_window, what=f"the window '{WINDOW_TITLE}'")
            if not capability_bit_clear(self.proc.pid):
                raise RuntimeError("the program holds CAP_SYS_TIME; stopped it")
        except BaseException:
            self.stop()
            raise
        return self

    def _find_window(self):
        if self.proc.poll() is not None:
            raise RuntimeError(f"the program ended with {self.proc.returncode} before its window appeared: "
                               + self.stderr())
        out = self.xserver.run("xdotool", "search", "--onlyvisible", "--name", f"^{WINDOW_TITLE}$", check=False)
        ids = out.split()
        return ids[0] if ids else None

    def stderr(self):
        try:
            with open(self.stderr_path, errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    # --- observing ---

    def geometry(self):
        """(left, top, width, height) of the window on the screen."""
        out = self.xserver.run("xwininfo", "-id", self.window)
        value = lambda label: int(re.search(rf"{label}:\s*(-?\d+)", out).group(1))
        return (value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"), value("Height"))

    def property(self, name):
        return self.xserver.run("xprop", "-id", self.window, name)

    def records(self):
        """The recorder's lines, as (call, seconds since the epoch, local time text) tuples."""
        try:
            with open(self.record_path) as f:
                lines = f.read().splitlines()
        except FileNotFoundError:
            return []
        records = []
        for line in lines:
            call, seconds, _nanos, local = line.split(" ", 3)
            records.append((call, int(seconds), local))
        return records

    def is_running(self):
        return self.proc.poll() is None

    # --- driving ---

    def focus(self):
        self.xserver.run("xdotool", "windowfocus", "--sync", self.window)

    def keys(self, *keys):
        self.focus()
        self.xserver.run("xdotool", "key", "--delay", "40", *keys)

    def hold_key(self, key, seconds):
        """Holds a key down for a while (long enough for the server to repeat it)."""
        self.focus()
        self.xserver.run("xdotool", "keydown", key)
        time.sleep(seconds)
        self.xserver.run("xdotool", "keyup", key)

    def click(self, button_rect):
        left, top, width, height = button_rect
        self.xserver.run("xdotool", "mousemove", "--window", self.window, str(left + width // 2),
                         str(top + height // 2), "click", "1")

    def close_request(self):
        """WM_DELETE_WINDOW, as a window manager sends it for the close box."""
        subprocess.run([os.path.join(BIN_DIR, "close_request"), self.window], env=self.xserver.env(),
                       check=True, timeout=DEFAULT_TIMEOUT)

    def wait_exit(self, timeout=DEFAULT_TIMEOUT):
        """The exit code, once the program has ended by itself."""
        return self.proc.wait(timeout=timeout)

    def stop(self):
        stop_process(self.proc)

    def cleanup(self):
        self.stop()
        shutil.rmtree(self.workdir, ignore_errors=True)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.cleanup()


# --- running a script and its JUnit-style report ---

class _RecordingResult(unittest.TextTestResult):
    def __init__(self, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self.cases = []  # (test id, seconds, kind or None, text)
        self._started = {}

    def startTest(self, test):
        self._started[test.id()] = time.monotonic()
        super().startTest(test)

    def _finish(self, test, kind=None, text=""):
        seconds = time.monotonic() - self._started.get(test.id(), time.monotonic())
        self.cases.append((test.id(), seconds, kind, text))

    def addSuccess(self, test):
        super().addSuccess(test)
        self._finish(test)

    def addFailure(self, test, err):
        super().addFailure(test, err)
        self._finish(test, "failure", self._exc_info_to_string(err, test))

    def addError(self, test, err):
        super().addError(test, err)
        self._finish(test, "error", self._exc_info_to_string(err, test))

    def addSkip(self, test, reason):
        super().addSkip(test, reason)
        self._finish(test, "skipped", reason)

    def addSubTest(self, test, subtest, err):
        super().addSubTest(test, subtest, err)
        if err is not None:
            kind = "failure" if issubclass(err[0], test.failureException) else "error"
            self._started.setdefault(subtest.id(), self._started.get(test.id(), time.monotonic()))
            self._finish(subtest, kind, self._exc_info_to_string(err, test))


def _write_report(name, result):
    directory = os.environ.get("CLOCKTOOL_TEST_RESULTS")
    if not directory:
        return
    os.makedirs(directory, exist_ok=True)
    cases = result.cases
    suite = ET.Element("testsuite", name=name, tests=str(len(cases)),
                       failures=str(sum(1 for c in cases if c[2] == "failure")),
                       errors=str(sum(1 for c in cases if c[2] == "error")),
                       skipped=str(sum(1 for c in cases if c[2] == "skipped")))
    for test_id, seconds, kind, text in cases:
        classname, _, test_name = test_id.partition(" ")[0].rpartition(".")
        if " " in test_id:
            test_name += " " + test_id.partition(" ")[2]
        case = ET.SubElement(suite, "testcase", classname=classname, name=test_name, time=f"{seconds:.3f}")
        if kind:
            ET.SubElement(case, kind, message=text.strip().splitlines()[-1] if text.strip() else kind).text = text
    ET.ElementTree(suite).write(os.path.join(directory, name + ".xml"), encoding="utf-8", xml_declaration=True)


def main():
    """Runs the calling script's tests: python3 test_x.py BIN_DIR [unittest arguments]."""
    global BIN_DIR
    if len(sys.argv) < 2 or not os.path.isdir(sys.argv[1]):
        print("usage: test_x.py BIN_DIR", file=sys.stderr)
        sys.exit(2)
    BIN_DIR = os.path.abspath(sys.argv[1])
    name = os.path.splitext(os.path.basename(sys.modules["__main__"].__file__))[0]
    suite = unittest.defaultTestLoader.loadTestsFromModule(sys.modules["__main__"])
    if len(sys.argv) > 2:
        suite = unittest.defaultTestLoader.loadTestsFromNames(sys.argv[2:], sys.modules["__main__"])
    runner = unittest.TextTestRunner(resultclass=_RecordingResult, verbosity=2)
    result = runner.run(suite)
    _write_report("e2e_" + name, result)
    sys.exit(0 if result.wasSuccessful() else 1)
