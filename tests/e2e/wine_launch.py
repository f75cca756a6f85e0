#!/usr/bin/env python3
"""Wine on this machine, set up one way for everything: the environment of a Wine program, a prepared
prefix and a virtual display. The end-to-end session (wine_env.WineSession) builds on it, and so does
its command line:

    wine_launch.py run --prefix DIR [--dpi N] [--screenshot FILE] [--title T] [--timeout S] -- PROGRAM.exe [ARGS]
        Runs a program on $DISPLAY, or on a virtual display (Xvfb + openbox) when there is none, until
        it ends. With --screenshot: waits for a shown window titled T (default Tobrix), saves the
        screen to FILE and ends the program; fails when no such window shows within S seconds.
    wine_launch.py exec --prefix DIR [--dpi N] -- PROGRAM.exe [ARGS]
        Runs a program without X (Wine's null display driver: hidden windows and menus still work),
        output passed through, with the program's exit code. Meant for CMake's
        CROSSCOMPILING_EMULATOR: programs run one after another share one wineserver.

Both create DIR on first use (about 6 s), also when several processes ask for it at once. --dpi gives
the prefix's screen that DPI (96 when not given); Wine reads it when a program starts.
"""

from __future__ import annotations

import argparse
import contextlib
import fcntl
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path
from typing import IO, Callable, Iterator

WINE = "/usr/lib/wine/wine64"  # this kernel cannot run 32-bit code, so never /usr/bin/wine
WINE_DLL_OVERRIDES = "mscoree,mshtml=;winemenubuilder.exe=d"
SCREEN = "1280x1024x24"
MARLETT = Path("/usr/share/wine/fonts/marlett.ttf")
STAMP = ".tobrix-prepared"  # inside a finished prefix; holds the settings it was given

# No key bindings, so Alt and Ctrl combinations reach the program, and no mouse bindings: with
# openbox's usual press-to-focus binding, clicks never reach Wine's windows.
OPENBOX_RC = """<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <placement><policy>Smart</policy></placement>
  <desktops><number>1</number></desktops>
  <keyboard></keyboard>
  <mouse></mouse>
</openbox_config>
"""

# Registry settings by key under HKEY_CURRENT_USER; a value of None deletes the value.
# The program asks for MS P Gothic; the proportional IPA font is the nearest one here, so texts take
# about the room they take on Windows.
_FONTS = {r"Software\Wine\Fonts\Replacements": {"ＭＳ Ｐゴシック": "IPAPGothic",
                                                 "MS PGothic": "IPAPGothic"}}
DESKTOP = {**_FONTS, r"Software\Wine\Drivers": {"Graphics": None}}
# Tests: Wine draws captions and frames itself, so the X window is the Win32 window rectangle, and a
# crashing program must not leave a crash dialog behind.
TEST_DESKTOP = {**DESKTOP, r"Software\Wine\X11 Driver": {"Decorated": "N"},
                r"Software\Wine\WineDbg": {"ShowCrashDialog": 0}}
HEADLESS = {**_FONTS, r"Software\Wine\Drivers": {"Graphics": "null"},
            r"Software\Wine\WineDbg": {"ShowCrashDialog": 0}}


def with_dpi(settings: dict, dpi: int | None) -> dict:
    """`settings` with the screen's DPI (Wine's LogPixels) set; None leaves Wine's default (96)."""
    if dpi is None:
        return settings
    return {**settings, r"Control Panel\Desktop": {"LogPixels": dpi}}


def wineserver_binary() -> str:
    # /usr/lib/wine/wineserver is a wrapper script that forces "-p0"; call the server itself.
    for candidate in ("/usr/lib/wine/wineserver64", "/usr/lib/wine/wineserver", "/usr/bin/wineserver"):
        if os.access(candidate, os.X_OK):
            return candidate
    raise FileNotFoundError("no wineserver found")


def winpath(path: str | os.PathLike) -> str:
    """Unix path -> the same file through Wine's Z: drive (Z: is the Unix root)."""
    return "Z:" + str(Path(path).absolute()).replace("/", "\\")


def wine_environment(prefix: str | os.PathLike, display: str | None = None,
                     home: str | os.PathLike | None = None) -> dict[str, str]:
    """The environment of a Wine program in `prefix`: code page 932, quiet, on `display` (None: no X)."""
    drop = ("DISPLAY", "HOME") if home else ("DISPLAY",)
    env = {k: v for k, v in os.environ.items()
           if not k.startswith(("WINE", "XDG_", "LANG", "LC_")) and k not in drop}
    env.update({
        "LC_ALL": "ja_JP.UTF-8",  # gives the ANSI code page 932, as on a Japanese Windows
        "WINEPREFIX": str(Path(prefix).absolute()),
        "WINEDEBUG": "-all",
        "WINEDLLOVERRIDES": WINE_DLL_OVERRIDES,
        "WINESERVER": wineserver_binary(),
    })
    if display:
        env["DISPLAY"] = display
    if home:
        env["HOME"] = str(home)
    return env


# ---- the prefix ---------------------------------------------------------------------------------

def registry_file(settings: dict[str, dict[str, str | int | None]]) -> bytes:
    """`settings` as a .reg file for regedit: UTF-16 with a byte order mark, so that value names
    outside ASCII arrive intact."""
    def quoted(text: str) -> str:
        return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'

    lines = ["Windows Registry Editor Version 5.00", ""]
    for key, values in settings.items():
        lines.append(f"[HKEY_CURRENT_USER\\{key}]")
        for name, value in values.items():
            data = ("-" if value is None else f"dword:{value:08x}" if isinstance(value, int)
                    else quoted(value))
            lines.append(f"{quoted(name)}={data}")
        lines.append("")
    return b"\xff\xfe" + "\r\n".join(lines).encode("utf-16-le")


def _read(path: Path) -> bytes | None:
    try:
        return path.read_bytes()
    except FileNotFoundError:
        return None


def _wine_step(args: list[str], env: dict[str, str], timeout: float) -> None:
    # Output to a file, not a pipe: the programs Wine starts on the side (explorer, services) inherit
    # it and would hold a pipe open until the wineserver exits.
    with tempfile.TemporaryFile() as out:
        result = subprocess.run(args, env=env, stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                                timeout=timeout)
        if result.returncode != 0:
            out.seek(0)
            output = out.read().decode("utf-8", "replace").strip()
            raise RuntimeError(f"{' '.join(args)} failed (exit code {result.returncode}): {output[-2000:]}")


@contextlib.contextmanager
def prefix_lock(prefix: Path) -> Iterator[None]:
    """Held while a prefix is set up: a lock file beside it, as the prefix may not exist yet."""
    prefix.parent.mkdir(parents=True, exist_ok=True)
    with open(prefix.parent / f"{prefix.name}.lock", "ab") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        yield


def prepare_prefix(prefix: str | os.PathLike, env: dict[str, str], settings: dict,
                   say: Callable[[str], None] = lambda _: None) -> bool:
    """Creates the Wine prefix if needed and gives it `settings`; True if anything was done. When
    several processes ask for the same prefix at once, one does the work while the others wait (a
    lock file beside the prefix). A finished prefix has a stamp file, so a half-made one is finished
    on the next call. After a change no wineserver of the prefix is left running: the display driver
    is chosen when a server's first program starts, so the next program must start a new one."""
    prefix = Path(prefix).absolute()
    reg = registry_file(settings)
    stamp = prefix / STAMP
    if _read(stamp) == reg:
        return False
    with prefix_lock(prefix):
        if _read(stamp) == reg:  # another process did it meanwhile
            return False
        server = wineserver_binary()
        created = not stamp.exists()
        if created:
            say(f"creating the Wine prefix {prefix}")
            prefix.mkdir(exist_ok=True)
            _wine_step([WINE, "wineboot", "-i"], env, timeout=300)
            fonts = prefix / "drive_c" / "windows" / "Fonts"
            if MARLETT.exists() and fonts.is_dir():
                shutil.copy(MARLETT, fonts / MARLETT.name)  # caption buttons draw as symbols
        reg_path = prefix / "tobrix-settings.reg"
        reg_path.write_bytes(reg)
        _wine_step([WINE, "regedit", "/S", winpath(reg_path)], env, timeout=60)
        reg_path.unlink()
        if created:  # nothing but our own set-up runs in an unfinished prefix
            subprocess.run([server, "-k"], env=env, capture_output=True, timeout=60)
        subprocess.run([server, "-w"], env=env, capture_output=True, timeout=600)
        partial = stamp.with_name(STAMP + ".new")
        partial.write_bytes(reg)
        partial.replace(stamp)
    return True


def start_server(env: dict[str, str], linger: int | None = None) -> bool:
    """Starts the prefix's wineserver so that it stays `linger` seconds after its last program has
    ended (None: until killed); False if one runs already. The server Wine starts by itself ends with
    the last program, and a new one costs about a second."""
    started = subprocess.run([wineserver_binary(), "-p" if linger is None else f"-p{linger}"], env=env,
                             stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                             timeout=60)
    return started.returncode == 0


# ---- the virtual display ------------------------------------------------------------------------

class VirtualDisplay:
    """A private Xvfb with openbox as window manager, on a free display number."""

    def __init__(self, log: Callable[[str], IO[bytes]] | None = None):
        self._log = log  # name -> a file for that program's output; none: discarded
        self.display: str | None = None
        self._dir: Path | None = None
        self._xvfb: subprocess.Popen | None = None
        self._openbox: subprocess.Popen | None = None

    def __enter__(self) -> "VirtualDisplay":
        self.start()
        return self

    def __exit__(self, *exc) -> None:
        self.stop()

    def _output(self, name: str) -> IO[bytes]:
        return self._log(name) if self._log else open(os.devnull, "wb")

    def start(self) -> str:
        try:
            self._dir = Path(tempfile.mkdtemp(prefix="tobrix-x-"))
            self._start_xvfb()
            env = {k: v for k, v in os.environ.items() if not k.startswith("XDG_")}
            env.update(DISPLAY=self.display, HOME=str(self._dir))  # openbox keeps its files there
            rc = self._dir / "openbox-rc.xml"
            rc.write_text(OPENBOX_RC)
            with self._output("openbox") as out:
                self._openbox = subprocess.Popen(
                    ["openbox", "--config-file", str(rc)], env=env, stdin=subprocess.DEVNULL,
                    stdout=out, stderr=subprocess.STDOUT, start_new_session=True)
            self._wait_for_window_manager(env)
        except BaseException:
            self.stop()
            raise
        return self.display

    def _start_xvfb(self) -> None:
        read_end, write_end = os.pipe()
        try:
            with self._output("xvfb") as out:
                self._xvfb = subprocess.Popen(
                    ["Xvfb", "-displayfd", str(write_end), "-screen", "0", SCREEN, "-nolisten", "tcp"],
                    pass_fds=(write_end,), stdin=subprocess.DEVNULL,
                    stdout=out, stderr=subprocess.STDOUT, start_new_session=True)
            os.close(write_end)
            write_end = -1
            number = b""
            deadline = time.monotonic() + 20
            while not number.endswith(b"\n"):
                left = deadline - time.monotonic()
                if left <= 0 or not select.select([read_end], [], [], left)[0]:
                    raise RuntimeError("Xvfb did not report a display number")
                chunk = os.read(read_end, 64)
                if not chunk:
                    raise RuntimeError("Xvfb exited before reporting a display number")
                number += chunk
        finally:
            os.close(read_end)
            if write_end >= 0:
                os.close(write_end)
        self.display = ":" + number.decode().strip()

    def _wait_for_window_manager(self, env: dict[str, str]) -> None:
        deadline = time.monotonic() + 15
        while time.monotonic() < deadline:
            if self._openbox.poll() is not None:
                raise RuntimeError("openbox exited at start")
            out = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=env,
                                 capture_output=True, text=True).stdout
            if "window id" in out:
                return
            time.sleep(0.1)
        raise RuntimeError("openbox did not start")

    def stop(self) -> None:
        for proc in (self._openbox, self._xvfb):
            if proc and proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(5)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait(10)
        self._openbox = self._xvfb = None
        if self._dir:
            shutil.rmtree(self._dir, ignore_errors=True)
            self._dir = None


# ---- the command line ---------------------------------------------------------------------------

def _say(command: str) -> Callable[[str], None]:
    return lambda message: print(f"{command}: {message}", file=sys.stderr, flush=True)


def _visible_window(title: str, env: dict[str, str]) -> bool:
    result = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{re.escape(title)}$"],
                            env=env, capture_output=True, timeout=15)
    return result.returncode == 0 and result.stdout.strip() != b""


def run(args: argparse.Namespace) -> int:
    say = _say("run")
    display = None
    env: dict[str, str] = {}
    program: subprocess.Popen | None = None
    try:
        if os.environ.get("DISPLAY"):
            env = wine_environment(args.prefix, os.environ["DISPLAY"])
        else:
            display = VirtualDisplay()
            env = wine_environment(args.prefix, display.start())
            say(f"no display, using the virtual display {env['DISPLAY']}")
            say(f"(look at it with: DISPLAY={env['DISPLAY']} import -window root screen.png)")
        prepare_prefix(args.prefix, env, with_dpi(DESKTOP, args.dpi), say)
        program = subprocess.Popen([WINE, *args.program], env=env, stdin=subprocess.DEVNULL)
        if not args.screenshot:
            return program.wait()

        deadline = time.monotonic() + args.timeout
        while not _visible_window(args.title, env):
            if program.poll() is not None:
                say(f"the program ended (exit code {program.returncode}) before a window titled "
                    f"{args.title!r} showed")
                return 1
            if time.monotonic() > deadline:
                say(f"no window titled {args.title!r} showed within {args.timeout:.0f} s")
                return 1
            time.sleep(0.2)
        time.sleep(1)  # let it finish drawing
        shot = subprocess.run(["import", "-window", "root", str(args.screenshot)], env=env,
                              capture_output=True, timeout=60)
        if shot.returncode != 0 or not Path(args.screenshot).is_file():
            say(f"could not save the screen: {shot.stderr.decode('utf-8', 'replace').strip()}")
            return 1
        say(f"screenshot in {args.screenshot}")
        return 0
    finally:
        if env and (display or program is None or program.poll() is None):
            # Ends every program of the prefix: the one left running, and with a display of our own
            # whatever might outlive it.
            subprocess.run([wineserver_binary(), "-k"], env=env, capture_output=True, timeout=60)
        if program:
            try:
                program.wait(30)
            except subprocess.TimeoutExpired:
                program.kill()
        if display:
            display.stop()


def exec_(args: argparse.Namespace) -> int:
    env = wine_environment(args.prefix)
    prepare_prefix(args.prefix, env, with_dpi(HEADLESS, args.dpi), _say("exec"))
    with prefix_lock(args.prefix):  # test programs run one after another share one server
        start_server(env, linger=10)
    program = subprocess.Popen([WINE, *args.program], env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    # Passed on until the program ends, not until the pipes close: the services and the desktop
    # process it may start hold them as long as they live.
    streams = {program.stdout.fileno(): sys.stdout.fileno(), program.stderr.fileno(): sys.stderr.fileno()}
    try:
        while streams:
            ended = program.poll() is not None
            ready = select.select(list(streams), [], [], 0 if ended else 0.05)[0]
            if ended and not ready:
                break
            for fd in ready:
                data = os.read(fd, 65536)
                if not data:
                    del streams[fd]
                while data:
                    data = data[os.write(streams[fd], data):]
        return program.wait()
    finally:
        if program.poll() is None:  # interrupted
            program.kill()


def main(argv: list[str] | None = None) -> int:
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest="command", required=True)
    p_run = commands.add_parser("run", help="run a program on a display")
    p_run.add_argument("--screenshot", type=lambda s: Path(s).absolute(), metavar="FILE")
    p_run.add_argument("--title", default="Tobrix", help="the window --screenshot waits for")
    p_run.add_argument("--timeout", type=float, default=60, help="how long --screenshot waits (s)")
    p_exec = commands.add_parser("exec", help="run a program without X, with its exit code")
    for p in (p_run, p_exec):
        p.add_argument("--prefix", required=True, type=lambda s: Path(s).absolute(), metavar="DIR")
        p.add_argument("--dpi", type=int, default=96, choices=range(72, 481), metavar="N",
                       help="the screen's DPI (96)")
        p.add_argument("program", nargs=argparse.REMAINDER, metavar="-- PROGRAM.exe [ARGS]")
    args = parser.parse_args(argv)
    if args.program[:1] == ["--"]:
        args.program = args.program[1:]
    if not args.program:
        parser.error("no program given")
    # SIGTERM ends the run like Ctrl+C does, so the display and the programs are taken down.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(128 + signal.SIGTERM))
    try:
        return run(args) if args.command == "run" else exec_(args)
    except (RuntimeError, OSError, subprocess.TimeoutExpired) as e:
        print(f"{args.command}: {e}", file=sys.stderr)
        return 1
    except KeyboardInterrupt:
        return 130


if __name__ == "__main__":
    sys.exit(main())
