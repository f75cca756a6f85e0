#!/usr/bin/env python3
"""Checks what scripts/package wrote, as a user would get it, and starts the 64-bit program from its zip.

    python3 tests/package/check_zips.py [--dist dist] [--start-with build/win64]

Each zip must hold one folder Tobrix-<version>/ with exactly the program, its help, the read-me (code
page 932, CRLF), the licence and the notices (CRLF); the program must be a Windows GUI program for the
zip's machine, carrying the zip's version; SHA256SUMS must name both zips with their digests.
--start-with names the win64 build folder whose tobrix-probe.exe watches the program under Wine.
Exit code 0 when everything holds.
"""

from __future__ import annotations

import argparse
import datetime
import hashlib
import re
import struct
import sys
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))  # the Wine session of the end-to-end tests
README = "はじめにお読みください.txt"
MACHINES = {"win32": (0x014C, 0x10B), "win64": (0x8664, 0x20B)}  # COFF machine, optional header magic
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2


def project_version() -> str:
    text = (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")
    return re.search(r"project\(Tobrix VERSION ([0-9.]+)", text).group(1)


def crlf_text(data: bytes, name: str, encoding: str) -> str:
    text = data.decode(encoding)  # strict: a byte that is not of this code page fails here
    assert text.endswith("\r\n"), f"{name}: the last line has no CRLF"
    bare = [i + 1 for i, line in enumerate(text.split("\r\n")) if "\n" in line or "\r" in line]
    assert not bare, f"{name}: lines {bare[:5]} end in a bare LF or CR"
    return text


def pe_facts(exe: bytes) -> dict:
    """Machine, optional header magic, subsystem, time stamp and the version block's file version."""
    assert exe[:2] == b"MZ", "Tobrix.exe: no MZ header"
    pe = struct.unpack_from("<I", exe, 0x3C)[0]
    assert exe[pe:pe + 4] == b"PE\0\0", "Tobrix.exe: no PE signature"
    machine, _, stamp = struct.unpack_from("<HHI", exe, pe + 4)
    magic = struct.unpack_from("<H", exe, pe + 24)[0]
    subsystem = struct.unpack_from("<H", exe, pe + 24 + 68)[0]  # same offset in PE32 and PE32+
    fixed = exe.find(struct.pack("<I", 0xFEEF04BD))  # VS_FIXEDFILEINFO's signature
    assert fixed > 0, "Tobrix.exe: no version block"
    ms, ls = struct.unpack_from("<II", exe, fixed + 8)
    version = f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"
    return {"machine": machine, "magic": magic, "subsystem": subsystem, "stamp": stamp, "version": version}


def check_zip(path: Path, arch: str, version: str) -> None:
    folder = f"Tobrix-{version}/"
    expected = [folder + n for n in ("LICENSE.txt", "THIRD-PARTY-NOTICES.txt", "Tobrix.chm", "Tobrix.exe", README)]
    with zipfile.ZipFile(path) as z:
        infos = z.infolist()
        # Python reads a name as UTF-8 only when the entry says so; otherwise the read-me's name is garbled.
        assert [i.filename for i in infos] == expected, f"{path.name}: entries {[i.filename for i in infos]}"
        assert len({i.date_time for i in infos}) == 1, f"{path.name}: entries of different times"
        files = {i.filename[len(folder):]: z.read(i) for i in infos}

    readme = crlf_text(files[README], README, "cp932")
    assert f"Tobrix {version}" in readme and "@VERSION@" not in readme, "read-me: the version is not filled in"
    for name in ("LICENSE.txt", "THIRD-PARTY-NOTICES.txt"):
        crlf_text(files[name], name, "ascii")
    assert "Copyright (c) 2001-2026 Quarda" in files["LICENSE.txt"].decode("ascii"), "LICENSE.txt: copyright"
    assert files["Tobrix.chm"], "Tobrix.chm is empty"

    pe = pe_facts(files["Tobrix.exe"])
    assert (pe["machine"], pe["magic"]) == MACHINES[arch], f"{path.name}: Tobrix.exe is for {pe['machine']:#x}"
    assert pe["subsystem"] == IMAGE_SUBSYSTEM_WINDOWS_GUI, f"{path.name}: subsystem {pe['subsystem']}"
    assert pe["version"] == version + ".0", f"{path.name}: Tobrix.exe says version {pe['version']}"
    manifest = f'name="Quarda.Tobrix" version="{version}.0"'.encode("ascii")
    assert manifest in files["Tobrix.exe"], f"{path.name}: the manifest does not say version {version}.0"
    # The link time stamp is the commit's time, like the entries' (which zip keeps to 2 seconds).
    entry_time = datetime.datetime(*infos[0].date_time, tzinfo=datetime.timezone.utc).timestamp()
    assert 0 <= pe["stamp"] - entry_time < 2, f"{path.name}: link time {pe['stamp']}, entries {entry_time:.0f}"


def check_sums(dist: Path, zips: list[Path]) -> None:
    lines = (dist / "SHA256SUMS").read_text(encoding="ascii").splitlines()
    want = [f"{hashlib.sha256(z.read_bytes()).hexdigest()}  {z.name}" for z in zips]
    assert lines == want, f"SHA256SUMS: {lines} instead of {want}"


def start_from_zip(session, zip_path: Path) -> tuple:
    """Unpacks the zip into a new folder of the Wine session and starts its Tobrix.exe; returns the
    process, the program's path and its main window once it shows."""
    from tobrix import MAIN_CLASS

    folder = session.scratch_dir(zip_path.stem)
    with zipfile.ZipFile(zip_path) as z:
        z.extractall(folder)
    exe = next(folder.glob("Tobrix-*/Tobrix.exe"))
    proc = session.start(exe)
    return proc, exe, session.probe.find_by_image(MAIN_CLASS, exe, timeout=30)


def start_and_close(build_dir: Path, zip_path: Path) -> None:
    import wine_env

    with wine_env.WineSession(build_dir) as session:
        proc, _, hwnd = start_from_zip(session, zip_path)
        caption = session.probe.info(hwnd).caption
        assert caption == "Tobrix", f"the main window's caption is {caption!r}"
        # ヘルプ(&H) → 目次(&C): the guide from the zip opens at its contents tree.
        session.activate(hwnd)
        session.key("alt+h", "c")
        guide = session.probe.find("HH Parent", None, timeout=20)
        tree = wine_env.wait_until(lambda: next((c.hwnd for c in session.probe.children(guide)
                                                 if c.class_name == "SysTreeView32" and c.visible), 0),
                                   20, message="the guide's contents tree")
        first = wine_env.wait_until(lambda: session.probe.tv(tree), message="the contents filled")[0]
        assert first == (0, "Tobrix とは"), f"the guide's contents begin with {first!r}"
        session.probe.close(hwnd)
        assert proc.wait(30) == 0, f"Tobrix ended with {proc.returncode}"


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--dist", type=Path, default=ROOT / "dist")
    parser.add_argument("--start-with", type=Path, metavar="BUILD_DIR",
                        help="start the 64-bit program under Wine, watched by this build's tobrix-probe.exe")
    args = parser.parse_args()

    version = project_version()
    zips = [args.dist / f"Tobrix-{version}-{arch}.zip" for arch in MACHINES]
    checks = [(f"{z.name} holds the release", check_zip, (z, arch, version)) for z, arch in zip(zips, MACHINES)]
    checks.append(("SHA256SUMS matches both zips", check_sums, (args.dist, zips)))
    if args.start_with:
        checks.append((f"Tobrix.exe from {zips[1].name} starts under Wine and opens its guide", start_and_close,
                       (args.start_with.resolve(), zips[1])))
    failed = 0
    for title, check, check_args in checks:
        try:
            check(*check_args)
            print(f"ok      {title}")
        except Exception as e:  # every check runs, whatever the one before it met
            failed += 1
            print(f"FAILED  {title}: {e}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
