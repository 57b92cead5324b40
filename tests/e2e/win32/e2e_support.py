"""Support for the Windows end-to-end tests: the CAP_SYS_TIME guard, a JUnit-style
report, and a Wine session (its own Xvfb, prefix and wineserver) in which the program
and the probe run.

Only processes started here are ever stopped, by their own PIDs (and the session's own
wineserver with `wineserver -k` for its prefix).
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import xml.etree.ElementTree as ET

CAP_SYS_TIME = 25
TITLE = "BrindlecoveOsk_Velmar"


# --- the clock guard ---------------------------------------------------------------

def sys_time_held():
    """True when CAP_SYS_TIME is in this process's bounding or effective set."""
    with open("/proc/self/status") as f:
        fields = dict(line.split(":", 1) for line in f if ":" in line)
    return any((int(fields[name].strip(), 16) >> CAP_SYS_TIME) & 1 for name in ("CapBnd", "CapEff"))


def drop_sys_time():
    """Re-runs this script without CAP_SYS_TIME (inherited by Xvfb, Wine and the program);
    refuses to go on if it is still held afterwards."""
    if not sys_time_held():
        return
    if os.environ.get("CLOCKTOOL_SYS_TIME_DROPPED"):
        sys.exit("CAP_SYS_TIME is still held after dropping it; not running the program")
    os.environ["CLOCKTOOL_SYS_TIME_DROPPED"] = "1"
    argv = ["setpriv", "--bounding-set=-sys_time", "--inh-caps=-sys_time", "--", sys.executable] + sys.argv
    try:
        os.execvp("setpriv", argv)
    except OSError as error:
        sys.exit(f"cannot drop CAP_SYS_TIME ({error}); not running the program")


# --- the report ----------------------------------------------------------------------

class RecordingResult(unittest.TextTestResult):
    """Keeps every test's outcome, passed ones included, for the report."""

    def __init__(self, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self.outcomes = []   # (test id, kind, detail, seconds)
        self._started = {}

    def startTest(self, test):
        self._started[test.id()] = time.monotonic()
        super().startTest(test)

    def _record(self, test, kind, detail=""):
        seconds = time.monotonic() - self._started.get(test.id(), time.monotonic())
        self.outcomes.append((test.id(), kind, detail, seconds))

    def addSuccess(self, test):
        super().addSuccess(test)
        self._record(test, "passed")

    def addFailure(self, test, err):
        super().addFailure(test, err)
        self._record(test, "failure", self._exc_info_to_string(err, test))

    def addError(self, test, err):
        super().addError(test, err)
        self._record(test, "error", self._exc_info_to_string(err, test))

    def addSkip(self, test, reason):
        super().addSkip(test, reason)
        self._record(test, "skipped", reason)


def write_report(name, result):
    directory = os.environ.get("CLOCKTOOL_TEST_RESULTS")
    if not directory:
        return
    count = lambda kind: sum(1 for o in result.outcomes if o[1] == kind)
    suite = ET.Element("testsuite", name=name, tests=str(len(result.outcomes)), failures=str(count("failure")),
                       errors=str(count("error")), skipped=str(count("skipped")))
    for test_id, kind, detail, seconds in result.outcomes:
        classname, _, test_name = test_id.rpartition(".")
        case = ET.SubElement(suite, "testcase", classname=classname, name=test_name, time=f"{seconds:.3f}")
        if kind != "passed":
            ET.SubElement(case, kind, message=detail.splitlines()[-1] if detail else kind).text = detail
    os.makedirs(directory, exist_ok=True)
    ET.ElementTree(suite).write(os.path.join(directory, f"{name}.xml"), encoding="utf-8", xml_declaration=True)


def main(name):
    """Runs the calling module's tests without CAP_SYS_TIME and writes the report."""
    drop_sys_time()
    module = sys.modules["__main__"]
    loader = unittest.defaultTestLoader
    suite = loader.loadTestsFromNames(sys.argv[1:], module) if sys.argv[1:] else loader.loadTestsFromModule(module)
    runner = unittest.TextTestRunner(resultclass=RecordingResult, verbosity=2)
    result = runner.run(suite)
    write_report(name, result)
    sys.exit(0 if result.wasSuccessful() else 1)


# --- paths given by CMake ------------------------------------------------------------

def setting(name):
    value = os.environ.get(name)
    if not value:
        raise unittest.SkipTest(f"{name} is not set (run through ctest)")
    return value


# --- locales -------------------------------------------------------------------------

def locale_path(build_dir, name):
    """A directory holding the compiled locale `name` (e.g. zh_CN.UTF-8), built with
    localedef into the build folder when the system lacks it. None when it cannot be had."""
    system = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.split()
    wanted = name.lower().replace("utf-8", "utf8")
    if any(entry.lower() == wanted for entry in system):
        return ""
    directory = os.path.join(build_dir, "e2e", "locale")
    if os.path.isdir(os.path.join(directory, name)):
        return directory
    os.makedirs(directory, exist_ok=True)
    source, charset = name.split(".")
    made = subprocess.run(["localedef", "-i", source, "-f", charset, os.path.join(directory, name)],
                          capture_output=True, text=True, timeout=120)
    return directory if os.path.isdir(os.path.join(directory, name)) else None


# --- the Wine session ----------------------------------------------------------------

class WineSession:
    """A private X screen, a Wine prefix under the build folder and its wineserver."""

    def __init__(self, screen=(1920, 1080), lang="en_US.UTF-8", tz="UTC"):
        self.source_dir = setting("CLOCKTOOL_SOURCE_DIR")
        self.build_dir = setting("CLOCKTOOL_BUILD_DIR")
        self.program = os.path.join(self.build_dir, "bin", "clocktool.exe")
        self.probe_program = os.path.join(self.build_dir, "e2e", "clocktool_probe.exe")
        self.prefix = os.path.join(self.build_dir, "e2e", "wineprefix")
        self.screen, self.lang, self.tz = screen, lang, tz
        self.xvfb = None
        self.app = None
        self.app_log = None
        self.logs = tempfile.mkdtemp(prefix="clocktool-e2e-")
        self.env = None

    def start(self):
        for tool in ("Xvfb", "wine", "wineserver", "xdotool"):
            if not shutil.which(tool):
                raise RuntimeError(f"{tool} is missing (tools/install-deps)")
        locales = locale_path(self.build_dir, self.lang)
        if locales is None:
            raise unittest.SkipTest(f"the locale {self.lang} cannot be made here")
        read_fd, write_fd = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", f"{self.screen[0]}x{self.screen[1]}x24",
             "-nolisten", "tcp"], pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as pipe:
            display = pipe.readline().strip()
        if not display:
            raise RuntimeError("Xvfb did not start")
        env = dict(os.environ)
        env.update(DISPLAY=f":{display}", WINEPREFIX=self.prefix, LANG=self.lang, LC_ALL=self.lang, TZ=self.tz,
                   WINEDEBUG="-all,err+sync", WINEDLLOVERRIDES="mscoree,mshtml=")
        if locales:
            env["LOCPATH"] = locales
        self.env = env
        subprocess.run([os.path.join(self.source_dir, "tools", "wine-prefix"), self.prefix], env=env,
                       check=True, timeout=300, stdin=subprocess.DEVNULL)
        # Start the server and Wine's own services now, away from any pipe of ours: a service
        # started by a later command would hold its output open.
        subprocess.run(["wineserver", "-p"], env=env, timeout=60, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wine", "wineboot"], env=env, timeout=300, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return self

    def stop(self):
        self.stop_app()
        if self.env:
            subprocess.run(["wineserver", "-k"], env=self.env, timeout=60, stderr=subprocess.DEVNULL)
            subprocess.run(["wineserver", "-w"], env=self.env, timeout=60, stderr=subprocess.DEVNULL)
        if self.xvfb:
            self.xvfb.kill()
            self.xvfb.wait(timeout=30)
        shutil.rmtree(self.logs, ignore_errors=True)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    # The program -----------------------------------------------------------------

    def start_app(self, program=None):
        """Starts clocktool.exe (the built one, or a copy at `program`) and waits until its
        window is shown; returns the probe's view."""
        self.stop_app()
        self.app_log = os.path.join(self.logs, f"app-{time.monotonic_ns()}.log")
        with open(self.app_log, "wb") as log:
            self.app = subprocess.Popen(["wine", program or self.program], env=self.env, stdin=subprocess.DEVNULL,
                                        stdout=log, stderr=log, cwd=self.logs)
        info = self.probe("info", TITLE, "60000", timeout=90)
        if not info.get("found"):
            raise AssertionError(f"the window did not appear; Wine said:\n{self.log_text()}")
        return info

    def app_exit_code(self, timeout=30):
        """The program's exit code once it has ended (None if it is still running)."""
        try:
            return self.app.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def stop_app(self):
        if self.app and self.app.poll() is None:
            self.app.kill()
            self.app.wait(timeout=30)
        self.app = None

    def log_text(self):
        with open(self.app_log, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def clock_requests(self):
        """The clock changes Wine refused, as the logged differences in milliseconds."""
        return [int(n) for n in re.findall(r"err:sync:\w+ not allowed: difference (-?\d+) ms", self.log_text())]

    # Looking from outside ------------------------------------------------------

    def probe(self, *args, timeout=30):
        # Output to a file, not a pipe: nothing that Wine leaves running can hold it open.
        with tempfile.TemporaryFile(dir=self.logs) as out:
            subprocess.run(["wine", self.probe_program, *args], env=self.env, stdout=out,
                           stderr=subprocess.STDOUT, timeout=timeout, stdin=subprocess.DEVNULL)
            out.seek(0)
            text = out.read().decode("utf-8", "replace")
        lines = [l for l in text.splitlines() if l.startswith("{")]
        if not lines:
            raise AssertionError(f"probe {args} printed nothing: {text}")
        return json.loads(lines[-1])

    def x(self, *command, timeout=30):
        return subprocess.run(list(command), env=self.env, capture_output=True, text=True, timeout=timeout,
                              stdin=subprocess.DEVNULL).stdout

    def screenshot(self, path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        subprocess.run(["import", "-display", self.env["DISPLAY"], "-window", "root", path], env=self.env,
                       timeout=60, check=True)

    def pixel(self, path, x, y):
        """The colour of one pixel of a screenshot, as [red, green, blue]."""
        text = subprocess.run(["convert", path, "-format", f"%[fx:int(255*p{{{x},{y}}}.r)],"
                               f"%[fx:int(255*p{{{x},{y}}}.g)],%[fx:int(255*p{{{x},{y}}}.b)]", "info:"],
                              capture_output=True, text=True, timeout=60, check=True).stdout
        return [int(v) for v in text.strip().split(",")]
