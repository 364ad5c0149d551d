"""Drives the real Windows program under Wine from Python tests.

The test process runs inside a Wine session (tools/wine-session.sh): DISPLAY, WINEPREFIX and
the rest are already exported. The tool executables come from constructor arguments or from
DRIVE_EXE, RUNWAIT_EXE and RECORDER_EXE.

    app = AppProcess.start(exe)                  # wine runwait.exe exe
    ui = Driver("MainWindowClass")
    ui.wait_window(visible=True)
    ui.click_tab(2); assert ui.cursel() == 2
    ui.key("alt+f4"); assert app.wait_exit(10) == 0

Texts come back as the raw bytes the program holds (code page 936). Every call is bounded
and a failure raises WinAppError naming the command and what it printed.
"""

import os
import shutil
import subprocess
import tempfile
import threading
import time

DEFAULT_TIMEOUT = 30.0
TEXT_KEYS = frozenset({"title", "text"})
FLAG_KEYS = frozenset({
    "visible", "enabled", "iconic", "zoomed", "foreground", "ws_visible", "icon", "icon_big",
    "icon_small", "class_icon", "class_icon_small", "main_visible", "main_enabled",
    "owner_is_main", "idle", "dismissed", "posted", "terminated",
})


class WinAppError(AssertionError):
    """A step against the program failed; the message says which command and why."""


def session_env():
    """The environment for Wine processes; refuses to run outside a Wine session, where
    wine would quietly build a prefix in the home directory."""
    env = dict(os.environ)
    missing = [name for name in ("WINEPREFIX", "DISPLAY") if not env.get(name)]
    if missing:
        raise WinAppError(
            f"{' and '.join(missing)} not set: start tools/wine-session.sh and source its session.env")
    return env


def wine():
    path = shutil.which("wine")
    if not path:
        raise WinAppError("wine is not on PATH")
    return path


def tool(name, explicit=None):
    """Path of a tool executable: the explicit one, else the environment variable NAME_EXE."""
    variable = f"{name.upper()}_EXE"
    path = explicit or os.environ.get(variable)
    if not path:
        raise WinAppError(f"no path for {name}.exe: pass it or set {variable}")
    if not os.path.isfile(path):
        raise WinAppError(f"{name}.exe not found at {path}")
    return path


def to_windows_path(path):
    """The Z: drive form of a Unix path (Wine maps Z: to /)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run_wine(args, timeout=DEFAULT_TIMEOUT, check=True):
    """Runs `wine ARGS...` to completion; returns the CompletedProcess (bytes output)."""
    command = [wine(), *map(str, args)]
    try:
        result = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True,
                                timeout=timeout, env=session_env())
    except subprocess.TimeoutExpired as error:
        raise WinAppError(f"{_show(command)} did not finish within {timeout} s; "
                          f"stderr: {_text(error.stderr)}") from None
    if check and result.returncode != 0:
        raise WinAppError(f"{_show(command)} exited with {result.returncode}; "
                          f"stdout: {_text(result.stdout)}; stderr: {_text(result.stderr)}")
    return result


def register_browser(recorder_exe=None, scheme="http"):
    """Makes the prefix open SCHEME URLs with recorder.exe, which appends its command line to
    the file named by FAKE_BROWSER_LOG. Safe to repeat."""
    command = f'"{to_windows_path(tool("recorder", recorder_exe))}" "%1"'
    run_wine(["reg", "add", f"HKCR\\{scheme}\\shell\\open\\command", "/ve", "/d", command, "/f"])


def screenshot(path, timeout=DEFAULT_TIMEOUT):
    """Saves the whole X screen of the session to PATH (PNG by its extension)."""
    command = ["import", "-display", session_env()["DISPLAY"], "-window", "root", str(path)]
    try:
        result = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        raise WinAppError(f"{_show(command)} did not finish within {timeout} s") from None
    if result.returncode != 0:
        raise WinAppError(f"{_show(command)} exited with {result.returncode}: {_text(result.stderr)}")


def wait_until(predicate, timeout=10.0, interval=0.05, what="the condition"):
    """Polls PREDICATE until it returns a true value, which is returned."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise WinAppError(f"{what} did not hold within {timeout} s")
        time.sleep(interval)


def encode_text(text):
    """Bytes of a text: bytes as they are, str in code page 936."""
    return text if isinstance(text, bytes) else text.encode("gbk")


class AppProcess:
    """A Windows program started through runwait.exe, which reports its process id at once
    and its full 32-bit exit code at the end."""

    def __init__(self, popen, command, stderr_file, drive_exe):
        self._popen = popen
        self._drive_exe = drive_exe
        self._command = command
        self._stderr = stderr_file
        self._lines = []
        self._pid_seen = threading.Event()
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()
        self.pid = None

    @classmethod
    def start(cls, exe_path, args=(), env_extra=None, runwait_exe=None, drive_exe=None, cwd=None,
              timeout=DEFAULT_TIMEOUT):
        env = session_env()
        env.update(env_extra or {})
        command = [wine(), tool("runwait", runwait_exe), to_windows_path(exe_path), *map(str, args)]
        stderr_file = tempfile.TemporaryFile()
        popen = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                 stderr=stderr_file, env=env, cwd=cwd)
        app = cls(popen, command, stderr_file, drive_exe)
        if not app._pid_seen.wait(timeout):
            details = app._details()
            app.kill()
            raise WinAppError(f"{_show(command)} reported no pid within {timeout} s; {details}")
        pid = app._find("pid=")
        if pid is None:
            app.kill()
            raise WinAppError(f"{_show(command)} could not start the program; {app._details()}")
        app.pid = int(pid)
        return app

    def _read(self):
        for raw in self._popen.stdout:
            line = raw.decode("gbk", "replace").rstrip("\r\n")
            self._lines.append(line)
            if line.startswith("pid="):
                self._pid_seen.set()
        self._pid_seen.set()

    def _find(self, prefix, last=False):
        found = [line[len(prefix):] for line in self._lines if line.startswith(prefix)]
        if not found:
            return None
        return found[-1] if last else found[0]

    def _details(self):
        if self._stderr.closed:
            return f"stdout: {' | '.join(self._lines)!r}"
        self._stderr.seek(0)
        return f"stdout: {' | '.join(self._lines)!r}; stderr: {_text(self._stderr.read())}"

    @property
    def output(self):
        """Lines printed so far by runwait and by the program itself."""
        return list(self._lines)

    def running(self):
        return self._popen.poll() is None

    def wait_exit(self, timeout=DEFAULT_TIMEOUT):
        """Waits until the program ends and returns its exit code as an unsigned 32-bit value."""
        try:
            self._popen.wait(timeout)
        except subprocess.TimeoutExpired:
            raise WinAppError(f"the program (pid {self.pid}) is still running after {timeout} s") from None
        self._reader.join(timeout)
        code = self._find("exit=", last=True)
        if code is None:
            raise WinAppError(f"{_show(self._command)} reported no exit code (status "
                              f"{self._popen.returncode}); {self._details()}")
        return int(code)

    def kill(self, timeout=10.0):
        """Ends the program if it still runs: TerminateProcess from inside Wine, then, if
        runwait still has not finished, the wine process that this object started."""
        if self._popen.poll() is None and self.pid is not None:
            try:
                Driver("", drive_exe=self._drive_exe, timeout=timeout).terminate(self.pid)
            except WinAppError:
                run_wine(["taskkill", "/f", "/pid", self.pid], timeout=timeout, check=False)
        try:
            self._popen.wait(timeout)
        except subprocess.TimeoutExpired:
            self._popen.kill()
            self._popen.wait(timeout)
        self._reader.join(timeout)
        self._popen.stdout.close()
        self._stderr.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.kill()


class Driver:
    """One method per drive.exe command, for the main window of class CLASS_NAME."""

    def __init__(self, class_name, drive_exe=None, timeout=DEFAULT_TIMEOUT, step_timeout_ms=None):
        """step_timeout_ms: how long the program may take to answer or to handle one step's
        input before the step fails (drive.exe's default is 5000)."""
        self.class_name = class_name
        self.drive_exe = tool("drive", drive_exe)
        self.timeout = timeout
        self.options = [] if step_timeout_ms is None else ["--timeout-ms", step_timeout_ms]
        if step_timeout_ms is not None:
            self.timeout = max(timeout, 3 * step_timeout_ms / 1000 + DEFAULT_TIMEOUT)

    def run(self, *args, timeout=None):
        """Runs drive.exe with ARGS; returns (fields, records) parsed from its output."""
        result = run_wine([self.drive_exe, *self.options, *args], timeout=timeout or self.timeout,
                          check=False)
        if result.returncode != 0:
            raise WinAppError(f"drive {' '.join(map(str, args))} failed ({result.returncode}): "
                              f"{_text(result.stderr).strip()}")
        return parse(_text(result.stdout))

    def _fields(self, *args, timeout=None):
        return self.run(*args, timeout=timeout)[0]

    def wait_window(self, timeout_ms=10000, visible=False):
        args = ["wait-window", self.class_name, timeout_ms] + (["visible"] if visible else [])
        return self._fields(*args, timeout=timeout_ms / 1000 + DEFAULT_TIMEOUT)

    def window_info(self):
        return self._fields("window-info", self.class_name)

    def control_info(self, control_id):
        return self._fields("control-info", self.class_name, control_id)

    def children(self):
        return [fields for name, fields in self.run("children", self.class_name)[1] if name == "child"]

    def text(self, control_id=0):
        """Text of a control, or of the main window for id 0."""
        return self._fields("text", self.class_name, control_id)["text"]

    def cursel(self):
        return self._fields("cursel", self.class_name)["cursel"]

    def tab_count(self):
        return self._fields("tab-count", self.class_name)["count"]

    def tab_text(self, index):
        return self._fields("tab-text", self.class_name, index)["text"]

    def focus(self):
        """The focused window of the program's GUI thread (id, class, parent, hwnd), or None."""
        fields = self._fields("focus", self.class_name)
        return None if fields["focus"] == "none" else fields

    def focus_id(self):
        focused = self.focus()
        return None if focused is None else focused["id"]

    def click_tab(self, index):
        return self._fields("click-tab", self.class_name, index)

    def click(self, control_id):
        return self._fields("click", self.class_name, control_id)

    def click_at(self, x, y):
        return self._fields("click-at", x, y)

    def key(self, *specs):
        """Key strokes: names such as tab, shift+tab, esc, enter, left, alt+f4, f9, a, 7,
        vk:0x41 or text:ASCII to type."""
        return self._fields("key", self.class_name, *specs)

    def type_text(self, text):
        """Types ASCII TEXT key by key."""
        return self.key("text:" + text)

    def sysmenu_close(self):
        return self._fields("sysmenu-close", self.class_name)

    def close(self):
        return self._fields("close", self.class_name)

    def msgbox(self, title=None, timeout_ms=10000):
        """Waits for a message box with this title (bytes, or str in code page 936; None: any)
        and describes it, with its buttons under "buttons" and, when this driver names a window
        class, that main window's state."""
        main = [self.class_name] if self.class_name else []
        fields, records = self.run("msgbox", _title_arg(title), timeout_ms, *main,
                                   timeout=timeout_ms / 1000 + DEFAULT_TIMEOUT)
        fields["buttons"] = [record for name, record in records if name == "button"]
        return fields

    def msgbox_dismiss(self, title=None, how="ok"):
        """how: ok (clicks OK), esc, close (system menu Close) or button:ID."""
        return self._fields("msgbox-dismiss", _title_arg(title), how)

    def stats(self, pid):
        return self._fields("stats", pid)

    def sleep_until_idle(self):
        return self._fields("sleep-until-idle", self.class_name)

    def terminate(self, pid, exit_code=1):
        return self._fields("terminate", pid, exit_code)


def parse(text):
    """drive.exe output: "key=value" lines into a dict, "NAME k=v k=v" lines into
    (NAME, dict) records. Texts become bytes, numbers int, flags bool, "a,b,c" int tuples."""
    fields, records = {}, []
    for line in text.splitlines():
        line = line.rstrip("\r")
        if not line:
            continue
        head, _, rest = line.partition(" ")
        if "=" in head:
            key, _, value = line.partition("=")
            fields[key] = _value(key, value)
        else:
            record = {}
            for item in rest.split():
                key, _, value = item.partition("=")
                record[key] = _value(key, value)
            records.append((head, record))
    return fields, records


def _value(key, value):
    if key in TEXT_KEYS:
        return bytes.fromhex(value)
    if value == "unsupported":
        return None
    if "," in value:
        return tuple(int(part, 0) for part in value.split(","))
    try:
        number = int(value, 0)
    except ValueError:
        return value
    return bool(number) if key in FLAG_KEYS else number


def _title_arg(title):
    return "*" if title is None else encode_text(title).hex()


def _show(command):
    return " ".join(map(str, command))


def _text(data):
    if data is None:
        return ""
    return data.decode("gbk", "replace") if isinstance(data, bytes) else str(data)
