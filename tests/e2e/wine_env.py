"""One Wine session for an end-to-end test run: a private X server and window manager, a throwaway
Wine prefix with a kept-alive wineserver, helpers to run Windows programs in it, and `Probe`, which
drives tobrix-probe.exe to look at and operate the programs' windows from outside.

The runner (run.py) opens one `WineSession` for the whole run; test modules reach it with `session()`
and usually derive from `WineTestCase`.
"""

from __future__ import annotations

import atexit
import dataclasses
import itertools
import os
import queue
import re
import select
import shutil
import subprocess
import tempfile
import threading
import time
import unittest
from pathlib import Path, PureWindowsPath
from typing import IO, Iterable, Sequence

# The environment, the prefix and the display are shared with the command line in wine_launch.py.
from wine_launch import (TEST_DESKTOP, WINE, VirtualDisplay, prepare_prefix, start_server,
                         wine_environment, wineserver_binary, winpath)


def unixpath(path: str) -> Path:
    """Z:\\... -> the Unix path; other drives are not mapped."""
    p = PureWindowsPath(path)
    if p.drive.upper() != "Z:":
        raise ValueError(f"not on the Z: drive: {path}")
    return Path("/", *p.parts[1:])


# ---- the session --------------------------------------------------------------------------------

class WineSession:
    """Xvfb + openbox + a fresh Wine prefix with a persistent wineserver. Use as a context manager or call
    open()/close(); close() also runs at interpreter exit and kills everything the session started."""

    def __init__(self, build_dir: str | os.PathLike | None = None, keep: bool = False,
                 log: IO[str] | None = None):
        self.build_dir = Path(build_dir).resolve() if build_dir else None
        self.keep = keep
        self._log_stream = log
        self.tmp: Path | None = None
        self.prefix: Path | None = None
        self.display: str | None = None
        self.env: dict[str, str] = {}
        self._display: VirtualDisplay | None = None
        self._server_started = False
        self._programs: list[subprocess.Popen] = []
        self._scratch_counter = itertools.count(1)
        self._log_counter = itertools.count(1)
        self._probe: Probe | None = None
        self._closed = False

    # -- lifecycle

    def __enter__(self) -> "WineSession":
        self.open()
        return self

    def __exit__(self, *exc) -> None:
        self.close()

    def open(self) -> "WineSession":
        atexit.register(self.close)
        try:
            self.tmp = Path(tempfile.mkdtemp(prefix="tobrix-e2e-"))
            (self.tmp / "logs").mkdir()
            (self.tmp / "scratch").mkdir()
            (self.tmp / "home").mkdir()
            self._start_x()
            self._create_prefix()
        except BaseException:
            self.close()
            raise
        return self

    def _say(self, message: str) -> None:
        if self._log_stream:
            print(f"[wine] {message}", file=self._log_stream, flush=True)

    def _start_x(self) -> None:
        self._display = VirtualDisplay(log=self._log_file)
        self.display = self._display.start()
        self._say(f"Xvfb on display {self.display}")
        self.prefix = self.tmp / "prefix"
        self.env = wine_environment(self.prefix, self.display, home=self.tmp / "home")

    def _create_prefix(self) -> None:
        started = time.monotonic()
        self._server_started = True  # close() ends whatever the set-up leaves running
        prepare_prefix(self.prefix, self.env, TEST_DESKTOP)
        if not start_server(self.env):
            raise RuntimeError(f"a wineserver was already running for {self.prefix}")
        self._say(f"prefix {self.prefix} ready in {time.monotonic() - started:.1f} s")

    def close(self) -> None:
        if self._closed:
            return
        self._closed = True
        if self._probe:
            self._probe.stop()
        for proc in self._programs:
            _kill(proc)
        if self._server_started:
            # Ends every Wine process of this prefix, then waits for the server itself.
            subprocess.run([wineserver_binary(), "-k"], env=self.env, timeout=30, check=False)
            try:
                subprocess.run([wineserver_binary(), "-w"], env=self.env, timeout=30, check=False)
            except subprocess.TimeoutExpired:
                pass
        if self._display:
            self._display.stop()
        if self.tmp and not self.keep:
            shutil.rmtree(self.tmp, ignore_errors=True)
        elif self.tmp:
            self._say(f"kept {self.tmp}")

    # -- files

    def _log_file(self, name: str) -> IO[bytes]:
        return open(self.tmp / "logs" / f"{name}-{next(self._log_counter)}.log", "wb")

    def scratch_dir(self, name: str = "scratch") -> Path:
        """A new empty folder under the session's temporary directory."""
        safe = re.sub(r"[^A-Za-z0-9_.-]+", "_", name)[-80:]
        path = self.tmp / "scratch" / f"{next(self._scratch_counter):03d}-{safe}"
        path.mkdir()
        return path

    def find_exe(self, name: str) -> Path:
        """The built program `name` (e.g. "Tobrix.exe") beneath the build directory."""
        if not self.build_dir:
            raise FileNotFoundError(f"{name}: no build directory given")
        found = sorted(self.build_dir.rglob(name), key=lambda p: (len(p.parts), str(p)))
        if not found:
            raise FileNotFoundError(f"{name} not found under {self.build_dir}")
        return found[0]

    # -- programs

    def _command(self, exe: str | os.PathLike, args: Iterable[str]) -> list[str]:
        return [WINE, str(exe), *map(str, args)]

    def run(self, exe: str | os.PathLike, args: Sequence[str] = (), timeout: float = 60, *,
            input: bytes | None = None, cwd: str | os.PathLike | None = None,
            check: bool = False) -> subprocess.CompletedProcess:
        """Runs a program to its end; stdout and stderr are captured as bytes. They go through files, not
        pipes: Wine's services and desktop process, when the program starts them, get its output
        handles too and would keep a pipe open long after the program has ended."""
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            done = subprocess.run(self._command(exe, args), env=self.env, cwd=cwd, input=input,
                                  stdin=None if input is not None else subprocess.DEVNULL,
                                  stdout=out, stderr=err, timeout=timeout)
            out.seek(0)
            err.seek(0)
            result = subprocess.CompletedProcess(done.args, done.returncode, out.read(), err.read())
        if check:
            result.check_returncode()
        return result

    def start(self, exe: str | os.PathLike, args: Sequence[str] = (), *,
              cwd: str | os.PathLike | None = None, stdin=subprocess.DEVNULL,
              stdout=None, stderr=None) -> subprocess.Popen:
        """Starts a program and returns at once. Output goes to a log file unless given. The session
        kills it at the end if it is still running."""
        log = None
        if stdout is None:
            stdout = log = self._log_file(Path(str(exe)).stem)
            stderr = subprocess.STDOUT if stderr is None else stderr
        try:
            proc = subprocess.Popen(self._command(exe, args), env=self.env, cwd=cwd,
                                    stdin=stdin, stdout=stdout, stderr=stderr)
        finally:
            if log:
                log.close()  # the child has its own copy
        self._programs.append(proc)
        return proc

    def end_session(self, timeout: float = 20) -> bool:
        """Logs off: every program gets WM_QUERYENDSESSION/WM_ENDSESSION. False if it did not finish in
        time (a program that does not answer makes wineboot wait for a click)."""
        try:
            subprocess.run([WINE, "wineboot", "--end-session"], env=self.env, stdin=subprocess.DEVNULL,
                           capture_output=True, timeout=timeout)
            return True
        except subprocess.TimeoutExpired:
            return False

    # -- X side

    def xdotool(self, *args: str, timeout: float = 15) -> str:
        result = subprocess.run(["xdotool", *map(str, args)], env=self.env, capture_output=True,
                                text=True, timeout=timeout)
        if result.returncode != 0:
            raise RuntimeError(f"xdotool {' '.join(map(str, args))}: {result.stderr.strip()}")
        return result.stdout

    def activate(self, hwnd: int) -> None:
        """Gives the top-level window real X keyboard focus."""
        self.xdotool("windowactivate", "--sync", str(self.probe.xid(hwnd)))

    def key(self, *keys: str) -> None:
        """Real key presses to the focused window, e.g. key("ctrl+a", "Delete")."""
        self.xdotool("key", "--delay", "50", *keys)

    def type_ascii(self, text: str) -> None:
        self.xdotool("type", "--delay", "30", text)

    def click(self, x: int, y: int, button: int = 1, repeat: int = 1) -> None:
        """A real click at screen coordinates (which equal Win32 ones: Decorated=N, no WM frame)."""
        # "mousemove --sync" hangs when the pointer is already there.
        self.xdotool("mousemove", str(x), str(y))
        time.sleep(0.05)
        self.xdotool("click", "--repeat", str(repeat), str(button))

    def drag(self, start: tuple[int, int], end: tuple[int, int], steps: int = 8, hold: float = 0.0) -> None:
        """Presses the left button at `start`, moves to `end` in steps, waits `hold` seconds and
        releases it there."""
        self.xdotool("mousemove", *start)
        time.sleep(0.1)
        self.xdotool("mousedown", "1")
        for i in range(1, steps + 1):
            time.sleep(0.05)
            self.xdotool("mousemove", start[0] + (end[0] - start[0]) * i // steps,
                         start[1] + (end[1] - start[1]) * i // steps)
        time.sleep(0.2 + hold)
        self.xdotool("mouseup", "1")

    def screenshot(self, path: str | os.PathLike) -> bool:
        result = subprocess.run(["import", "-display", self.display, "-window", "root", str(path)],
                                env=self.env, capture_output=True, timeout=30)
        return result.returncode == 0

    # -- probe

    @property
    def probe(self) -> "Probe":
        if self._probe is None:
            self._probe = Probe(self, self.find_exe("tobrix-probe.exe"))
        return self._probe


def _kill(proc: subprocess.Popen) -> None:
    if proc.poll() is None:
        proc.kill()
        try:
            proc.wait(10)
        except subprocess.TimeoutExpired:
            pass
    for stream in (proc.stdin, proc.stdout, proc.stderr):
        if stream:
            stream.close()


_current: WineSession | None = None


def session() -> WineSession:
    """The session of this test run."""
    if _current is None:
        raise RuntimeError("no Wine session: run the end-to-end tests through tests/e2e/run.py")
    return _current


def set_session(s: WineSession | None) -> None:
    global _current
    _current = s


# ---- the probe ----------------------------------------------------------------------------------

class ProbeError(RuntimeError):
    def __init__(self, command: str, code: int, message: str):
        super().__init__(f"tobrix-probe {command}: exit {code}: {message}")
        self.code = code
        self.message = message


class ProbeNotFound(ProbeError):
    """Exit code 2: timeout, no such window, no such registry key, nothing on the clipboard."""


def h(text: str) -> str:
    """Text argument: hex UTF-8, "-" when empty."""
    return text.encode("utf-8").hex() or "-"


def hb(data: bytes) -> str:
    return data.hex() or "-"


def unh(field: str) -> str:
    return "" if field == "-" else bytes.fromhex(field).decode("utf-8")


def unhb(field: str) -> bytes:
    return b"" if field == "-" else bytes.fromhex(field)


REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ = 1, 2, 3, 4, 7
TEXT_TYPES = (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ)


def _path_arg(path: str | os.PathLike) -> str:
    s = str(path)
    return h(winpath(s) if s.startswith("/") else s)


@dataclasses.dataclass
class WindowInfo:
    hwnd: int
    class_name: str
    caption: str
    rect: tuple[int, int, int, int]
    client_size: tuple[int, int]
    iconic: bool
    zoomed: bool
    visible: bool
    enabled: bool
    foreground: bool
    topmost: bool
    style: int
    exstyle: int
    owner: int
    pid: int
    image: str


@dataclasses.dataclass
class Child:
    hwnd: int
    parent: int
    class_name: str
    id: int
    text: str
    rect: tuple[int, int, int, int]
    visible: bool
    enabled: bool
    style: int


@dataclasses.dataclass
class Column:
    width: int
    title: str


@dataclasses.dataclass
class ListView:
    count: int
    selected: list[int]
    focused: int
    top: int
    per_page: int
    header: int
    columns: list[Column]
    rows: dict[int, list[str]]  # row index -> cell texts


@dataclasses.dataclass
class MessageBox:
    hwnd: int
    caption: str
    text: str
    buttons: dict[int, str]  # control id -> label


@dataclasses.dataclass
class RegValue:
    type: int
    data: bytes
    text: str | None  # REG_SZ / REG_EXPAND_SZ / REG_MULTI_SZ decoded, without the terminating NUL

    @property
    def dword(self) -> int:
        return int.from_bytes(self.data[:4], "little")


@dataclasses.dataclass
class RegKey:
    subkeys: list[str]
    values: dict[str, RegValue]


class Hold:
    """A file kept open with no sharing by a separate probe process, until release()."""

    def __init__(self, proc: subprocess.Popen):
        self.proc = proc

    def release(self) -> None:
        if self.proc.stdin:
            self.proc.stdin.close()
            self.proc.stdin = None
        try:
            self.proc.wait(15)
        except subprocess.TimeoutExpired:
            _kill(self.proc)
        if self.proc.stdout:
            self.proc.stdout.close()
            self.proc.stdout = None

    def __enter__(self) -> "Hold":
        return self

    def __exit__(self, *exc) -> None:
        self.release()


class Probe:
    """tobrix-probe.exe, kept running in serve mode so a call does not pay for a Wine process start.
    With serve=False (or TOBRIX_PROBE_ONESHOT=1 in the environment) every call is its own process."""

    SW_HIDE, SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_MAXIMIZE, SW_MINIMIZE, SW_RESTORE = 0, 1, 2, 3, 6, 9

    def __init__(self, session: WineSession, exe: Path, serve: bool | None = None):
        self.session = session
        self.exe = exe
        self.serve = os.environ.get("TOBRIX_PROBE_ONESHOT") != "1" if serve is None else serve
        self._proc: subprocess.Popen | None = None
        self._lines: queue.Queue[str | None] = queue.Queue()
        self._lock = threading.Lock()

    # -- transport

    def _start(self) -> None:
        self._lines = queue.Queue()
        self._proc = subprocess.Popen([WINE, str(self.exe), "serve"], env=self.session.env,
                                      stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                      stderr=subprocess.DEVNULL)
        lines = self._lines
        stdout = self._proc.stdout

        def pump() -> None:
            for raw in stdout:
                lines.put(raw.decode("ascii", "replace").rstrip("\r\n"))
            lines.put(None)

        threading.Thread(target=pump, daemon=True).start()

    def stop(self) -> None:
        if self._proc:
            try:
                self._proc.stdin.write(b"quit\n")
                self._proc.stdin.flush()
                self._proc.wait(5)
            except (OSError, subprocess.TimeoutExpired):
                pass
            _kill(self._proc)
            self._proc = None

    def call(self, command: str, *args, timeout: float = 30) -> list[str]:
        """Runs one probe command; returns its output lines. Raises ProbeNotFound for exit code 2
        and ProbeError for other failures."""
        if self.serve:
            code, out, error = self._call_served(command, args, timeout)
        else:
            result = self.run_once(command, *args, timeout=timeout)
            code, out = result.returncode, result.stdout.decode("ascii", "replace").splitlines()
            error = result.stderr.decode("ascii", "replace").strip().removeprefix("tobrix-probe: ")
        if code == 2:
            raise ProbeNotFound(command, code, error)
        if code != 0:
            raise ProbeError(command, code, error)
        return out

    def _call_served(self, command: str, args, timeout: float) -> tuple[int, list[str], str]:
        line = " ".join([command, *map(str, args)])
        with self._lock:
            if self._proc is None or self._proc.poll() is not None:
                self._start()
            try:
                self._proc.stdin.write(line.encode("ascii") + b"\n")
                self._proc.stdin.flush()
            except OSError:
                self.stop()
                raise ProbeError(command, 1, "probe process died")
            out: list[str] = []
            deadline = time.monotonic() + timeout
            while True:
                try:
                    got = self._lines.get(timeout=max(0.0, deadline - time.monotonic()))
                except queue.Empty:
                    self.stop()  # stuck (e.g. on a hung window): start afresh next time
                    raise ProbeError(command, 1, f"no answer within {timeout} s")
                if got is None:
                    self.stop()
                    raise ProbeError(command, 1, "probe process died")
                if got.startswith("@done "):
                    code = int(got.split()[1])
                    break
                out.append(got)
        error = next((l[len("@error "):] for l in out if l.startswith("@error ")), "")
        return code, [l for l in out if not l.startswith("@error ")], error

    def run_once(self, command: str, *args, timeout: float = 30) -> subprocess.CompletedProcess:
        """The probe as its own process (what serve mode saves)."""
        return self.session.run(self.exe, [command, *map(str, args)], timeout=timeout)

    @staticmethod
    def _fields(lines: list[str]) -> dict[str, str]:
        return dict((l.split(" ", 1) + [""])[:2] for l in lines)

    # -- windows

    def acp(self) -> int:
        return int(self.call("acp")[0])

    def foreground(self) -> int:
        return int(self.call("foreground")[0], 16)

    def find(self, class_name: str | None = None, title: str | None = None, timeout: float = 10) -> int:
        """Waits for a top-level window; None matches anything. Raises ProbeNotFound on timeout."""
        ms = int(timeout * 1000)
        out = self.call("find", "*" if class_name is None else h(class_name), "*" if title is None else h(title),
                        ms, timeout=timeout + 30)
        return int(out[0], 16)

    def count(self, class_name: str | None = None, title: str | None = None) -> int:
        return int(self.call("count", "*" if class_name is None else h(class_name),
                             "*" if title is None else h(title))[0])

    def windows(self, class_name: str | None = None) -> list[tuple[int, str, str, bool, int]]:
        """(hwnd, class, caption, visible, pid) of every top-level window."""
        out = []
        for line in self.call("list", "*" if class_name is None else h(class_name)):
            _, hwnd, cls, cap, vis, pid = line.split(" ")
            out.append((int(hwnd, 16), unh(cls), unh(cap), vis == "1", int(pid)))
        return out

    def find_by_image(self, class_name: str, exe: str | os.PathLike, timeout: float = 10,
                      visible: bool = True) -> int:
        """Waits for a top-level window of that class belonging to the program started from `exe`
        (a Unix path; Windows process ids are no use from the Unix side)."""
        want = winpath(exe).lower()

        def match() -> int:
            for hwnd, _, _, shown, _ in self.windows(class_name):
                if visible and not shown:
                    continue
                try:
                    if self.info(hwnd).image.lower() == want:
                        return hwnd
                except ProbeNotFound:  # gone meanwhile
                    pass
            return 0

        return wait_until(match, timeout, message=f"a {class_name} window of {exe}")

    def info(self, hwnd: int) -> WindowInfo:
        f = self._fields(self.call("info", hex(hwnd)))
        return WindowInfo(
            hwnd=int(f["hwnd"], 16), class_name=unh(f["class"]), caption=unh(f["caption"]),
            rect=tuple(map(int, f["rect"].split())), client_size=tuple(map(int, f["client"].split())),
            iconic=f["iconic"] == "1", zoomed=f["zoomed"] == "1", visible=f["visible"] == "1",
            enabled=f["enabled"] == "1", foreground=f["foreground"] == "1", topmost=f["topmost"] == "1",
            style=int(f["style"], 16), exstyle=int(f["exstyle"], 16), owner=int(f["owner"], 16),
            pid=int(f["pid"]), image=unh(f["image"]))

    def xid(self, hwnd: int) -> int:
        return int(self.call("xid", hex(hwnd))[0])

    def focus(self, hwnd: int) -> dict[str, int]:
        """focus / active / capture windows of the GUI thread that owns hwnd."""
        return {k: int(v, 16) for k, v in self._fields(self.call("focus", hex(hwnd))).items()}

    def children(self, hwnd: int) -> list[Child]:
        out = []
        for line in self.call("children", hex(hwnd)):
            p = line.split(" ")
            out.append(Child(hwnd=int(p[1], 16), parent=int(p[2], 16), class_name=unh(p[3]), id=int(p[4]),
                             text=unh(p[5]), rect=tuple(map(int, p[6:10])), visible=p[10] == "1",
                             enabled=p[11] == "1", style=int(p[12], 16)))
        return out

    def child(self, hwnd: int, *, id: int | None = None, class_name: str | None = None) -> Child:
        """The first descendant with that control id and/or class."""
        for c in self.children(hwnd):
            if (id is None or c.id == id) and (class_name is None or c.class_name.lower() == class_name.lower()):
                return c
        raise ProbeNotFound("children", 2, f"no child with id={id} class={class_name}")

    def text(self, hwnd: int) -> str:
        return unh(self.call("text", hex(hwnd))[0])

    def set_text(self, hwnd: int, text: str) -> int:
        return int(self.call("set-text", hex(hwnd), h(text))[0])

    def show(self, hwnd: int, sw: int) -> None:
        self.call("show", hex(hwnd), sw)

    def move(self, hwnd: int, x: int, y: int, w: int, hgt: int) -> None:
        self.call("move", hex(hwnd), x, y, w, hgt)

    def activate(self, hwnd: int) -> None:
        self.call("activate", hex(hwnd))

    def close(self, hwnd: int) -> None:
        self.call("close", hex(hwnd))

    def post(self, hwnd: int, msg: int, wparam: int = 0, lparam: int = 0) -> None:
        self.call("post", hex(hwnd), msg, wparam, lparam)

    def stall(self, hwnd: int, seconds: float) -> float:
        """The longest the window took to answer a message, in ms, while it was asked again and
        again for that long."""
        out = self.call("stall", hex(hwnd), int(seconds * 1000), timeout=seconds + 60)
        return float(out[0].split(" ")[1])

    def send(self, hwnd: int, msg: int, wparam: int = 0, lparam: int = 0, timeout: float = 5) -> int:
        return int(self.call("send", hex(hwnd), msg, wparam, lparam, int(timeout * 1000),
                             timeout=timeout + 30)[0])

    def command(self, hwnd: int, id: int, code: int = 0) -> None:
        self.call("command", hex(hwnd), id, code)

    def wait_gone(self, hwnd: int, timeout: float = 10) -> None:
        self.call("wait-gone", hex(hwnd), int(timeout * 1000), timeout=timeout + 30)

    # -- list views

    def lv(self, hwnd: int, first: int = 0, count: int | None = None) -> ListView:
        args = [hex(hwnd), first] + ([count] if count is not None else [])
        view = ListView(0, [], -1, 0, 0, 0, [], {})
        for line in self.call("lv", *args, timeout=120):
            key, *rest = line.split(" ")
            if key == "count":
                view.count = int(rest[0])
            elif key == "selected":
                view.selected = [int(x) for x in rest]
            elif key == "focused":
                view.focused = int(rest[0])
            elif key == "top":
                view.top = int(rest[0])
            elif key == "perpage":
                view.per_page = int(rest[0])
            elif key == "header":
                view.header = int(rest[0], 16)
            elif key == "column":
                view.columns.append(Column(int(rest[1]), unh(rest[2])))
            elif key == "row":
                view.rows[int(rest[0])] = [unh(c) for c in rest[1:]]
        return view

    def lv_rect(self, hwnd: int, row: int, col: int | None = None) -> tuple[int, int, int, int]:
        args = [hex(hwnd), row] + ([col] if col is not None else [])
        return tuple(map(int, self.call("lv-rect", *args)[0].split()))

    def tb_rect(self, hwnd: int, id: int) -> tuple[int, int, int, int]:
        """Screen rect of the toolbar button of that command id."""
        return tuple(map(int, self.call("tb-rect", hex(hwnd), id)[0].split()))

    def lv_click_header(self, hwnd: int, col: int) -> bool:
        """Clicks a column header; False if the program was still busy with the click after 5 s
        (e.g. it opened a modal dialog)."""
        return self._fields(self.call("lvclick-header", hex(hwnd), col))["handled"] == "1"

    def lv_select(self, hwnd: int, row: int, add: bool = False) -> None:
        self.call("lvselect", hex(hwnd), row, *(["add"] if add else []))

    def tv(self, hwnd: int) -> list[tuple[int, str]]:
        """A tree view's items as (depth, text), in the order they show with every branch expanded."""
        lines = self.call("tv", hex(hwnd))
        return [(int(depth), unh(text)) for _, depth, text in (line.split(" ") for line in lines[1:])]

    # -- message boxes

    def msgbox(self, timeout: float = 10, caption: str | None = None) -> MessageBox:
        args = [int(timeout * 1000)] + ([h(caption)] if caption is not None else [])
        box = MessageBox(0, "", "", {})
        for line in self.call("msgbox", *args, timeout=timeout + 30):
            key, *rest = line.split(" ")
            if key == "hwnd":
                box.hwnd = int(rest[0], 16)
            elif key == "caption":
                box.caption = unh(rest[0])
            elif key == "text":
                box.text = unh(rest[0])
            elif key == "button":
                box.buttons[int(rest[0])] = unh(rest[1])
        return box

    def msgbox_press(self, hwnd: int, id: int, timeout: float = 5) -> None:
        self.call("msgbox-press", hex(hwnd), id, int(timeout * 1000), timeout=timeout + 30)

    # -- registry (paths under HKCU)

    def reg_dump(self, path: str) -> RegKey | None:
        """None when the key does not exist."""
        try:
            out = self.call("reg-dump", h(path))
        except ProbeNotFound:
            return None
        key = RegKey([], {})
        for line in out:
            p = line.split(" ")
            if p[0] == "key":
                key.subkeys.append(unh(p[1]))
            elif p[0] == "value":
                type_ = int(p[2])
                key.values[unh(p[1])] = RegValue(type_, unhb(p[3]), unh(p[4]) if type_ in TEXT_TYPES else None)
        return key

    def reg_delete_tree(self, path: str) -> None:
        self.call("reg-delete-tree", h(path))

    def reg_delete_value(self, path: str, name: str) -> None:
        self.call("reg-delete-value", h(path), h(name))

    def reg_set_sz(self, path: str, name: str, value: str) -> None:
        self.call("reg-set-sz", h(path), h(name), h(value))

    def reg_set_dword(self, path: str, name: str, value: int) -> None:
        self.call("reg-set-dword", h(path), h(name), value)

    def reg_set_raw(self, path: str, name: str, type: int, data: bytes) -> None:
        self.call("reg-set-raw", h(path), h(name), type, hb(data))

    # -- files (Unix paths are mapped to Z:)

    def hold(self, path: str | os.PathLike, seconds: int = 600) -> Hold:
        """Opens the file with no sharing in a separate probe process; release() (or the end of a
        with-block) closes it."""
        proc = self.session.start(self.exe, ["hold", _path_arg(path), str(seconds)],
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        ready = _readline(proc.stdout, 30)
        if ready.strip() != b"ready":
            try:
                _, err = proc.communicate(timeout=5)
                message = err.decode("ascii", "replace").strip().removeprefix("tobrix-probe: ")
            except subprocess.TimeoutExpired:
                message = "no answer"
            _kill(proc)
            raise ProbeError("hold", proc.returncode or 1, message)
        proc.stderr.close()
        proc.stderr = None
        return Hold(proc)

    def try_open(self, path: str | os.PathLike, write: bool = False) -> int:
        """0 if the file opens with full sharing, else the Win32 error (32: sharing violation)."""
        return int(self.call("try-open", _path_arg(path), "w" if write else "r")[0])

    # -- clipboard

    def clip_get(self) -> bytes | None:
        """CF_TEXT bytes as stored (the ANSI code page), or None if there is no text."""
        try:
            return unhb(self.call("clip-get")[0])
        except ProbeNotFound:
            return None

    def clip_get_unicode(self) -> str | None:
        try:
            return unh(self.call("clip-get-unicode")[0])
        except ProbeNotFound:
            return None

    def clip_set_text(self, data: bytes) -> None:
        self.call("clip-set-text", hb(data))

    def clip_set_unicode(self, text: str) -> None:
        self.call("clip-set-unicode", h(text))

    def clip_formats(self) -> list[int]:
        return [int(x) for x in self.call("clip-formats")]

    def clip_clear(self) -> None:
        self.call("clip-clear")


def _readline(stream: IO[bytes], timeout: float) -> bytes:
    """One line from a pipe, or b"" after the timeout."""
    fd = stream.fileno()
    data = b""
    deadline = time.monotonic() + timeout
    while not data.endswith(b"\n"):
        left = deadline - time.monotonic()
        if left <= 0 or not select.select([fd], [], [], left)[0]:
            break
        chunk = os.read(fd, 1)
        if not chunk:
            break
        data += chunk
    return data


# ---- test helpers -------------------------------------------------------------------------------

def wait_until(condition, timeout: float = 10, interval: float = 0.1, message: str = "condition"):
    """Polls until condition() returns something truthy and returns it; AssertionError on timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise AssertionError(f"timed out after {timeout} s waiting for {message}")
        time.sleep(interval)


class WineTestCase(unittest.TestCase):
    """Base for end-to-end tests: self.wine (the session), self.probe, self.scratch (a fresh folder for
    this test), and programs started with self.start() are killed when the test ends."""

    def setUp(self) -> None:
        super().setUp()
        self.wine = session()
        self.probe = self.wine.probe
        self.scratch = self.wine.scratch_dir(self.id().rsplit(".", 2)[-2] + "." + self._testMethodName)
        self._started: list[subprocess.Popen] = []
        self.addCleanup(self._stop_started)

    def start(self, exe: str | os.PathLike, args: Sequence[str] = (), **kwargs) -> subprocess.Popen:
        proc = self.wine.start(exe, args, **kwargs)
        self._started.append(proc)
        return proc

    def copy_to_scratch(self, path: str | os.PathLike) -> Path:
        """Copies a file (e.g. the program, which keeps its data beside itself) into self.scratch."""
        return Path(shutil.copy2(path, self.scratch))

    def _stop_started(self) -> None:
        for proc in self._started:
            _kill(proc)
